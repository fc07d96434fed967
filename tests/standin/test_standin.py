"""Checks of the stand-in site's contract (run: python3 -m unittest -v test_standin)."""

import http.client
import json
import os
import re
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import site_data  # noqa: E402
import server  # noqa: E402
from server import Standin  # noqa: E402
from standin import find_certs  # noqa: E402

CERTS = None
_temp = None


def setUpModule():
    global CERTS, _temp
    # Never touches the system store: the tests trust the CA themselves.
    _temp = tempfile.TemporaryDirectory(prefix="standin-test-")
    build = os.environ.get("KOMETORI_BUILD_DIR")
    if build and os.path.isfile(os.path.join(build, "certs", "server.key")):
        CERTS = os.path.join(build, "certs")
    else:
        CERTS = os.path.join(_temp.name, "certs")
        find_certs(CERTS)


def tearDownModule():
    _temp.cleanup()


class Client:
    """Raw HTTP(S) requests against one role, with a cookie jar kept by hand."""

    def __init__(self, site):
        self.site = site
        self.cookies = {}

    def request(self, role, method, path, body=None, headers=None, timeout=5):
        if role == "secure":
            ctx = ssl.create_default_context(cafile=os.path.join(CERTS, "ca.crt"))
            conn = http.client.HTTPSConnection("localhost", self.site.port(role),
                                               context=ctx, timeout=timeout)
        else:
            conn = http.client.HTTPConnection("127.0.0.1", self.site.port(role), timeout=timeout)
        headers = dict(headers or {})
        if self.cookies and role != "secure":
            headers["Cookie"] = "; ".join(f"{k}={v}" for k, v in self.cookies.items())
        if isinstance(body, str):
            body = body.encode("utf-8")
        try:
            conn.request(method, path, body=body, headers=headers)
            resp = conn.getresponse()
            data = resp.read()
        finally:
            conn.close()
        for value in resp.headers.get_all("Set-Cookie") or []:
            name, _, rest = value.partition("=")
            self.cookies[name] = rest.split(";")[0]
        return resp, data

    def get(self, role, path, **kw):
        return self.request(role, "GET", path, **kw)

    def thread(self, attrs):
        body = "<thread " + "".join(f'{k}="{v}" ' for k, v in attrs) + "/>"
        resp, data = self.request("message", "POST", "/api/", body=body)
        return resp, data

    def log(self):
        return json.loads(self.get("main", "/_standin/log")[1])


class SiteTest(unittest.TestCase):
    def setUp(self):
        self.site = Standin(site_data.load_scenario(), CERTS)
        self.site.start()
        self.client = Client(self.site)

    def tearDown(self):
        self.site.stop()

    def chats(self, data):
        root = ET.fromstring(data)
        self.assertEqual(root.tag, "packet")
        return root, root.findall("chat")


