"""The stand-in site's fixed data: videos, accounts and the comments of each
thread. Everything is computed from the scenario, so the same request always
gets the same answer."""

import base64
import copy
import hashlib
import json
import os
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_SCENARIO = os.path.join(HERE, "scenario.json")

# Comment k of every thread takes TEXTS[(k - 1) % len(TEXTS)] and the
# attribute pattern PATTERNS[(k - 1) % len(PATTERNS)].
TEXTS = [
    "うぽつ",
    "A&Bの違いが分からない",
    "<●><●>ｶｯ",
    "一行目\n二行目",
    "表示ソフトが凄い",
    "ｗｗｗｗｗ",
    "88888888",
    "弾幕薄いよ！何やってんの！",
    "a < b && c > d",
    "♪～",
    "ここすき",
    "\"引用\"と'引用'",
]

# Which optional attributes a comment carries: mail, premium, name.
PATTERNS = [
    {"mail": "184", "premium": "1"},
    {},
    {"mail": "shita red 184", "premium": "1"},
    {"mail": "ue big", "name": "テスト太郎"},
    {"mail": "184"},
]

MAX_COMMENTS = 1000  # the most one request gets
DEFAULT_COMMENTS = 100  # res_from missing or zero


def load_scenario(path=None):
    """The default scenario, with the videos, accounts and values of `path`
    laid over it (videos by ID, accounts by mail address)."""
    with open(DEFAULT_SCENARIO, encoding="utf-8") as f:
        data = json.load(f)
    if path:
        with open(path, encoding="utf-8") as f:
            extra = json.load(f)
        data["videos"].update(extra.pop("videos", {}))
        accounts = {a["mail"]: a for a in data["accounts"]}
        for a in extra.pop("accounts", []):
            accounts[a["mail"]] = a
        data["accounts"] = list(accounts.values())
        data.update(extra)
    return Scenario(data)


