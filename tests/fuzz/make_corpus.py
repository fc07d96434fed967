#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpus: invented comment files in the shape
the message server sends, in every encoding the reader takes.

    python3 tests/fuzz/make_corpus.py    (rewrites tests/fuzz/seeds-*/)
"""
import pathlib

HERE = pathlib.Path(__file__).parent
SEPARATOR = b"\n<<<MERGE>>>\n"  # merge_fuzz.cpp

# Invented comments; 表, ソ and 予 end in byte 0x5C in Shift_JIS.
TEXTS = ["わこつ", "表示されないソ", "予定通り8888", "ここ好き", "きたー！", "ｷﾀｰ", "草",
         "1行目\n2行目", "予告から来ました"]
WIDE_TEXTS = ["🎉おめでとう", "안녕하세요 みなさん", "Ａ＆Ｂ"]


def chat(no, text, thread="1300000001", mail="184", quote='"', extra=""):
    q = quote
    return (f"<chat thread={q}{thread}{q} no={q}{no}{q} vpos={q}{no * 317}{q} "
            f"date={q}{1262304000 + no * 61}{q} mail={q}{mail}{q} "
            f"user_id={q}u{no:05d}x{q} premium={q}{no % 2}{q}{extra}>{text}</chat>")


def packet(chats, thread="1300000001", server_time=1262400000, declaration=None, view=True, newline="\n"):
    head = f'<?xml version="1.0" encoding="{declaration}"?>' if declaration else ""
    parts = [head + "<packet>",
             f'<thread resultcode="0" thread="{thread}" last_res="{len(chats)}" ticket="0x1a2b3c" '
             f'revision="1" server_time="{server_time}"/>',
             f'<leaf thread="{thread}" count="{len(chats)}"/>']
    parts += chats
    if view:
        parts.append('<view_counter video="4242" mylist="17"/>')
    parts.append("</packet>")
    return newline.join(parts) + newline


def numbered(first, last, texts, **kw):
    return [chat(no, texts[no % len(texts)], **kw) for no in range(first, last + 1)]


def write(folder, name, data):
    path = HERE / ("seeds-comment_" + folder) / name
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)


def main():
    japanese = numbered(1, 8, TEXTS)
    everything = numbered(1, 6, TEXTS + WIDE_TEXTS)
    special = [
        chat(1, "&lt;b&gt;太字&lt;/b&gt; &amp; &quot;引用&quot; &apos;ソ&apos;", mail="shita red"),
        chat(2, "<![CDATA[<script>予]]&gt;]]>と&#x3042;&#12354;&#10;", quote="'", extra=" name='名無し \"さん\"'"),
        chat(3, "  前後に空白  ", mail="ue&#9;big"),
        chat(4, "<![CDATA[ ]]>"),
        '<chat thread="1300000001" no="5" vpos="0" date="1262304305" deleted="1"/>',
    ]
    write("reader", "utf8.xml", packet(everything, declaration="UTF-8", newline="\r\n").encode())
    write("reader", "utf8_bom.xml", b"\xef\xbb\xbf" + packet(everything).encode())
    write("reader", "utf8_references.xml", packet(special, declaration="utf-8", newline="\r\n").encode())
    write("reader", "utf16le.xml", b"\xff\xfe" + packet(everything, declaration="UTF-16").encode("utf-16-le"))
    write("reader", "utf16be.xml", b"\xfe\xff" + packet(everything, declaration="UTF-16").encode("utf-16-be"))
    write("reader", "shift_jis.xml", packet(japanese, declaration="Shift_JIS", newline="\r\n").encode("cp932"))
    write("reader", "euc_jp.xml", packet(japanese, declaration="EUC-JP").encode("euc_jp"))
    write("reader", "iso2022jp.xml", packet([c for c in japanese if "ｷ" not in c], declaration="ISO-2022-JP").encode("iso2022_jp"))
    write("reader", "latin1.xml", packet(numbered(1, 3, ["café", "naïve ©"]), declaration="ISO-8859-1")
          .encode("latin-1"))
    # More attributes than a tag usually has, and numbers at the edge of the range.
    extra = "".join(f' x{i}="{i}"' for i in range(40))
    write("reader", "many_attributes.xml", packet([chat(9223372036854775807, "最後の番号", extra=extra),
                                                   chat(1, "範囲外", extra=' date_usec="18446744073709551620"')])
          .encode())
    # Control characters as comments carry them: raw and as references, in
    # text and values, NUL among them.
    controls = [
        chat(1, "弾幕\x10ここ"),
        chat(2, "&#x10;&#0;\x01<![CDATA[\x1f]]>", mail="184\x0b", extra=' name="&#1;名無し"'),
        chat(3, "\x00生のNUL"),
    ]
    write("reader", "controls.xml", packet(controls, declaration="UTF-8").encode())
    write("reader", "controls_utf16.xml", b"\xff\xfe" + packet(controls, declaration="UTF-16").encode("utf-16-le"))
    # Past the first 4,096 bytes, where the encoding is read.
    write("reader", "utf8_long.xml", packet(numbered(1, 40, TEXTS + WIDE_TEXTS)).encode())

    older = packet(numbered(1, 6, TEXTS), server_time=1262400000).encode()
    newer_chats = numbered(4, 9, TEXTS)
    newer_chats[0] = chat(4, "削除されました")
    newer = packet(newer_chats, server_time=1262500000, newline="\r\n").encode()
    other = packet(numbered(3, 5, TEXTS, thread="1300000002"), thread="1300000002").encode()
    write("merge", "overlap.bin", b"\x00" + older + SEPARATOR + newer)
    write("merge", "listed_order.bin", b"\x02" + newer + SEPARATOR + older)
    write("merge", "encodings.bin", b"\x00" + packet(japanese, declaration="Shift_JIS").encode("cp932") + SEPARATOR
          + b"\xff\xfe" + packet(numbered(5, 10, TEXTS)).encode("utf-16-le"))
    write("merge", "references.bin", b"\x00" + packet(special, view=False).encode() + SEPARATOR + older)
    write("merge", "forced.bin", b"\x01" + older + SEPARATOR + other + SEPARATOR + newer)
    write("merge", "controls.bin", b"\x00" + packet(controls).encode() + SEPARATOR + older)


if __name__ == "__main__":
    main()
