#!/usr/bin/env python3
"""`kometori-cli export` under Wine, its JSON Lines and CSV files read back by
Python's json and csv modules and compared with the comment files as
ElementTree reads them; the manifest checked against hashlib.

    python3 -m unittest -v test_data_export      (CTest runs this)

KOMETORI_BUILD_DIR names the build folder (default: build beside the sources).
"""
import csv
import datetime
import hashlib
import json
import os
import pathlib
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

SOURCE = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("KOMETORI_BUILD_DIR", SOURCE / "build"))
JST = datetime.timezone(datetime.timedelta(hours=9))
THREAD = "1302222473"

# Two fetches of one thread: numbers 6 to 8 and 13 to 19 are in neither.
OLDER = """<?xml version="1.0" encoding="UTF-8"?>
<packet><thread resultcode="0" thread="1302222473" server_time="1262310000"/>
<chat thread="1302222473" no="1" vpos="100" date="1262304001" mail="184 ue red big" user_id="Xk3_pQ9-zR" premium="1" anonymity="1">わこつ</chat>
<chat thread="1302222473" no="2" vpos="250" date="1262304002" mail="shita #00ff80 small" user_id="aB_9">say "ソ表予", ok</chat>
<chat thread="1302222473" no="3" vpos="300" date="1262304003" mail="" user_id="Spam_42">AA
の&#13;
2行	タブ</chat>
<chat thread="1302222473" no="4" vpos="400" date="1262304004" mail="naka BLUE" user_id="u4">&lt;○&gt; &amp; 한국어 😀</chat>
<chat thread="1302222473" no="5" date="1262304005" mail="184" user_id="u5" deleted="2"/>
<chat thread="1302222473" no="9" vpos="900" user_id="u9">  =SUM(A1) </chat>
<chat thread="1302222473" no="10" vpos="1000" date="1262304010" mail="184 purple" premium="0">ｗｗｗ</chat>
<view_counter video="0"/></packet>
"""
NEWER = """<?xml version="1.0" encoding="UTF-8"?>
<packet><thread resultcode="0" thread="1302222473" server_time="1262390000"/>
<chat thread="1302222473" no="10" vpos="1000" date="1262304010" mail="184 purple" premium="0">ｗｗｗ</chat>
<chat no="11" vpos="1100" date="1262390000" user_id="Xk3_pQ9-zR">予告 ﾊﾟﾝ</chat>
<chat thread="1302222473" no="12" vpos="123456" date="1262390001" mail="ue" anonymity="1">8888</chat>
<chat thread="1302222473" no="20" vpos="7" date="1262390002" user_id="u20">最後</chat>
</packet>
"""
# What the subtitle export's table makes of the mails above.
LOOKS = {"184 ue red big": ("ue", "big", "#FF0000"), "shita #00ff80 small": ("shita", "small", "#00FF80"),
         "": ("naka", "medium", "#FFFFFF"), "naka BLUE": ("naka", "medium", "#0000FF"),
         "184": ("naka", "medium", "#FFFFFF"), "184 purple": ("naka", "medium", "#C000FF"),
         "ue": ("ue", "medium", "#FFFFFF")}
FIELDS = ["thread", "no", "vpos_ms", "date", "date_iso", "mail", "position", "size", "color", "user_id",
          "premium", "anonymity", "deleted", "text"]


def expected_rows(paths, salt=None):
    """The rows the comment files should give, as Python values."""
    rows = []
    for path in paths:
        root = ET.parse(path).getroot()
        thread = root.find("thread").get("thread")
        for chat in root.iter("chat"):
            mail = chat.get("mail", "")
            user = chat.get("user_id", "")
            if salt is not None and user:
                user = hashlib.sha256((salt + user).encode("utf-8")).hexdigest()
            vpos, date = chat.get("vpos"), chat.get("date")
            position, size, color = LOOKS[mail]
            rows.append({
                "thread": chat.get("thread", thread), "no": int(chat.get("no")),
                "vpos_ms": int(vpos) * 10 if vpos else None, "date": int(date) if date else None,
                "date_iso": datetime.datetime.fromtimestamp(int(date), JST).isoformat() if date else None,
                "mail": mail, "position": position, "size": size, "color": color, "user_id": user,
                "premium": chat.get("premium", "0") not in ("", "0"),
                "anonymity": chat.get("anonymity", "0") not in ("", "0"),
                "deleted": int(chat.get("deleted", "0")), "text": chat.text or ""})
    return rows


def as_csv(row):
    """A row as csv.DictReader gives it back."""
    def text(value):
        if value is None:
            return ""
        if isinstance(value, bool):
            return "1" if value else "0"
        return str(value)
    return {key: text(value) for key, value in row.items()}


