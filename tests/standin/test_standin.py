"""Checks of the stand-in site's contract (run: python3 -m unittest -v test_standin)."""

import http.client
import json
import os
import re
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

    def test_log_records_body_and_cookie(self):
        self.client.cookies["user_session"] = "abc"
        self.client.thread([("res_from", "-1"), ("thread", "1173108780")])
        entry = self.client.log()[-1]
        self.assertEqual((entry["role"], entry["method"], entry["path"]), ("message", "POST", "/api/"))
        self.assertEqual(entry["headers"]["Cookie"], "user_session=abc")
        self.assertIn('res_from="-1"', entry["body"])


if __name__ == "__main__":
    unittest.main()