class MessageServerTest(SiteTest):
    def test_newest_comments_with_their_attributes(self):
        resp, data = self.client.thread([("res_from", "-250"), ("version", "20061206"),
                                         ("thread", "1173108780")])
        self.assertEqual(resp.status, 200)
        self.assertTrue(data.startswith(b'<?xml version="1.0" encoding="UTF-8"?><packet><thread '))
        root, chats = self.chats(data)
        self.assertEqual(root[0].get("resultcode"), "0")
        self.assertEqual(root[0].get("last_res"), "300")
        self.assertEqual([c.get("no") for c in chats], [str(n) for n in range(51, 301)])
        self.assertIsNone(root.find("view_counter"))
        texts = [c.text for c in chats]
        self.assertIn("A&Bの違いが分からない", texts)
        self.assertIn("一行目\n二行目", texts)
        self.assertIn(b"&lt;", data)
        self.assertIn(b"&amp;", data)
        # Some comments lack the optional attributes, none lacks the fixed ones.
        self.assertTrue(any(c.get("mail") is None for c in chats))
        self.assertTrue(any(c.get("premium") is None for c in chats))
        self.assertTrue(any(c.get("name") for c in chats))
        for c in chats:
            for a in ("thread", "no", "vpos", "date", "user_id"):
                self.assertTrue(c.get(a), a)
        dates = [int(c.get("date")) for c in chats]
        self.assertEqual(dates, sorted(dates))
        # Deterministic: the same request gets the same bytes.
        self.assertEqual(data, self.client.thread([("res_from", "-250"), ("version", "20061206"),
                                                   ("thread", "1173108780")])[1])

    def test_res_from_variants(self):
        def numbers(res_from, thread="1173108780"):
            attrs = [("thread", thread)] + ([("res_from", res_from)] if res_from else [])
            return [int(c.get("no")) for c in self.chats(self.client.thread(attrs)[1])[1]]
        self.assertEqual(numbers("-1000"), list(range(1, 301)))
        self.assertEqual(numbers("-1"), [300])
        self.assertEqual(numbers("295"), list(range(295, 301)))
        self.assertEqual(numbers(None), list(range(201, 301)))
        self.assertEqual(len(numbers("-1000", "1200002000")), 1000)
        self.assertEqual(numbers("-1000", "1200002000")[-1], 1500)
        self.assertEqual(numbers("-10", "1200000010"), [])

    def test_a_comment_holds_a_raw_control_character(self):
        data = self.client.thread([("res_from", "-10"), ("thread", "1200007010")])[1]
        self.assertEqual(data.count(b"\x10"), 1)
        self.assertIn('<chat thread="1200007010" no="5" '.encode(), data)
        self.assertIn("弾幕\x10ここ</chat>".encode(), data)

    def test_unknown_thread_has_no_text(self):
        root, chats = self.chats(self.client.thread([("res_from", "-10"), ("thread", "77")])[1])
        self.assertNotEqual(root[0].get("resultcode"), "0")
        self.assertEqual(chats, [])
        self.assertEqual("".join(root.itertext()), "")

    def test_past_log_needs_the_key_and_keeps_older_comments(self):
        video = self.site.scenario.videos["sm9"]
        when = video.comment_date(100) + 10
        key = site_data.wayback_key("1173108780", "1000001")
        ok = [("user_id", "1000001"), ("when", str(when)), ("waybackkey", key),
              ("res_from", "-50"), ("version", "20061206"), ("thread", "1173108780")]
        root, chats = self.chats(self.client.thread(ok)[1])
        self.assertEqual([int(c.get("no")) for c in chats], list(range(51, 101)))
        self.assertTrue(all(int(c.get("date")) <= when for c in chats))
        bad = [(k, "wrong" if k == "waybackkey" else v) for k, v in ok]
        root, chats = self.chats(self.client.thread(bad)[1])
        self.assertNotEqual(root[0].get("resultcode"), "0")
        self.assertEqual(chats, [])

    def test_long_history_gives_the_newest_before_when(self):
        video = self.site.scenario.videos["sm4000"]
        self.assertGreater(video.comment_date(video.count) - video.comment_date(1), 90 * 86400)
        key = site_data.wayback_key(video.thread, "1000001")
        request = [("user_id", "1000001"), ("when", str(video.comment_date(3501))), ("waybackkey", key),
                   ("res_from", "-1000"), ("version", "20061206"), ("thread", video.thread)]
        root, chats = self.chats(self.client.thread(request)[1])
        self.assertEqual([int(c.get("no")) for c in chats], list(range(2502, 3502)))

    def test_live_thread_grows_at_the_rate_set(self):
        request = [("res_from", "-1000"), ("version", "20061206"), ("thread", "1200007000")]
        self.assertEqual(self.chats(self.client.thread(request)[1])[1], [])  # none before the rate
        self.assertEqual(self.client.get("main", "/_standin/set?live_rate=200")[0].status, 200)
        time.sleep(1.2)
        chats = self.chats(self.client.thread(request)[1])[1]
        numbers, dates = [int(c.get("no")) for c in chats], [int(c.get("date")) for c in chats]
        self.assertEqual(numbers, list(range(1, len(numbers) + 1)))
        self.assertTrue(200 <= len(numbers) <= 400, len(numbers))
        self.assertEqual(dates, sorted(dates))
        self.assertEqual((dates[198], dates[199]), (dates[0], dates[0] + 1))  # 200 a second
        # A past log keeps the comments dated up to its moment, also within a second.
        key = site_data.wayback_key("1200007000", "1000001")
        past = [("user_id", "1000001"), ("when", str(dates[0])), ("waybackkey", key)] + request
        self.assertEqual([int(c.get("no")) for c in self.chats(self.client.thread(past)[1])[1]], list(range(1, 200)))

    def test_log_records_body_and_cookie(self):
        self.client.cookies["user_session"] = "abc"
        self.client.thread([("res_from", "-1"), ("thread", "1173108780")])
        entry = self.client.log()[-1]
        self.assertEqual((entry["role"], entry["method"], entry["path"]), ("message", "POST", "/api/"))
        self.assertEqual(entry["headers"]["Cookie"], "user_session=abc")
        self.assertIn('res_from="-1"', entry["body"])


