// One rule file against the text, subtitle and data exports.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>

#include "export/comment_text.h"
#include "export/data_export.h"
#include "ng/ng_rule_file.h"
#include "export/subtitle_export.h"
#include "infolog/info_log.h"
#include "jobs/conversion_job.h"
#include "support/codepage.h"
#include "testlib/temp_dir.h"

namespace {

class NgExportsTest : public ::testing::Test {
protected:
    NgExportsTest() {
        WriteFileBytes(comment,
                       u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1302222473\"/>"
                       u8"<chat no=\"1\" vpos=\"100\" user_id=\"u1\">わこつ</chat>"
                       u8"<chat no=\"2\" vpos=\"200\">ｗｗｗ</chat>"
                       u8"<chat no=\"3\" vpos=\"300\" user_id=\"Spam_42\">宣伝です</chat>"
                       u8"<chat no=\"4\" vpos=\"400\" mail=\"184 shita\">下コメ</chat>"
                       u8"<chat no=\"5\" vpos=\"500\">ソ表予</chat>"
                       u8"<chat no=\"6\" vpos=\"600\">予告編 한국어 😀</chat>"
                       u8"<chat no=\"7\" vpos=\"700\">8888</chat>"
                       u8"<chat no=\"8\" vpos=\"6000\">表示</chat></packet>");
        WriteFileBytes(rules, u8"# 除外\nWWW\nuser:Spam_42\nmail:shita\nre:^8+$\ntime:0:59-1:01\n");
        subtitles.StageHeight = 1080;
        subtitles.FontName = "Kometori Test Missing Font";
    }
    NgFilter Filter() {
        NgRuleSet set;
        EXPECT_TRUE(LoadNgRules(AnsiToWide(rules), set));
        return NgFilter(std::move(set));
    }
    // The numbers of the comments a file shows, found by their texts.
    std::set<int> Shown(const std::string& file) {
        const std::string bytes = ReadFileBytes(file);
        const char* texts[] = {u8"わこつ", u8"ｗｗｗ", u8"宣伝です", u8"下コメ",
                               u8"ソ表予", u8"予告編", "8888",       u8"表示"};
        std::set<int> shown;
        for (int no = 1; no <= 8; ++no) {
            if (bytes.find(texts[no - 1]) != std::string::npos) shown.insert(no);
        }
        return shown;
    }