class DataExportTest(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp(prefix="kometori-data-"))
        self.inputs = [self.folder / "古い表.xml", self.folder / "new.xml"]
        self.inputs[0].write_text(OLDER, encoding="utf-8")
        self.inputs[1].write_text(NEWER, encoding="utf-8")

    def tearDown(self):
        for path in sorted(self.folder.rglob("*"), reverse=True):
            path.unlink()
        self.folder.rmdir()

    def export(self, *options):
        run = subprocess.run(["bash", str(SOURCE / "tests/tools/wine-run.sh"), str(BUILD / "kometori-cli.exe"),
                              "export", *options, *[p.name for p in self.inputs]],
                             cwd=self.folder, stdin=subprocess.DEVNULL, capture_output=True,
                             env=dict(os.environ, TZ="JST-9"))
        self.assertEqual(run.returncode, 0, run.stdout.decode("cp932", "replace"))

    def manifest(self, data):
        return json.loads((self.folder / (data + ".manifest.json")).read_text(encoding="utf-8"))

    def test_json_lines_read_back_the_same_with_hashed_users(self):
        self.export("--hash-users", "塩ソ")
        data = (self.folder / "古い表.jsonl").read_bytes()
        self.assertNotIn(b"\r", data)  # LF line ends; a CR in a text is escaped
        rows = [json.loads(line) for line in data.decode("utf-8").splitlines()]
        self.assertEqual([list(row) for row in rows], [FIELDS] * len(rows))
        self.assertEqual(rows, expected_rows(self.inputs, salt="塩ソ"))

        manifest = self.manifest("古い表.jsonl")
        self.assertEqual(manifest["tool"], "Kometori")
        self.assertEqual(manifest["format"], "jsonl")
        self.assertTrue(manifest["hash_users"])
        self.assertIsNotNone(datetime.datetime.fromisoformat(manifest["created"]).utcoffset())
        self.assertEqual(manifest["inputs"], [
            {"path": p.name, "sha256": hashlib.sha256(p.read_bytes()).hexdigest(), "thread": THREAD,
             "comments": n} for p, n in zip(self.inputs, (7, 4))])
        self.assertEqual((manifest["exported"], manifest["excluded"], manifest["rules"]), (11, 0, []))
        self.assertEqual(manifest["threads"], [
            {"thread": THREAD, "no_min": 1, "no_max": 20, "missing": [[6, 8], [13, 19]]}])

    def test_csv_read_back_the_same_without_what_the_rules_hide(self):
        (self.folder / "ng.txt").write_text("# 除外\nWWW\nuser:Spam_42\nre:^8+$\n", encoding="utf-8")
        self.export("-o", "データ.csv", "--ng", "ng.txt")
        data = (self.folder / "データ.csv").read_bytes()
        self.assertTrue(data.startswith(b"\xef\xbb\xbfthread,no,vpos_ms,"))
        with open(self.folder / "データ.csv", encoding="utf-8-sig", newline="") as f:
            reader = csv.DictReader(f)
            self.assertEqual(reader.fieldnames, FIELDS)
            rows = list(reader)
        hidden = {3, 10, 12}
        self.assertEqual(rows, [as_csv(row) for row in expected_rows(self.inputs) if row["no"] not in hidden])

        manifest = self.manifest("データ.csv")
        self.assertEqual((manifest["format"], manifest["hash_users"]), ("csv", False))
        self.assertEqual((manifest["exported"], manifest["excluded"]), (7, 4))
        self.assertEqual(manifest["rules"], [{"rule": "WWW", "hits": 2}, {"rule": "user:Spam_42", "hits": 1},
                                             {"rule": "re:^8+$", "hits": 1}])
        # The gaps are the history's, not the rules'.
        self.assertEqual(manifest["threads"][0]["missing"], [[6, 8], [13, 19]])


    def test_missing_ranges_only_over_real_numbering(self):
        # A live log numbers every chat -1; a shared file renumbered two
        # different comments 1; a copy of one comment shares nothing.
        def chat(no, text):
            return f'<chat thread="{THREAD}" no="{no}" date="1262304001" mail="184">{text}</chat>'
        self.inputs[0].write_text(f'<packet><thread thread="{THREAD}"/>' + chat(1, "a") + chat(1, "b") +
                                  chat(3, "c") + chat(5, "e") + chat(5, "e") + chat(7, "g") + "</packet>",
                                  encoding="utf-8")
        self.inputs[1].write_text('<packet><thread thread="lv1"/>' + chat(-1, "ソ").replace(THREAD, "lv1") * 3 +
                                  "</packet>", encoding="utf-8")
        self.export("-o", "live.jsonl")
        self.assertEqual(self.manifest("live.jsonl")["threads"], [
            {"thread": THREAD, "no_min": 3, "no_max": 7, "missing": [[4, 4], [6, 6]]}])

if __name__ == "__main__":
    unittest.main()