class MessageFaultTest(SiteTest):
    REQUEST = [("res_from", "-5"), ("version", "20061206"), ("thread", "1173108780")]

    def fault(self, role, kind, count=None):
        q = f"/_standin/fault?role={role}&kind={kind}" + (f"&count={count}" if count is not None else "")
        resp, _ = self.client.get("main", q)
        self.assertEqual(resp.status, 200, q)

    def test_each_fault_answers_once(self):
        def parse(data):
            ET.fromstring(data)
        cases = {
            "http500html": (500, lambda d: self.assertRaises(ET.ParseError, parse, d)),
            "http500xml": (500, lambda d: self.assertEqual(len(self.chats(d)[1]), 5)),
            "empty": (200, lambda d: self.assertEqual(d, b"")),
            "notxml": (200, lambda d: self.assertRaises(ET.ParseError, parse, d)),
            "notext": (200, lambda d: self.assertEqual("".join(ET.fromstring(d).itertext()), "")),
            "viewcounter": (200, lambda d: self.assertEqual(
                len(ET.fromstring(d).findall("view_counter")), 1)),
            "doctype": (200, lambda d: self.assertIn(b"<!DOCTYPE packet [", d)),
            "doctypeutf16": (200, lambda d: self.assertIn("<!DOCTYPE packet [", d.decode("utf-16"))),
            "billionlaughs": (200, lambda d: self.assertIn(b"&lol9;</chat>", d)),
            "utf16": (200, lambda d: self.assertEqual((d[:2], len(self.chats(d)[1])), (b"\xff\xfe", 5))),
        }
        for kind, (status, check) in cases.items():
            with self.subTest(kind=kind):
                self.fault("message", kind)
                resp, data = self.client.thread(self.REQUEST)
                self.assertEqual(resp.status, status)
                check(data)
                # Only the one request: the next is normal again.
                resp, data = self.client.thread(self.REQUEST)
                self.assertEqual((resp.status, len(self.chats(data)[1])), (200, 5))

    def test_count_and_until_reset(self):
        self.fault("message", "empty", 2)
        bodies = [self.client.thread(self.REQUEST)[1] for _ in range(3)]
        self.assertEqual([b == b"" for b in bodies], [True, True, False])
        self.fault("message", "empty", 0)
        self.assertEqual([self.client.thread(self.REQUEST)[1] for _ in range(4)], [b""] * 4)
        self.client.get("main", "/_standin/reset")
        self.assertNotEqual(self.client.thread(self.REQUEST)[1], b"")
        self.assertEqual(len(self.client.log()), 1)  # reset cleared the log

    def test_unknown_fault_is_refused(self):
        for q in ("role=message&kind=nope", "role=main&kind=viewcounter", "role=x&kind=stall",
                  "role=main&kind=stall&count=-1"):
            self.assertEqual(self.client.get("main", "/_standin/fault?" + q)[0].status, 400)

    def test_truncated_declares_more_than_it_sends(self):
        self.fault("message", "truncated")
        with self.assertRaises(http.client.IncompleteRead):
            self.client.thread(self.REQUEST)

    def test_requirecookie(self):
        self.fault("message", "requirecookie", 0)
        self.assertEqual(self.client.thread(self.REQUEST)[0].status, 403)
        self.client.get("main", "/_standin/signin?account=plain")
        self.assertEqual(self.client.thread(self.REQUEST)[0].status, 200)

    def test_stall_until_reset_and_stop(self):
        self.fault("main", "stall", 0)
        errors = []

        def call():
            try:
                self.client.get("main", "/watch/sm9", timeout=10)
            except Exception as e:  # the connection ends without an answer
                errors.append(e)
        threads = [threading.Thread(target=call) for _ in range(2)]
        for t in threads:
            t.start()
        deadline = time.time() + 5
        while len(self.client.log()) < 2 and time.time() < deadline:
            time.sleep(0.02)
        self.assertEqual(len(self.client.log()), 2)  # both read, neither answered
        self.assertTrue(all(t.is_alive() for t in threads))
        started = time.time()
        self.client.get("main", "/_standin/reset")
        for t in threads:
            t.join(5)
        self.assertLess(time.time() - started, 3)
        self.assertEqual(len(errors), 2)
        # A stall that is still waiting does not hold up the stop.
        self.fault("message", "stall")
        t = threading.Thread(target=lambda: self.assertRaises(
            Exception, self.client.thread, self.REQUEST))
        t.start()
        while not self.client.log():
            time.sleep(0.02)
        started = time.time()
        self.site.stop()
        t.join(5)
        self.assertLess(time.time() - started, 3)
        self.site.start()  # for tearDown

    def test_huge_streams_a_well_formed_answer_past_any_bound(self):
        for role in ("message", "main"):
            with self.subTest(role=role):
                self.fault(role, "huge")
                conn = http.client.HTTPConnection("127.0.0.1", self.site.port(role), timeout=10)
                conn.request("POST" if role == "message" else "GET", "/api/" if role == "message" else "/watch/sm9",
                             body=b"<thread/>" if role == "message" else None)
                resp = conn.getresponse()
                self.assertIsNone(resp.getheader("Content-Length"))
                start = resp.read(1 << 20)
                self.assertTrue(start.startswith(b"<?xml" if role == "message" else b"<html>"))
                conn.close()  # a client that stops reading ends it
        # Read whole it is one document of HUGE_BYTES or just under.
        self.fault("message", "huge")
        resp, data = self.client.thread(self.REQUEST)
        self.assertGreater(len(data), server.HUGE_BYTES - 65536)
        self.assertEqual(ET.fromstring(data).tag, "packet")

    def test_trickle_sends_a_byte_at_a_time_until_reset(self):
        self.fault("main", "trickle")
        sock = socket.create_connection(("127.0.0.1", self.site.port("main")), timeout=5)
        sock.sendall(b"GET /test/big HTTP/1.1\r\nHost: x\r\n\r\n")
        started = time.time()
        first = sock.recv(100)
        second = sock.recv(100)
        self.assertEqual((first, second), (b"H", b"T"))
        self.assertGreater(time.time() - started, server.TRICKLE_PACE * 0.8)
        self.client.get("main", "/_standin/reset")
        sock.settimeout(3)
        rest = b""
        while True:
            data = sock.recv(100)
            if not data:
                break
            rest += data
        self.assertLess(len(rest), 3)  # ended, not finished
        sock.close()

    def test_hold_answers_normally_on_release(self):
        self.fault("main", "hold")
        answers = []
        t = threading.Thread(target=lambda: answers.append(self.client.get("main", "/test/big", timeout=10)))
        t.start()
        deadline = time.time() + 5
        while not self.client.log() and time.time() < deadline:
            time.sleep(0.02)
        # Only the first request is held: the next passes it.
        self.assertEqual(self.client.get("main", "/test/zero")[1], b"abc\x00def")
        self.assertTrue(t.is_alive())
        self.client.get("main", "/_standin/release")
        t.join(5)
        self.assertEqual(answers[0][0].status, 200)
        self.assertEqual(len(answers[0][1]), 5000)


