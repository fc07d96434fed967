#!/usr/bin/env python3
"""Writes an invented comment thread of a 24-minute episode, as the message
server sends one: comments thicken at the opening, a joke, the eye-catch,
the climax and the ending, with the words viewers write there. For the
README's picture of the comment viewer.

    make_thread.py OUT.xml
"""
import random
import sys

LENGTH = 24 * 60  # seconds
# (second, spread in seconds, weight, words)
SCENES = [
    (20, 40, 1.6, ["うぽつ", "わこつ", "OPきたあああ", "このOP好き", "ｷﾀ━(ﾟ∀ﾟ)━!", "OP神"]),
    (310, 12, 1.2, ["ｗｗｗｗｗ", "www", "草", "腹筋崩壊", "ここすき"]),
    (720, 10, 0.7, ["CM", "アイキャッチかわいい", "後半戦"]),
    (1110, 35, 2.4, ["神回", "ああああああ", "888888", "泣いた", "作画すごい", "神回確定", "🎉🎉🎉", "대박"]),
    (1330, 45, 1.0, ["ED入り", "EDいいね", "乙", "次回予告ソワソワ", "来週が待てない"]),
]
EVERYWHERE = ["かわいい", "ソラちゃん", "表情いいな", "予想外", "ここ重要", "BGMいい", "きれい", "おお", "なるほど",
              "声優さん上手い", "伏線？", "初見です", "2周目", "😀", "안녕하세요"]
MAILS = ["184"] * 14 + ["", "184 shita red", "184 ue big", "184 small", "184 shita", "184 ue yellow"]


def main():
    rng = random.Random(20100105)
    comments = []
    for second in range(LENGTH):
        rate = 0.6
        words = EVERYWHERE
        for centre, spread, weight, scene in SCENES:
            closeness = max(0.0, 1 - abs(second - centre) / spread)
            if closeness > 0:
                rate += weight * 4 * closeness
                if rng.random() < closeness:
                    words = scene
        count = int(rate) + (rng.random() < rate - int(rate))
        for _ in range(count):
            comments.append((second * 100 + rng.randrange(100), rng.choice(words)))
    base = 1262694600  # 2010-01-05 21:30 JST
    rng.shuffle(comments)  # posted over the week after the broadcast, in no order of the video
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n<packet>',
           '<thread resultcode="0" thread="1262694600" last_res="%d" revision="1" server_time="%d"/>'
           % (len(comments), base + 7 * 86400)]
    for no, (vpos, text) in enumerate(comments, 1):
        user = "".join(rng.choice("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_")
                       for _ in range(27))
        date = base + int(no * 7 * 86400 / len(comments)) + rng.randrange(60)
        out.append('<chat thread="1262694600" no="%d" vpos="%d" date="%d" mail="%s" user_id="%s"%s>%s</chat>'
                   % (no, vpos, date, rng.choice(MAILS), user, ' premium="1"' if rng.random() < 0.3 else "", text))
    out.append("</packet>\n")
    with open(sys.argv[1], "w", encoding="utf-8", newline="\n") as f:
        f.write("".join(out))


if __name__ == "__main__":
    main()
