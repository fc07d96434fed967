#include "export/subtitle_export.h"

#include <gtest/gtest.h>

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

    TempDir dir;
    std::string comment = dir.File("ソ表.xml");
    std::string ass = dir.File("ソ表.ass");
    SubtitleSettings options;
    ProgramIdentity program{"Kometori", "1.32", "Kometori.ini"};
    SubtitleSummary summary;
    LineCapture log;
};

TEST_F(SubtitleExportTest, WholeFile) {
    WriteFileBytes(comment, u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1\"/>"
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
        u8"{\\an8\\pos(500,282)\\fs18\\c&H000000&\\3c&HFFFFFF&\\4c&HFFFFFF&} x \r\n";
    EXPECT_EQ(ReadFileBytes(ass), expected);
    EXPECT_EQ(summary.comments, 7u);
    EXPECT_EQ(summary.shown, 4u);
    EXPECT_EQ(summary.unreadable, 2u);
    EXPECT_EQ(summary.excluded, 1u);
    EXPECT_FALSE(summary.fontFound);
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "※フォント「Kometori Test Missing Font」が見つからないため、文字の幅を推定します");
    EXPECT_EQ(lines[1], "字幕 4件 (重ねて表示 0件)、画面が一杯で省略 0件、読めずに省略 2件、除外 1件");
    EXPECT_EQ(lines[2], "Save ASS");

    ASSERT_TRUE(Export());
    EXPECT_EQ(ReadFileBytes(ass), expected) << "the same input and options give the same bytes";
}

TEST_F(SubtitleExportTest, FullStageLeavesOutOrOverlays) {
    WriteFileBytes(comment, "<packet><chat vpos=\"100\">aaaaaaaaaa</chat><chat vpos=\"100\">b</chat>"
                            "<chat vpos=\"100\">c</chat></packet>");
    options.StageHeight = 60;
    options.FontSize = 5000;  // 30 px: two lanes
    ASSERT_TRUE(Export());
    EXPECT_EQ(summary.leftOut, 1u);
    EXPECT_NE(Events().find("\r\nComment: 0,0:00:00.00,0:00:04.00,Kometori,,0,0,0,,{\\c&HFFFFFF&\\3c&H000000&"
                            "\\4c&H000000&}c\r\n"),
              std::string::npos)
        << Events();
    EXPECT_EQ(log.Lines().at(1), "字幕 2件 (重ねて表示 0件)、画面が一杯で省略 1件、読めずに省略 0件、除外 0件");

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
    WriteFileBytes(comment, "<packet><chat vpos=\"0\" mail=\"shita\">a</chat><chat vpos=\"0\">b</chat>"
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
    EXPECT_EQ(log.Lines().back(), "◆コメントファイルを読み込めません: " + comment + " (cannot open the file (2))");

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
}

}  // namespace