class MainHostTest(SiteTest):
    def sign_in(self, account="premium"):
        self.assertEqual(self.client.get("main", f"/_standin/signin?account={account}")[0].status, 200)

    def page(self, path):
        resp, data = self.client.get("main", path)
        return data.decode("utf-8")

    def test_watch_pages_demand_the_session(self):
        text = self.page("/watch/sm9")
        self.assertIn(f"https://{self.site.secure}/secure/login", text)
        self.assertNotIn("mokuplayer.swf", text)
        self.sign_in()
        text = self.page("/watch/sm9")
        self.assertIn("mokuplayer.swf", text)
        self.assertNotIn("/secure/login", text)
        m = re.search("<title>(.*?)( ‐ |‐).*</title>", text)
        self.assertEqual(m.group(1), "新作アニメ第一話 ひだまり坂の猫たち")
        self.assertIn("var video_id = 'sm9';", text)
        # Titles with "/", ":", a Shift-JIS 0x5C trail byte and an escaped "&".
        self.assertIn("<title>【比較】東京/大阪: うどん対決 Part1 ‐ ", self.page("/watch/sm1234"))
        title = re.search("<title>(.*?) ‐ ", self.page("/watch/sm5000")).group(1)
        self.assertIn(b"\x5c", title.encode("cp932"))  # 表 and ソ end in 0x5C
        self.assertIn("<title>ハイフン‐入り &amp; タイトル ‐ ", self.page("/watch/sm6000"))
        self.assertIn("/secure/login", self.page("/watch/sm7777"))  # never lets in

    def test_numeric_my_memory_and_error_pages(self):
        self.sign_in()
        self.assertIn("var video_id = 'sm1234';", self.page("/watch/1234567890"))
        text = self.page("/watch/1300000001")
        self.assertIn("コメント不可", text)
        self.assertIn("mokuplayer.swf", text)
        self.assertIn("var video_id = '1300000001';", text)
        for path in ("/watch/sm3", "/watch/sm999999"):
            text = self.page(path)
            self.assertNotIn("mokuplayer.swf", text)
            self.assertRegex(text, "<h1>.+</h1>")
            self.assertRegex(text, '<p class="TXT12">.*<(b|strong)>.*<br>.*</p>')

    def test_getflv_and_waybackkey(self):
        self.assertNotIn("thread_id=", self.page("/api/getflv?v=sm9"))
        self.assertEqual(self.page("/api/getwaybackkey?thread=1173108780"), "error=not_login")
        self.sign_in("plain")
        reply = self.page("/api/getflv?v=sm9")
        self.assertEqual(self.page("/api/getwaybackkey?thread=1173108780"), "waybackkey=")
        self.assertTrue(reply.startswith("thread_id=1173108780&"))
        self.assertNotRegex(reply, "%([0-9a-f][a-f]|[a-f][0-9a-f])")
        pairs = dict(urllib.parse.parse_qsl(reply))
        self.assertEqual(pairs["ms"], self.site.message)
        self.assertEqual(pairs["user_id"], "1000002")
        self.assertIn("&ms=", reply)
        self.assertIn("&url=", reply)
        self.assertNotIn("thread_id=", self.page("/api/getflv?v=sm999"))
        self.assertNotIn("thread_id=", self.page("/api/getflv?v=sm8888"))
        self.assertRegex(self.page("/api/getflv?v=sm8889"), "&ms=[^&]+$")
        self.assertTrue(self.page("/api/getflv?v=1234567890").startswith("thread_id=1234567890&"))
        self.sign_in("premium")
        key = self.page("/api/getwaybackkey?thread=1173108780")
        self.assertEqual(key, "waybackkey=" + site_data.wayback_key("1173108780", "1000001"))
        self.assertNotIn("waybackkey=", self.page("/api/getwaybackkey?thread=5"))

    def test_helper_paths(self):
        self.assertGreater(len(self.client.get("main", "/test/big")[1]), 1024)
        self.assertEqual(self.client.get("main", "/test/zero")[1], b"abc\x00def")
        resp, data = self.client.get("main", "/test/404")
        self.assertEqual(resp.status, 404)
        self.assertIn(b"<html", data)
        resp, data = self.client.get("main", "/test/nolength")
        self.assertIsNone(resp.getheader("Content-Length"))
        self.assertEqual(len(data), 3000)
        with self.assertRaises(http.client.IncompleteRead):
            self.client.get("main", "/test/truncated")
        resp, data = self.client.get("author", "/software/kometori/version.txt")
        self.assertEqual(data, b"1.40\n")

    def test_set_values_last_until_reset(self):
        self.sign_in()
        notice = urllib.parse.quote("1.33\n表示ソフト対応\n")
        self.assertEqual(self.client.get("main", "/_standin/set?author_version=" + notice)[0].status, 200)
        self.assertEqual(self.client.get("main", "/_standin/set?download_url=file:///C:/x.exe")[0].status, 200)
        self.assertEqual(self.client.get("main", "/_standin/set?nope=1")[0].status, 400)
        data = self.client.get("author", "/software/kometori/version.txt")[1]
        self.assertEqual(data, "1.33\n表示ソフト対応\n".encode("cp932"))
        self.assertIn("&url=file:///C:/x.exe&", self.page("/api/getflv?v=sm9"))
        self.client.get("main", "/_standin/reset")
        self.sign_in()
        self.assertEqual(self.client.get("author", "/software/kometori/version.txt")[1], b"1.40\n")
        self.assertIn("&url=http%3A%2F%2F", self.page("/api/getflv?v=sm9"))
        self.sign_in()
        resp, _ = self.client.get("main", "/")
        self.assertEqual(resp.getheader("x-mokumoku-id"), "1000001")


