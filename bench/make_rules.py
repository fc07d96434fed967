#!/usr/bin/env python3
"""Writes an NG rule file for the benchmark: 100 words, 20 patterns and the
user ids of the first 50 comments of COMMENTS.xml. One word and a few
patterns match the generated texts (bench/make_comments.py), hiding about one
comment in eight; the rest match nothing, as most of a user's long list."""
import re
import sys

WORDS = ["ﾊﾝｶｸｶﾅ"] + ["禁止語%02d" % i for i in range(94)] + ["SPAM", "宣伝", "ネタバレ", "ｷﾀ━", "荒らし"]
PATTERNS = [r"^(ｗ|w)+$", r"[0-9]{7,}", r"(?i)spam\d+", r"ｷﾀ+━", r"^.{80,}$", r"(.)\1{9,}",
            r"https?://", r"[Ａ-Ｚ]{5}", r"^[!！?？]+$", r"(うぽつ){3}", r"\d{3}-\d{4}", r"(?i)^test",
            r"荒らし.*報告", r"[a-z]+@[a-z]+\.", r"ｗ{10,}", r"^(8|８){10,}$", r"(?i)nico.?nico",
            r"^.$", r"\s{5,}", r"(歌ってみた){2}"]


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_rules.py COMMENTS.xml OUT.txt")
    users = []
    with open(sys.argv[1], encoding="utf-8") as comments:
        for piece in iter(lambda: comments.read(1 << 16), ""):
            users += re.findall(r'user_id="([^"]*)"', piece)
            if len(users) >= 50:
                break
    assert len(WORDS) == 100 and len(PATTERNS) == 20 and len(users) >= 50
    with open(sys.argv[2], "w", encoding="utf-8", newline="\n") as out:
        out.write("# NG rules of the benchmark\n")
        out.writelines(word + "\n" for word in WORDS)
        out.writelines("re:" + pattern + "\n" for pattern in PATTERNS)
        out.writelines("user:" + user + "\n" for user in users[:50])


if __name__ == "__main__":
    main()