class Video:
    def __init__(self, video_id, d):
        self.id = video_id
        self.title = d["title"]
        self.thread = str(d["thread"])
        self.count = int(d.get("comments", 0))
        self.posted = int(d.get("posted", 1200000000))
        self.interval = int(d.get("interval", 60))
        self.length = int(d.get("length", 60))
        self.kind = d.get("kind", "normal")  # normal, deleted, mymemory, loginalways
        self.flv = d.get("flv", "full")  # full, none, ms_last
        self.script_id = d.get("script_video_id", video_id)
        self.control = int(d.get("control_comment", 0))  # this comment's text holds U+0010, raw
        self.rate = 0  # comments a second of a live thread (kind "live"); 0: one every interval

    def comment_date(self, no):
        if self.rate:
            return self.posted + no // self.rate
        return self.posted + no * self.interval

    def count_until(self, when):
        """How many comments are dated up to `when`."""
        if self.rate:
            return min(self.count, max(0, (when - self.posted + 1) * self.rate - 1))
        return min(self.count, max(0, (when - self.posted) // self.interval))

    def live(self, start, rate, now):
        """A live thread as it stands at `now`: `rate` comments a second since
        `start`, several to a second."""
        video = copy.copy(self)
        video.posted = int(start)
        video.rate = rate
        video.count = int((now - start) * rate) if rate > 0 else 0
        return video


class Scenario:
    def __init__(self, data):
        self.clock = int(data.get("clock", 1275350400))
        self.author_version = data.get("author_version", "1.40\n")
        self.videos = {k: Video(k, v) for k, v in data["videos"].items()}
        self.threads = {v.thread: v for v in self.videos.values()}
        self.accounts = data["accounts"]

    def find_video(self, segment):
        """A video by its ID, or by its thread number (numeric addresses)."""
        if segment in self.videos:
            return self.videos[segment]
        return self.threads.get(segment) if segment.isdigit() else None

    def find_account(self, mail, password):
        for a in self.accounts:
            if a["mail"] == mail and a["password"] == password:
                return a
        return None

    def account_by_name(self, name):
        """"premium", "plain" or a mail address."""
        for a in self.accounts:
            if name == a["mail"] or (name == "premium" and a.get("premium")) or \
                    (name == "plain" and not a.get("premium")):
                return a
        return None


def wayback_key(thread, user_id):
    digest = hashlib.sha1(f"wayback:{thread}:{user_id}".encode()).hexdigest()
    return f"{thread}.{digest[:10]}"


def comment_user_id(thread, no):
    if no % 5 == 2:  # some users show their numeric ID
        return str(1000000 + (no * 37) % 900000)
    digest = hashlib.sha1(f"{thread}:{no}".encode()).digest()
    return base64.urlsafe_b64encode(digest).decode()[:27]


def xml_text(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def xml_attr(s):
    return xml_text(s).replace('"', "&quot;")


def chat_element(video, no):
    attrs = [("thread", video.thread), ("no", str(no)),
             ("vpos", str((no * 7919) % (video.length * 100))),
             ("date", str(video.comment_date(no)))]
    pattern = PATTERNS[(no - 1) % len(PATTERNS)]
    if "mail" in pattern:
        attrs.append(("mail", pattern["mail"]))
    attrs.append(("user_id", comment_user_id(video.thread, no)))
    if "premium" in pattern:
        attrs.append(("premium", pattern["premium"]))
    if "name" in pattern:
        attrs.append(("name", pattern["name"]))
    text = TEXTS[(no - 1) % len(TEXTS)]
    if no == video.control:
        text = "弾幕\x10ここ"  # as the site sends what a user pasted: not escaped, not XML 1.0
    joined = " ".join(f'{k}="{xml_attr(v)}"' for k, v in attrs)
    return f"<chat {joined}>{xml_text(text)}</chat>"


def select_comments(video, res_from, when=None):
    """Comment numbers a request gets: res_from -N the newest N, res_from R > 0
    from number R on, otherwise the newest DEFAULT_COMMENTS; at most
    MAX_COMMENTS. A past-log moment keeps only comments dated up to it."""
    last = video.count
    if when is not None:
        last = video.count_until(when)
    if res_from is not None and res_from < 0:
        first = last - min(-res_from, MAX_COMMENTS) + 1
    elif res_from is not None and res_from > 0:
        first = res_from
        last = min(last, first + MAX_COMMENTS - 1)
    else:
        first = last - DEFAULT_COMMENTS + 1
    return range(max(first, 1), last + 1)


def thread_packet(scenario, request, view_counter=False, no_chats=False, live=None):
    """(packet text, result code) for a parsed thread request (a dict of its
    attributes); live: (start, rate, now) of the live thread."""
    thread = request.get("thread", "")
    video = scenario.threads.get(thread)
    if video is not None and live is not None and video.kind == "live":
        video = video.live(*live)
    head = '<?xml version="1.0" encoding="UTF-8"?><packet>'
    when = None
    code = 0
    if video is None:
        code = 1
    elif "when" in request or "waybackkey" in request:
        try:
            when = int(request.get("when", ""))
        except ValueError:
            code = 11
        if request.get("waybackkey", "") != wayback_key(thread, request.get("user_id", "")):
            code = 11
    if code:
        return (head + f'<thread resultcode="{code}" thread="{xml_attr(thread)}" '
                f'server_time="{scenario.clock}"/></packet>', code)
    try:
        res_from = int(request["res_from"]) if "res_from" in request else None
    except ValueError:
        res_from = None
    numbers = [] if no_chats else select_comments(video, res_from, when)
    last_res = video.count if when is None else video.count_until(when)
    parts = [head, f'<thread resultcode="0" thread="{thread}" last_res="{last_res}" '
             f'ticket="0x{zlib.crc32(thread.encode()) & 0xffffff:06x}" revision="1" '
             f'server_time="{scenario.clock}"/>']
    if view_counter:
        parts.append(f'<view_counter video="{video.count * 10 + 3}" id="{video.id}" mylist="7"/>')
    parts.extend(chat_element(video, no) for no in numbers)
    parts.append("</packet>")
    return "".join(parts), 0
