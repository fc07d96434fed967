#include "export/subtitle_export.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <vector>

#include "export/text_measure.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "testlib/temp_dir.h"

namespace {

// A font no system has: widths are estimated, so the bytes are known here
// (full-width characters as wide as the size, others half).
const char kMissingFont[] = "Kometori Test Missing Font";

class SubtitleExportTest : public ::testing::Test {
protected:
    SubtitleExportTest() {
        options.StageWidth = 1000;
        options.StageHeight = 300;
        options.FontName = kMissingFont;
        options.FontSize = 1000;  // 10%: 30 px
        options.MinGap = 10;
    }
    bool Export() { return ExportSubtitles(options, program, AnsiToWide(comment), AnsiToWide(ass), nullptr, &summary); }
    std::string Events() {
        const std::string bytes = ReadFileBytes(ass);
        return bytes.substr(bytes.find("Format: Layer"));
    }

    // Each event as "D 00:01.00-00:05.00 text" or "C reason 00:01.00-00:05.00 text",
    // with " fsN" after the times when the event sets its size.
    std::vector<std::string> Brief() {
        std::vector<std::string> brief;
        std::istringstream lines(Events());
        std::string line;
        std::getline(lines, line);  // the Format line
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::vector<std::string> fields;
            std::size_t at = line.find(": ") + 2;
            for (int i = 0; i < 9; ++i) {
                const std::size_t comma = line.find(',', at);
                fields.push_back(line.substr(at, comma - at));
                at = comma + 1;
            }
            const std::string text = line.substr(at);
            std::string entry =
                line[0] == 'D' ? "D " : "C " + (fields[4].empty() ? std::string("full") : fields[4]) + " ";
            entry += fields[1].substr(2) + "-" + fields[2].substr(2);
            const std::size_t fs = text.find("\\fs");
            if (fs != std::string::npos) entry += " fs" + text.substr(fs + 3, text.find('\\', fs + 1) - fs - 3);
            brief.push_back(entry + " " + text.substr(text.find('}') + 1));
        }
        return brief;
    }
    // A comment file of the chats (vpos, mail, text) in the site's shape.
    struct Chat {
        long long vpos;
        const char* mail;
        const char* text;
    };
    void WriteChats(const std::vector<Chat>& chats) {
        std::string xml = u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1\"/>";
        int no = 0;
        for (const Chat& c : chats) {
            xml += "<chat thread=\"1\" no=\"" + std::to_string(++no) + "\" vpos=\"" + std::to_string(c.vpos) +
                   "\" mail=\"" + c.mail + "\" user_id=\"u" + std::to_string(no) + "\">" + c.text + "</chat>";
        }
        WriteFileBytes(comment, xml + "</packet>");
    }

    TempDir dir;
    std::string comment = dir.File("ソ表.xml");
    std::string ass = dir.File("ソ表.ass");
    SubtitleSettings options;
    ProgramIdentity program{"Kometori", "1.32", "Kometori.ini"};
    SubtitleSummary summary;
    LineCapture log;
};