class LoginTest(SiteTest):
    def login(self, mail, password, fault=None):
        if fault:
            self.client.get("main", f"/_standin/fault?role=secure&kind={fault}")
        body = "&next_url=&mail=" + urllib.parse.quote(mail, safe="") + \
            "&password=" + urllib.parse.quote(password, safe="")
        return self.client.request("secure", "POST", "/secure/login?site=mokumoku", body=body,
                                   headers={"Content-Type": "application/x-www-form-urlencoded"})

    def follow(self, resp):
        """The redirect's target, as the platform would fetch it next."""
        self.assertEqual(resp.status, 302)
        target = urllib.parse.urlsplit(resp.getheader("Location"))
        self.assertEqual(target.netloc, self.site.main)
        return self.client.get("main", target.path + "?" + target.query)

    def test_redirect_sets_the_session_for_the_main_host(self):
        resp, _ = self.login("premium@kometori.test", "p&ss+w%rd=1")
        self.assertIsNone(resp.getheader("Set-Cookie"))
        resp, _ = self.follow(resp)
        self.assertEqual(resp.getheader("x-mokumoku-id"), "1000001")
        self.assertIn("path=/", resp.getheader("Set-Cookie"))
        self.assertIn("mokuplayer.swf", self.client.get("main", "/watch/sm9")[1].decode())
        self.client.get("main", "/_standin/fault?role=message&kind=requirecookie")
        self.assertEqual(self.client.thread([("thread", "1173108780")])[0].status, 200)
        body = [e["body"] for e in self.client.log() if e["role"] == "secure"][0]
        self.assertIn("password=p%26ss%2Bw%25rd%3D1", body)

    def test_variants(self):
        resp, _ = self.login("plain@kometori.test", "plainpass", "direct")
        self.assertEqual((resp.status, resp.getheader("x-mokumoku-id")), (200, "1000002"))
        self.assertIn("user_session=", resp.getheader("Set-Cookie"))
        resp, _ = self.follow(self.login("cookie@kometori.test", "cookiepass")[0])
        self.assertIsNone(resp.getheader("x-mokumoku-id"))
        self.assertIsNotNone(resp.getheader("Set-Cookie"))
        resp, _ = self.follow(self.login("big@kometori.test", "bigpass")[0])
        self.assertGreater(len(str(resp.headers)), 10240)
        self.assertEqual(resp.getheader("x-mokumoku-id"), "1000005")
        resp, _ = self.follow(self.login("plain@kometori.test", "plainpass", "othercase")[0])
        raw = str(resp.headers)
        self.assertIn("X-Mokumoku-Id: 1000002", raw)
        self.assertNotIn("Set-Cookie", raw)

    def test_wrong_credentials(self):
        for mail, password in (("premium@kometori.test", "p&ss+w%rd=2"), ("x@y", "plainpass")):
            resp, data = self.login(mail, password)
            self.assertEqual(resp.status, 200)
            self.assertIsNone(resp.getheader("Set-Cookie"))
            self.assertIsNone(resp.getheader("x-mokumoku-id"))
        # Unencoded, the password's "&" and "=" break the form: refused.
        resp, _ = self.client.request("secure", "POST", "/secure/login?site=mokumoku",
                                      body="&next_url=&mail=premium@kometori.test&password=p&ss+w%rd=1")
        self.assertIsNone(resp.getheader("Location"))


