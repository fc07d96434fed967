#!/usr/bin/env python3
"""Subtitle files made by `kometori-cli subtitles` under Wine, rendered over a
generated blank video by ffmpeg with libass, the library most players use;
the tests look at the pixels of single frames.

    python3 -m unittest -v test_render          (CTest runs this)
    python3 test_render.py --picture OUT.png    (the README's picture)
    python3 test_render.py --art-picture OUT.png    (the README's second picture)

KOMETORI_BUILD_DIR names the build folder (default: build beside the sources).
"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("KOMETORI_BUILD_DIR", SOURCE / "build"))
WIDTH, HEIGHT = 640, 360
FONT = "IPAPGothic"  # fonts-ipafont: found by Wine's GDI and by libass alike


def make_subtitles(folder, comments, *options):
    """Writes c.xml from (vpos, mail, text) and returns the c.ass that
    kometori-cli makes of it."""
    chats = "".join('<chat no="%d" vpos="%d" mail="%s">%s</chat>' % (i + 1, vpos, mail, text)
                    for i, (vpos, mail, text) in enumerate(comments))
    (folder / "c.xml").write_text('<?xml version="1.0" encoding="UTF-8"?><packet><thread thread="1"/>%s'
                                  '</packet>' % chats, encoding="utf-8")
    run = subprocess.run(["bash", str(SOURCE / "tests/tools/wine-run.sh"), str(BUILD / "kometori-cli.exe"),
                          "subtitles", "-y", *options, "c.xml"],
                         cwd=folder, stdin=subprocess.DEVNULL, capture_output=True)
    if run.returncode != 0:
        raise AssertionError("kometori-cli subtitles failed: %r" % run.stdout.decode("cp932", "replace"))
    return folder / "c.ass"


def render(ass, seconds, source="color=c=black", size=(WIDTH, HEIGHT), out=None, scale=None):
    """The frame at the time, as rows of RGB bytes, or a picture file."""
    w, h = size
    video = "%s%ss=%dx%d:r=25:d=%g" % (source, ":" if "=" in source else "=", w, h, seconds + 1)
    filters = "ass=%s" % ass.name + (",scale=%d:%d" % scale if scale else "")
    command = ["ffmpeg", "-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i", video, "-vf", filters,
               "-ss", "%g" % seconds, "-frames:v", "1"]
    if out:
        subprocess.run(command + ["-y", str(out)], cwd=ass.parent, check=True)
        return None
    raw = subprocess.run(command + ["-f", "rawvideo", "-pix_fmt", "rgb24", "-"], cwd=ass.parent,
                         capture_output=True, check=True).stdout
    return [raw[y * w * 3:(y + 1) * w * 3] for y in range(h)]


def spots(frame, test, rows=None):
    """(x, y) of the pixels that pass the colour test."""
    rows = rows if rows is not None else range(len(frame))
    found = []
    for y in rows:
        line = frame[y]
        for x in range(0, len(line) // 3):
            if test(line[3 * x], line[3 * x + 1], line[3 * x + 2]):
                found.append((x, y))
    return found


def red(r, g, b):
    return r > 200 and g < 60 and b < 60


def white(r, g, b):
    return r > 200 and g > 200 and b > 200


def yellow(r, g, b):
    return r > 200 and g > 200 and b < 60


def cyan(r, g, b):
    return r < 60 and g > 200 and b > 200


class RenderTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not shutil.which("ffmpeg"):
            raise AssertionError("ffmpeg is missing: bash tests/tools/install-deps.sh installs it")
        cls.temp = tempfile.TemporaryDirectory()
        folder = pathlib.Path(cls.temp.name)
        cls.ass = make_subtitles(folder, [
            (100, "ue red", "赤い上のコメント"),
            (800, "184", "流れるコメント"),
            (1500, "yellow", "同時のコメント一"),
            (1500, "cyan", "同時のコメント二"),
        ], "--width", str(WIDTH), "--height", str(HEIGHT), "--font", FONT)
        cls.line = round(HEIGHT * 0.0625)  # the medium size and lane height

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def test_red_top_comment_for_three_seconds(self):
        shown = spots(render(self.ass, 2.0), red)
        self.assertGreater(len(shown), 100)
        self.assertLess(max(y for _, y in shown), self.line + 4, "in the top row band")
        xs = [x for x, _ in shown]
        self.assertAlmostEqual((min(xs) + max(xs)) / 2, WIDTH / 2, delta=8, msg="centred")
        self.assertEqual(spots(render(self.ass, 5.0), red), [], "gone a second after its three seconds")

    def test_scrolling_comment_right_before_its_vpos_left_after(self):
        band = range(0, self.line + 4)
        before = spots(render(self.ass, 7.5), white, band)
        after = spots(render(self.ass, 10.0), white, band)
        self.assertTrue(before and after)
        self.assertGreater(min(x for x, _ in before), WIDTH / 2)
        self.assertLess(max(x for x, _ in after), WIDTH / 2)

    def test_comments_of_one_moment_in_different_rows(self):
        frame = render(self.ass, 15.0)
        first = {y for _, y in spots(frame, yellow)}
        second = {y for _, y in spots(frame, cyan)}
        self.assertTrue(first and second)
        self.assertLess(max(first), min(second), "the first from the top, the second below it")


class ArtRenderTest(unittest.TestCase):
    """Comment art on a 1280 x 720 stage: a small comment of 7 lines scrolling,
    a top block of 3 lines of different widths."""
    SIZE = (1280, 720)
    ART = ["■■■■■■■", "■", "■■■", "　■■", "■■■■■", "  ■■", "■■■■"]
    TOP = ["■■■■■■", "■■", "■■■■"]

    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory()
        cls.ass = make_subtitles(pathlib.Path(cls.temp.name), [
            (200, "small", "\n".join(cls.ART)),
            (600, "ue cyan", "\n".join(cls.TOP)),
        ], "--width", str(cls.SIZE[0]), "--height", str(cls.SIZE[1]), "--font", FONT)
        medium = round(cls.SIZE[1] * 0.0625)
        cls.art_line = round(round(medium * 0.6) * 10 / 18)  # small, resized as the site's player does
        cls.top_line = medium

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def left_edges(self, frame, test, lines, height):
        """The leftmost lit x of each line, in the middle half of its rows."""
        edges = []
        for k in range(lines):
            shown = spots(frame, test, range(k * height + height // 4, (k + 1) * height - height // 4))
            self.assertTrue(shown, "line %d drawn" % (k + 1))
            edges.append(min(x for x, _ in shown))
        return edges

    def test_seven_line_small_art_drawn_resized_lines_starting_together(self):
        frame = render(self.ass, 2.0, size=self.SIZE)
        shown = spots(frame, white)
        self.assertLess(max(y for _, y in shown), 7 * self.art_line + 4, "the block fits, at the resized size")
        self.assertGreater(max(y for _, y in shown), 6 * self.art_line, "seven lines of it")
        edges = self.left_edges(frame, white, 7, self.art_line)
        starts = [x for k, x in enumerate(edges) if k not in (3, 5)]
        self.assertLessEqual(max(starts) - min(starts), 2, edges)
        # The blanks that start the fourth and sixth lines are kept as drawn.
        self.assertAlmostEqual(edges[3] - edges[0], self.art_line, delta=4, msg=edges)
        self.assertGreater(edges[5] - edges[0], 3, "two spaces: %r" % edges)

    def test_top_block_centred_lines_aligned_left_inside_it(self):
        frame = render(self.ass, 7.0, size=self.SIZE)
        edges = self.left_edges(frame, cyan, 3, self.top_line)
        self.assertLessEqual(max(edges) - min(edges), 2, edges)
        xs = [x for x, _ in spots(frame, cyan, range(0, self.top_line))]  # the widest line
        self.assertAlmostEqual((min(xs) + max(xs)) / 2, self.SIZE[0] / 2, delta=12)
        second = [x for x, _ in spots(frame, cyan, range(self.top_line, 2 * self.top_line))]
        self.assertLess(max(second), self.SIZE[0] / 2, "the short line is not centred on its own")


def picture(out):
    """A frame of a test video with comments over it, for the README."""
    lines = [
        (100, "", "わこつ"), (140, "", "きたああああああ"), (170, "big", "神回確定"), (200, "", "ここすき"),
        (230, "green", "弾幕職人乙"), (260, "", "表示も予想どおり"), (330, "yellow", "888888888888"),
        (390, "pink", "うぽつ"), (460, "small", "初見です"),
        (420, "", "懐かしすぎる"), (440, "cyan", "ｗｗｗｗｗｗ"),
        (250, "shita orange", "下に固定されたコメント"), (300, "shita small", "shita small"), (400, "", "Ａ　Ａ\n（´・ω・｀）\n／　　＼"),
    ]
    with tempfile.TemporaryDirectory() as temp:
        ass = make_subtitles(pathlib.Path(temp), lines, "--font", FONT)
        render(ass, 4.6, source="gradients=c0=0x1d3557:c1=0x457b9d:c2=0x2a9d8f:nb_colors=3:speed=0.02", size=(1920, 1080), out=pathlib.Path(out).resolve(),
               scale=(960, 540))


def art_picture(out):
    """Comment art and repeats drawn once with their count, for the README."""
    heart = ["　■■■　■■■", "■■■■■■■■", "■■■■■■■■", "　■■■■■■", "　　■■■■", "　　　■■"]
    lines = [(200, "shita pink", "\n".join(heart))]
    lines += [(120 + 4 * i, "", "8888") for i in range(50)]
    lines += [(160 + 9 * i, "", "ｗｗｗ") for i in range(12)]
    lines += [(200, "pink", "かわいい"), (260, "", "ここすき"), (300, "yellow", "神回")]
    with tempfile.TemporaryDirectory() as temp:
        ass = make_subtitles(pathlib.Path(temp), lines, "--font", FONT, "--merge-repeats", "3")
        render(ass, 3.0, source="gradients=c0=0x264653:c1=0x2a9d8f:c2=0x6d597a:nb_colors=3:speed=0.02",
               size=(1920, 1080), out=pathlib.Path(out).resolve(), scale=(960, 540))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--picture":
        picture(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "--art-picture":
        art_picture(sys.argv[2])
    else:
        unittest.main()