TEST_F(SubtitleExportTest, WholeFile) {
    WriteFileBytes(comment,
                   u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1\"/>"
                   u8"<chat no=\"1\" vpos=\"100\" mail=\"184\">わこつ</chat>"
                   u8"<chat no=\"2\" vpos=\"100\" mail=\"ue red big\">{上}</chat>"
                   u8"<chat no=\"3\" vpos=\"90\">\nAA\r\nBB\n</chat>"
                   u8"<chat no=\"4\">vpos がない</chat>"
                   u8"<chat no=\"5\" vpos=\"200\">spam spam</chat>"
                   u8"<chat no=\"6\" vpos=\"100\" mail=\"shita black small\"> x </chat>"
                   u8"<chat no=\"7\" vpos=\"18446744073709551620\">範囲外</chat>"
                   u8"<view_counter video=\"0\"/></packet>");
    options.Exclude = "^spam";
    ASSERT_TRUE(Export());
    const std::string expected =
        u8"\xEF\xBB\xBF[Script Info]\r\n"
        u8"; Kometori 1.32: comments over the video\r\n"
        u8"; Kometori.ini [subtitle]\r\n"
        u8"; StageWidth=1000\r\n; StageHeight=300\r\n; FontName=Kometori Test Missing Font\r\n; FontSize=10\r\n"
        u8"; BigScale=1.5\r\n; SmallScale=0.6\r\n; Opacity=100\r\n; ScrollTime=4\r\n; FixedTime=3\r\n"
        u8"; ScrollArea=100\r\n; ReservedBottom=0\r\n; MinGap=10\r\n; OverlayWhenFull=0\r\n; Exclude=^spam\r\n"
        u8"ScriptType: v4.00+\r\nPlayResX: 1000\r\nPlayResY: 300\r\nScaledBorderAndShadow: yes\r\nWrapStyle: 2\r\n"
        u8"YCbCr Matrix: None\r\n\r\n"
        u8"[V4+ Styles]\r\n"
        u8"Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
        u8"Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
        u8"MarginL, MarginR, MarginV, Encoding\r\n"
        u8"Style: Kometori,Kometori Test Missing Font,30,&H00FFFFFF,&H00FFFFFF,&H00000000,&H00000000,0,0,0,0,100,"
        u8"100,0,0,1,1,1,7,0,0,0,1\r\n\r\n"
        u8"[Events]\r\n"
        u8"Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
        // Entered before the video starts: it stands where it would be at 0.
        u8"Dialogue: 0,0:00:00.00,0:00:03.90,Kometori,,0,0,0,,"
        u8"{\\an7\\move(975,0,-30,0)\\c&HFFFFFF&\\3c&H000000&\\4c&H000000&}AA\\NBB\r\n"
        u8"Dialogue: 0,0:00:00.00,0:00:04.00,Kometori,,0,0,0,,"
        u8"{\\an7\\move(1000,60,-90,60)\\c&HFFFFFF&\\3c&H000000&\\4c&H000000&}わこつ\r\n"
        u8"Dialogue: 1,0:00:01.00,0:00:04.00,Kometori,,0,0,0,,"
        u8"{\\an8\\pos(500,0)\\fs45\\c&H0000FF&\\3c&H000000&\\4c&H000000&}｛上｝\r\n"
        u8"Dialogue: 1,0:00:01.00,0:00:04.00,Kometori,,0,0,0,,"
        u8"{\\an8\\pos(500,282)\\fs18\\c&H000000&\\3c&HFFFFFF&\\4c&HFFFFFF&}\\hx\\h\r\n";
    EXPECT_EQ(ReadFileBytes(ass), expected);
    EXPECT_EQ(summary.comments, 7u);
    EXPECT_EQ(summary.shown, 4u);
    EXPECT_EQ(summary.unreadable, 2u);
    EXPECT_EQ(summary.excluded, 1u);
    EXPECT_FALSE(summary.fontFound);
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "※フォント「Kometori Test Missing Font」が見つからないため、文字の幅を推定します");
    EXPECT_EQ(lines[1],
              "字幕 4件 (重ねて表示 0件)、画面が一杯で省略 0件、上限を超えて省略 0件、重複をまとめて省略 0件、"
              "開始前で省略 0件、非表示 0件、削除 0件、空白 0件、読めずに省略 2件、除外 1件");
    EXPECT_EQ(lines[2], "Save ASS");

    ASSERT_TRUE(Export());
    EXPECT_EQ(ReadFileBytes(ass), expected) << "the same input and options give the same bytes";
}

