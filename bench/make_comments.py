#!/usr/bin/env python3
"""Writes a comment file in the shape the message server sends: a packet with
the thread information, a view counter and COUNT chat elements carrying every
attribute and Japanese texts (with a few references and line breaks)."""
import random
import sys

WORDS = ["わこつ", "きたああああ", "ｗｗｗ", "かわいい", "888888", "神回", "ここすき", "弾幕職人乙",
         "うぽつ", "初見", "懐かしい", "これは良い", "草", "音量注意", "歌ってみた", "www",
         "&lt;○&gt;", "A&amp;B", "&#x266A;", "改行\nあり", "　全角空白", "ﾊﾝｶｸｶﾅ", "ok"]
MAILS = ["184", "184 big red", "shita green", "ue small", "", "184 white"]


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_comments.py COUNT OUT.xml")
    count = int(sys.argv[1])
    rng = random.Random(count)
    thread = 1234567890
    base = 1262304000  # 2010-01-01 00:00:00 UTC
    with open(sys.argv[2], "w", encoding="utf-8", newline="\n") as out:
        out.write('<?xml version="1.0" encoding="UTF-8"?>\n<packet>')
        out.write('<thread resultcode="0" thread="%d" last_res="%d" ticket="0x12345678" '
                  'revision="1" server_time="%d"/>' % (thread, count, base + count))
        out.write('<leaf thread="%d" count="%d"/>' % (thread, count))
        out.write('<view_counter video="123456" id="sm9" mylist="4321"/>')
        chunk = []
        for no in range(1, count + 1):
            text = "".join(rng.choice(WORDS) for _ in range(rng.randint(1, 4)))
            user = "".join(rng.choice("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_")
                           for _ in range(27))
            chunk.append('<chat thread="%d" no="%d" vpos="%d" date="%d" mail="%s" user_id="%s" '
                         'premium="%d" anonymity="1" name="">%s</chat>'
                         % (thread, no, rng.randrange(0, 360000), base + no, rng.choice(MAILS), user,
                            rng.random() < 0.3, text))
            if len(chunk) == 10000:
                out.write("".join(chunk))
                chunk = []
        out.write("".join(chunk))
        out.write("</packet>\n")


if __name__ == "__main__":
    main()