    TempDir dir;
    std::string comment = dir.File("ソ表予.xml");
    std::string rules = dir.File("Kometori-ng.txt");
    SubtitleSettings subtitles;
    const ProgramIdentity program{"Kometori", "1.32", "Kometori.ini"};
    LineCapture log;
};

TEST_F(NgExportsTest, TheSameCommentsSurviveEveryExport) {
    const std::set<int> survivors{1, 5, 6};
    NgFilter text = Filter();
    const bool utf8 = true;  // so that the texts are found as UTF-8
    ASSERT_TRUE(ExportCommentText("%comment%", AnsiToWide(comment), dir.File(L"c.txt"), nullptr, &text, &utf8));
    EXPECT_EQ(Shown(dir.File("c.txt")), survivors);
    EXPECT_EQ(text.Excluded(), 5u);

    NgFilter subtitle = Filter();
    SubtitleSummary summary;
    ASSERT_TRUE(
        ExportSubtitles(subtitles, program, AnsiToWide(comment), dir.File(L"c.ass"), nullptr, &summary, &subtitle));
    EXPECT_EQ(Shown(dir.File("c.ass")), survivors);  // not even as Comment lines
    EXPECT_EQ(summary.excluded, 5u);
    EXPECT_EQ(summary.shown, 3u);

    NgFilter data = Filter();
    DataExportOptions options;
    options.inputs = {AnsiToWide(comment)};
    options.output = AnsiToWide(dir.File("c.jsonl"));
    DataExportSummary exported;
    ASSERT_TRUE(ExportCommentData(options, &data, nullptr, &exported));
    EXPECT_EQ(Shown(dir.File("c.jsonl")), survivors);
    EXPECT_EQ(exported.exported, 3u);
    EXPECT_EQ(exported.excluded, 5u);
    for (std::size_t rule = 0; rule < 5; ++rule) EXPECT_EQ(data.Hits(rule), 1u) << rule;
}

TEST_F(NgExportsTest, LogLinesOfTheRulesAndOfAFileThatDoesNotLoad) {
    ConversionRequest request;
    request.commentPath = AnsiToWide(comment);
    request.textPath = dir.File(L"c.txt");
    request.format = "%no%";
    request.batch = true;
    request.ng = NgChoice{true, AnsiToWide(rules)};
    WriteFileBytes(rules, u8"ｗｗｗ\nre:^8+$\nre:(ソ|表)\nre:表\n");
    ASSERT_TRUE(RunConversionJob(request));
    EXPECT_EQ(ReadFileBytes(request.textPath), "1\r\n3\r\n4\r\n6\r\n");
    std::vector<std::string> lines = log.Lines();
    // Most first; the comment both patterns could hide counts for the first.
    const std::vector<std::string> tail(std::find(lines.begin(), lines.end(), "Save Text"), lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Save Text", "NG: 4 件を除外しました", "  2 件: re:(ソ|表)",
                                              "  1 件: ｗｗｗ", "  1 件: re:^8+$", ""}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "NG = " + rules), lines.end());

    const struct {
        std::string file;  // empty: no rule file at all
        std::string second;
    } failures[] = {{u8"ｗｗｗ\n\nre:[予\n", "3 行目: re:[予 (正規表現が正しくありません: "},
                    {"", "ファイルを読めません: " + rules + " (2)"}};
    for (const auto& [file, second] : failures) {
        log.Clear();
        if (file.empty()) {
            ::DeleteFileA(rules.c_str());
        } else {
            WriteFileBytes(rules, file);
        }
        request.textPath = dir.File(file.empty() ? L"missing.txt" : L"bad.txt");
        EXPECT_FALSE(RunConversionJob(request));
        EXPECT_FALSE(FileExists(request.textPath));  // nothing written
        lines = log.Lines();
        const auto at = std::find(lines.begin(), lines.end(), "◆NGルールの読み込みに失敗しました");
        ASSERT_NE(at, lines.end());
        ASSERT_NE(at + 1, lines.end());
        EXPECT_EQ(at[1].substr(0, second.size()), second);
        EXPECT_EQ(lines.back(), "◆テキスト変換処理中にエラーが発生しました");
    }
}

TEST_F(NgExportsTest, ExcludeIsOneMorePatternForSubtitles) {
    subtitles.Exclude = "^ソ";
    std::optional<NgFilter> filter;
    ASSERT_TRUE(PrepareNgFilter(NgChoice{true, AnsiToWide(rules)}, filter));
    SubtitleSummary summary;
    ASSERT_TRUE(
        ExportSubtitles(subtitles, program, AnsiToWide(comment), dir.File(L"c.ass"), nullptr, &summary, &*filter));
    EXPECT_EQ(summary.excluded, 6u);
    EXPECT_EQ(Shown(dir.File("c.ass")), (std::set<int>{1, 6}));
    LogNgSummary(*filter);
    const std::vector<std::string> lines = log.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  1 件: Exclude=^ソ"), lines.end());

    // Without the rules the pattern works alone, as it always has.
    ASSERT_TRUE(ExportSubtitles(subtitles, program, AnsiToWide(comment), dir.File(L"c.ass"), nullptr, &summary));
    EXPECT_EQ(summary.excluded, 1u);
    EXPECT_EQ(Shown(dir.File("c.ass")), (std::set<int>{1, 2, 3, 4, 6, 7, 8}));
}

TEST_F(NgExportsTest, DataExportNeverCostsAFile) {
    DataExportOptions options;
    options.inputs = {AnsiToWide(comment)};
    options.output = AnsiToWide(comment);  // the comment file itself
    const std::string before = ReadFileBytes(comment);
    EXPECT_FALSE(ExportCommentData(options));
    EXPECT_EQ(ReadFileBytes(comment), before);

    const std::string out = dir.File("c.csv");
    WriteFileBytes(out, "keep");
    const std::string broken = dir.File("broken.xml");
    WriteFileBytes(broken, "<packet><chat no=\"9\">");
    options.inputs = {AnsiToWide(comment), AnsiToWide(broken)};
    options.output = AnsiToWide(out);
    options.format = DataFormat::Csv;
    EXPECT_FALSE(ExportCommentData(options));
    EXPECT_EQ(ReadFileBytes(out), "keep");
    EXPECT_FALSE(FileExists(out + ".manifest.json"));
    EXPECT_EQ(ListFolder(dir.Path()).size(), 4u);  // no temporary file left
}

}  // namespace