TEST_F(SubtitleExportTest, FullStageLeavesOutOrOverlays) {
    WriteFileBytes(comment,
                   "<packet><chat vpos=\"100\">aaaaaaaaaa</chat><chat vpos=\"100\">b</chat>"
                   "<chat vpos=\"100\">c</chat></packet>");
    options.StageHeight = 60;
    options.FontSize = 5000;  // 30 px: two lanes
    ASSERT_TRUE(Export());
    EXPECT_EQ(summary.leftOut, 1u);
    EXPECT_NE(Events().find("\r\nComment: 0,0:00:00.00,0:00:04.00,Kometori,,0,0,0,,{\\c&HFFFFFF&\\3c&H000000&"
                            "\\4c&H000000&}c\r\n"),
              std::string::npos)
        << Events();
    EXPECT_EQ(log.Lines().at(1),
              "字幕 2件 (重ねて表示 0件)、画面が一杯で省略 1件、上限を超えて省略 0件、"
              "重複をまとめて省略 0件、開始前で省略 0件、非表示 0件、削除 0件、空白 0件、"
              "読めずに省略 0件、除外 0件");

    options.OverlayWhenFull = 1;
    ASSERT_TRUE(Export());
    EXPECT_EQ(summary.overlaid, 1u);
    EXPECT_EQ(summary.leftOut, 0u);
    // Over "b", which lets a follower in sooner than the long "aaa...".
    EXPECT_NE(Events().find("{\\an7\\move(1000,30,-15,30)\\c&HFFFFFF&\\3c&H000000&\\4c&H000000&}c\r\n"),
              std::string::npos)
        << Events();
}

TEST_F(SubtitleExportTest, ReservedBottomScrollAreaAndOpacity) {
    WriteFileBytes(comment,
                   "<packet><chat vpos=\"0\" mail=\"shita\">a</chat><chat vpos=\"0\">b</chat>"
                   "<chat vpos=\"0\">c</chat><chat vpos=\"0\">d</chat></packet>");
    options.ReservedBottom = 50;  // rows 150 to 300 stay free
    options.ScrollArea = 20;      // scrolling comments in rows 0 to 60: two lanes
    options.Opacity = 50;
    ASSERT_TRUE(Export());
    const std::string events = Events();
    EXPECT_NE(events.find("\\pos(500,120)"), std::string::npos) << events;
    EXPECT_NE(events.find(",-15,0)"), std::string::npos) << events;
    EXPECT_NE(events.find(",-15,30)"), std::string::npos) << events;
    EXPECT_EQ(summary.leftOut, 1u);
    EXPECT_NE(ReadFileBytes(ass).find("Style: Kometori,Kometori Test Missing Font,30,&H80FFFFFF,&H80FFFFFF,"
                                      "&H80000000,&H80000000,"),
              std::string::npos);
}

TEST_F(SubtitleExportTest, RefusalsLeaveAnExistingFileAlone) {
    WriteFileBytes(ass, "keep");
    comment = dir.File("missing.xml");
    EXPECT_FALSE(Export());
    EXPECT_EQ(log.Lines().back(), "◆コメントファイルを読み込めません: " + comment + " (ファイルを開けません (2))");

    comment = dir.File("empty.xml");
    WriteFileBytes(comment, "<packet><thread/></packet>");
    EXPECT_FALSE(Export());
    EXPECT_EQ(log.Lines().back(), "コメントデータが存在しません");

    WriteFileBytes(comment, "<packet><chat vpos=\"1\">a</chat></packet>");
    options.Exclude = "(unclosed";
    EXPECT_FALSE(Export());
    EXPECT_EQ(log.Lines().back().rfind("除外する正規表現が正しくありません : Exclude=(unclosed (", 0), 0u);
    EXPECT_EQ(ReadFileBytes(ass), "keep");

    options.Exclude.clear();
    EXPECT_FALSE(ExportSubtitles(options, program, AnsiToWide(comment), AnsiToWide(comment)));
    EXPECT_EQ(log.Lines().back(), "Error : the subtitle file is the comment file " + comment);
    EXPECT_EQ(ReadFileBytes(comment), "<packet><chat vpos=\"1\">a</chat></packet>");
}