class ScenarioTest(unittest.TestCase):
    def test_file_is_laid_over_the_default(self):
        with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False, encoding="utf-8") as f:
            json.dump({"author_version": "1.50b\n",
                       "videos": {"sm42": {"title": "追加", "thread": "4242", "comments": 3}},
                       "accounts": [{"mail": "plain@kometori.test", "password": "new",
                                     "user_id": "9", "nickname": "n"}]}, f)
        try:
            sc = site_data.load_scenario(f.name)
        finally:
            os.unlink(f.name)
        self.assertEqual(sc.author_version, "1.50b\n")
        self.assertEqual(sc.find_video("4242").id, "sm42")
        self.assertEqual(sc.find_video("sm9").count, 300)
        self.assertIsNone(sc.find_account("plain@kometori.test", "plainpass"))
        self.assertEqual(sc.find_account("plain@kometori.test", "new")["user_id"], "9")
        self.assertIsNotNone(sc.find_account("premium@kometori.test", "p&ss+w%rd=1"))

class CertificateTest(unittest.TestCase):
    """The test CA every program on the machine trusts: for localhost only, and
    without a private key left behind."""

    def make(self, folder):
        subprocess.run([os.path.join(HERE, "make-certs.sh"), folder, "--no-install"], check=True, timeout=60)

    def text(self, path):
        return subprocess.run(["openssl", "x509", "-in", path, "-noout", "-text"], capture_output=True,
                              text=True, check=True).stdout

    def test_key_deleted_and_name_constrained_and_old_sets_remade(self):
        with tempfile.TemporaryDirectory() as folder:
            # A set of the earlier kind: the CA's key beside it, no constraints.
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                            "-keyout", f"{folder}/ca.key", "-out", f"{folder}/ca.crt", "-subj", "/CN=old"],
                           capture_output=True, check=True)
            for name in ("server.crt", "server.key"):
                with open(os.path.join(folder, name), "w") as f:
                    f.write("old\n")
            self.make(folder)
            self.assertEqual(sorted(os.listdir(folder)), ["ca.crt", "server.crt", "server.key"])
            ca = self.text(f"{folder}/ca.crt")
            self.assertIn("X509v3 Name Constraints: critical", ca)
            self.assertIn("DNS:localhost", ca)
            verify = subprocess.run(["openssl", "verify", "-CAfile", f"{folder}/ca.crt", f"{folder}/server.crt"],
                                    capture_output=True, text=True)
            self.assertEqual(verify.returncode, 0, verify.stdout + verify.stderr)
            # A complete set is kept as it is.
            before = open(f"{folder}/ca.crt").read()
            self.make(folder)
            self.assertEqual(open(f"{folder}/ca.crt").read(), before)