// Placeholders of deleted comments take no lane: the visible comments'
// events are those of the same file without them.
TEST_F(SubtitleExportTest, DeletedPlaceholdersTakeNoLane) {
    const std::string visible[] = {
        u8"<chat thread=\"1\" no=\"1\" vpos=\"100\" user_id=\"a\">わこつ</chat>",
        u8"<chat thread=\"1\" no=\"3\" vpos=\"110\" user_id=\"b\">きたああああ</chat>",
        u8"<chat thread=\"1\" no=\"5\" vpos=\"120\" mail=\"ue\" user_id=\"c\">上</chat>",
        u8"<chat thread=\"1\" no=\"6\" vpos=\"130\" user_id=\"d\">ソ表予</chat>",
    };
    const std::string placeholders[] = {
        "<chat thread=\"1\" no=\"2\" vpos=\"105\" deleted=\"1\"/>",
        u8"<chat thread=\"1\" no=\"4\" vpos=\"115\" mail=\"ue\" deleted=\"2\" user_id=\"e\">消えた</chat>",
        "<chat thread=\"1\" no=\"7\" deleted=\"1\"></chat>",  // no vpos: not written
    };
    WriteFileBytes(comment, "<packet>" + visible[0] + visible[1] + visible[2] + visible[3] + "</packet>");
    ASSERT_TRUE(Export());
    const std::vector<std::string> without = Brief();
    const std::string withoutEvents = Events();
    WriteFileBytes(comment, "<packet>" + visible[0] + placeholders[0] + visible[1] + placeholders[1] + visible[2] +
                                visible[3] + placeholders[2] + "</packet>");
    log.Clear();
    ASSERT_TRUE(Export());
    EXPECT_EQ(Brief(), (std::vector<std::string>{without[0], "C deleted 00:00.05-00:04.05 ", without[1],
                                                 u8"C deleted 00:01.15-00:04.15 消えた", without[2], without[3]}));
    std::string drawn = Events();
    for (std::size_t at; (at = drawn.find("Comment: ")) != std::string::npos;)
        drawn.erase(at, drawn.find('\n', at) + 1 - at);
    EXPECT_EQ(drawn, withoutEvents) << "the same lanes and bytes for the visible comments";
    EXPECT_EQ(summary.shown, 4u);
    EXPECT_EQ(summary.deleted, 3u);
    EXPECT_EQ(log.Lines().at(1),
              "字幕 4件 (重ねて表示 0件)、画面が一杯で省略 0件、上限を超えて省略 0件、"
              "重複をまとめて省略 0件、開始前で省略 0件、非表示 0件、削除 3件、空白 0件、"
              "読めずに省略 0件、除外 0件");
}

// The options and the mail commands against the events they make.
TEST_F(SubtitleExportTest, OptionsAndCommandsTable) {
    const struct Case {
        const char* name;
        std::function<void(SubtitleSettings&)> set;
        std::vector<Chat> chats;
        std::vector<std::string> events;
    } cases[] = {
        {"repeats within the window of the first, texts folded",
         [](SubtitleSettings& o) { o.MergeRepeats = 300; },
         {{100, "", "8888"},
          {150, "", u8"８８８８"},
          {200, "", "abc"},
          {250, "red", u8"ＡＢＣ"},
          {400, "", "8888"},
          {401, "", "8888"},
          {500, "", u8"ｶﾞｯ"},
          {600, "", u8"ガッ"}},
         {u8"D 00:00.00-00:04.00 8888 ×3", u8"C merged 00:00.50-00:04.50 ８８８８", u8"D 00:01.00-00:05.00 abc ×2",
          u8"C merged 00:01.50-00:05.50 ＡＢＣ", "C merged 00:03.00-00:07.00 8888", "D 00:03.01-00:07.01 8888",
          u8"D 00:04.00-00:08.00 ｶﾞｯ ×2", u8"C merged 00:05.00-00:09.00 ガッ"}},
        {"an offset later",
         [](SubtitleSettings& o) { o.Offset = 150; },
         {{100, "", "a"}, {200, "ue", "b"}},
         {"D 00:01.50-00:05.50 a", "D 00:03.50-00:06.50 b"}},
        {"an offset earlier: what falls before the start is left out",
         [](SubtitleSettings& o) { o.Offset = -200; },
         {{100, "", "a"}, {300, "", "b"}, {150, "ue", "c"}},
         {"C before-start 00:00.00-00:02.00 a", "C before-start 00:00.00-00:02.50 c", "D 00:00.00-00:04.00 b"}},
        {"a map of three pieces replaces the offset",
         [](SubtitleSettings& o) { o.Offset = 900, o.OffsetMap = "0:10=+2, 0:20=-1,0:30=0.5"; },
         {{500, "", "a"}, {1500, "", "b"}, {2500, "", "c"}, {3500, "", "d"}},
         {"D 00:04.00-00:08.00 a", "D 00:16.00-00:20.00 b", "D 00:23.00-00:27.00 c", "D 00:34.50-00:38.50 d"}},
        {"a cap of two, a fixed comment starting within a scrolling one's time",
         [](SubtitleSettings& o) { o.MaxOnScreen = 2; },
         {{100, "", "a"}, {200, "ue", "b"}, {250, "", "c"}, {500, "", "d"}},
         {"D 00:00.00-00:04.00 a", "D 00:02.00-00:05.00 b", "C over-cap 00:01.50-00:05.50 c", "D 00:04.00-00:08.00 d"}},
        {"@N: fixed for N seconds, crossing in N; outside 1 to 60 ignored",
         [](SubtitleSettings&) {},
         {{100, "ue @2", "x"}, {800, "@8", "y"}, {1000, "@0.5", "z"}, {1100, "shita @61", "w"}},
         {"D 00:01.00-00:03.00 x", "D 00:06.00-00:14.00 y", "D 00:09.00-00:13.00 z", "D 00:11.00-00:14.00 w"}},
        {"invisible, deleted and blank comments drawn nothing",
         [](SubtitleSettings&) {},
         {{100, "invisible", "i"}, {200, "", u8"\u3000 \u3000"}, {300, "ue", "\n\n"}, {400, "", "a"}},
         {"C invisible 00:00.00-00:04.00 i", u8"C blank 00:01.00-00:05.00 \u3000 \u3000", "C blank 00:03.00-00:06.00 ",
          "D 00:03.00-00:07.00 a"}},
        {"art drawn at the resized size unless ender",
         [](SubtitleSettings&) {},
         {{100, "", "1\n2\n3\n4"},
          {600, "", "1\n2\n3\n4\n5"},
          {1100, "ender", "1\n2\n3\n4\n5"},
          {1600, "small", "1\n2\n3\n4\n5\n6"},
          {2100, "small", "1\n2\n3\n4\n5\n6\n7"},
          {2600, "big", "1\n2"},
          {3100, "big ue", "1\n2\n3"}},
         {"D 00:00.00-00:04.00 1\\N2\\N3\\N4", "D 00:05.00-00:09.00 fs16 1\\N2\\N3\\N4\\N5",
          "D 00:10.00-00:14.00 1\\N2\\N3\\N4\\N5", "D 00:15.00-00:19.00 fs18 1\\N2\\N3\\N4\\N5\\N6",
          "D 00:20.00-00:24.00 fs10 1\\N2\\N3\\N4\\N5\\N6\\N7", "D 00:25.00-00:29.00 fs45 1\\N2",
          "D 00:31.00-00:34.00 fs23 1\\N2\\N3"}},
    };
    for (const Case& c : cases) {
        options = SubtitleSettings();
        options.StageWidth = 1000;
        options.StageHeight = 300;
        options.FontName = kMissingFont;
        options.FontSize = 1000;
        c.set(options);
        WriteChats(c.chats);
        ASSERT_TRUE(Export()) << c.name;
        EXPECT_EQ(Brief(), c.events) << c.name;
    }
    // The options a file was made with, the new ones only when set.
    EXPECT_EQ(ReadFileBytes(ass).find("; MergeRepeats="), std::string::npos);
    options.MergeRepeats = 250;
    options.OffsetMap = "1:00=-0.5";
    ASSERT_TRUE(Export());
    EXPECT_NE(ReadFileBytes(ass).find("; Exclude=\r\n; MergeRepeats=2.5\r\n; OffsetMap=1:00=-0.5\r\n"),
              std::string::npos);
    EXPECT_EQ(log.Lines().back(), "Save ASS");
}