class CommandLineTest(unittest.TestCase):
    def run_standin(self, *command, timeout=20):
        args = [sys.executable, os.path.join(HERE, "standin.py"), "--certs", CERTS]
        return subprocess.run(args + ["--exec", "--"] + list(command), capture_output=True,
                              text=True, timeout=timeout)

    def test_exec_passes_addresses_and_exit_status(self):
        script = ("import os,sys,urllib.request\n"
                  "e=os.environ\n"
                  "print(urllib.request.urlopen(e['KOMETORI_STANDIN_AUTHOR']+'/software/kometori/version.txt').read())\n"
                  "print(urllib.request.urlopen(e['KOMETORI_STANDIN_CONTROL']+'log').read())\n"
                  "print(e['KOMETORI_STANDIN_SECURE'], e['KOMETORI_STANDIN_MESSAGE'])\n"
                  "sys.exit(7)\n")
        r = self.run_standin(sys.executable, "-c", script)
        self.assertEqual(r.returncode, 7, r.stderr)
        lines = r.stdout.splitlines()
        self.assertRegex(lines[0], r"^main=127\.0\.0\.1:\d+$")
        self.assertRegex(lines[1], r"^secure=localhost:\d+$")
        self.assertRegex(lines[2], r"^message=http://127\.0\.0\.1:\d+/api/$")
        self.assertRegex(lines[3], r"^author=http://127\.0\.0\.1:\d+$")
        self.assertEqual(lines[4], "ready")
        self.assertEqual(lines[5], "b'1.40\\n'")
        self.assertIn('"path": "/software/kometori/version.txt"', r.stdout)
        self.assertIn(lines[1].split("=")[1] + " " + lines[2].split("=")[1], r.stdout)

    def test_killed_command_and_termination(self):
        r = self.run_standin("sh", "-c", "kill -9 $$")
        self.assertEqual(r.returncode, 128 + 9)
        r = self.run_standin("/nonexistent/command")
        self.assertEqual(r.returncode, 127)
        # Terminating the stand-in ends its command too, and the server with it.
        args = [sys.executable, os.path.join(HERE, "standin.py"), "--certs", CERTS,
                "--exec", "--", "sleep", "30"]
        p = subprocess.Popen(args, stdout=subprocess.PIPE, text=True)
        while p.stdout.readline().strip() != "ready":
            pass
        started = time.time()
        p.terminate()
        self.assertEqual(p.wait(10), 128 + 15)
        self.assertLess(time.time() - started, 5)
        p.stdout.close()
        # A command that ignores the signal is killed after the grace time.
        args[args.index("--exec"):] = ["--grace", "0.5", "--exec", "--", "sh", "-c",
                                       "trap '' TERM; sleep 30"]
        p = subprocess.Popen(args, stdout=subprocess.PIPE, text=True)
        while p.stdout.readline().strip() != "ready":
            pass
        time.sleep(0.2)  # let sh set its trap
        started = time.time()
        p.terminate()
        self.assertEqual(p.wait(10), 128 + 15)
        self.assertLess(time.time() - started, 3)
        p.stdout.close()


if __name__ == "__main__":
    unittest.main()