TEST_F(SubtitleExportTest, ArtIsABlockWithItsLeftEdgesTogether) {
    // Full-width characters estimated as wide as the size: the widest line 90 of 1000.
    WriteChats({{100, "ue", u8"ああ\n　あ\nあああ"}, {100, "shita", "one line"}, {300, "", u8"あ\n　あ"}});
    ASSERT_TRUE(Export());
    const std::string events = Events();
    EXPECT_NE(events.find(u8"{\\an7\\pos(455,0)\\c&HFFFFFF&\\3c&H000000&\\4c&H000000&}ああ\\N　あ\\Nあああ\r\n"),
              std::string::npos)
        << events;
    EXPECT_NE(events.find("{\\an8\\pos(500,270)"), std::string::npos) << "one line centred as before";
    EXPECT_NE(events.find(u8"{\\an7\\move(1000,0,-60,0)\\c&HFFFFFF&\\3c&H000000&\\4c&H000000&}あ\\N　あ\r\n"),
              std::string::npos)
        << events;
}

TEST_F(SubtitleExportTest, CapHoldsAtEveryMoment) {
    std::vector<Chat> chats;
    const char* mails[] = {"", "ue", "shita", "@7", "ue @1.5", "", "big", "@2"};
    unsigned seed = 28;
    for (int i = 0; i < 400; ++i) {
        seed = seed * 1103515245 + 12345;
        chats.push_back({static_cast<long long>(seed >> 8) % 6000, mails[i % 8], u8"表示"});
    }
    WriteChats(chats);
    options.MaxOnScreen = 7;
    options.OverlayWhenFull = 1;
    ASSERT_TRUE(Export());
    std::vector<std::pair<std::string, std::string>> drawn;
    for (const std::string& e : Brief()) {
        if (e[0] == 'D') drawn.emplace_back(e.substr(2, 8), e.substr(11, 8));
    }
    for (const auto& at : drawn) {
        int count = 0;
        for (const auto& d : drawn) count += d.first <= at.first && at.first < d.second;
        ASSERT_LE(count, 7) << "at " << at.first;
    }
    EXPECT_GT(summary.overCap, 100u);
    EXPECT_EQ(summary.shown + summary.overCap, 400u);
}

TEST(TextMeasure, InstalledFontIsMeasuredMissingOneEstimated) {
    const auto width = [](TextMeasure& measure, const char* line, int size) {
        std::string text;
        return WidthAtSize(AppendAssText(line, text, &measure).widest, size);
    };
    TextMeasure ipa("IPAPGothic");  // fonts-ipafont, which the test machine has
    ASSERT_TRUE(ipa.FontFound());
    EXPECT_GT(width(ipa, "WWWW", 100), width(ipa, "iiii", 100) * 2) << "a proportional font";
    // The size is the cell height, leading included: a little more than the characters' width.
    const int kanji = width(ipa, u8"漢字", 100);
    EXPECT_TRUE(kanji >= 170 && kanji <= 200) << kanji;

    TextMeasure missing(kMissingFont);
    EXPECT_FALSE(missing.FontFound());
    EXPECT_EQ(width(missing, u8"あいうab", 30), 120);
    // Ambiguous width (○ ♪ ① § Α Ж × ─) full width as Japanese fonts draw them;
    // accented Latin letters and marks half as before.
    EXPECT_EQ(width(missing, u8"○♪①§ΑЖ×─", 30), 240);
    EXPECT_EQ(width(missing, u8"a\u00A0\u00E9e\u0301", 30), 75);
}

}  // namespace
