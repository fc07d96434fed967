// The viewer's model without its window: the comments kept as the reader gave
// them, the list's orders, the curve the console's graph draws, the search
// and the texts of the cells and the clipboard.
#include "viewer/comment_table.h"

#include <gtest/gtest.h>

#include "viewer/comment_cells.h"
#include "comments/comment_reader.h"
#include "viewer/comment_search.h"
#include "export/graph_export.h"
#include "support/codepage.h"
#include "testlib/temp_dir.h"
#include "testlib/time_zone.h"
#include "testlib/viewer_thread.h"

namespace {

// Outside the test macros, which cannot take emoji or Hangul.
const char kTrailer[] = u8"予告😀";
const char kHangulUser[] = u8"한글유저";

std::wstring Wide(const char* utf8) { return Utf8ToWide(utf8); }

class CommentTableTest : public ::testing::Test {
protected:
    bool Load(const std::string& xml, const TableLoad& load = {}) {
        CommentReader reader;
        EXPECT_TRUE(reader.OpenText(xml));
        table = CommentTable();
        return LoadCommentTable(reader, load, table, reading, error);
    }

    JapanTimeZone zone;
    CommentTable table;
    TableReading reading;
    std::string error;
};

TEST_F(CommentTableTest, KeepsEachCommentAsTheReaderGaveIt) {
    ASSERT_TRUE(Load(kViewerThread)) << error;
    ASSERT_EQ(table.Size(), 7u);
    EXPECT_EQ(reading.comments, 7u);
    EXPECT_EQ(table.Text(3), Wide(kTrailer));
    EXPECT_EQ(table.UserId(3), kHangulUser);
    EXPECT_EQ(table.Mail(1), "shita red");
    EXPECT_EQ(table.Text(5), Wide(u8"最後はWWW\t\"引用\"\n二行目"));
    EXPECT_EQ(table.At(1).position, CommentPosition::Bottom);
    EXPECT_EQ(table.At(3).position, CommentPosition::Top);
    EXPECT_FALSE(table.At(4).Has(TableComment::kHasVpos));
    EXPECT_TRUE(table.At(4).Has(TableComment::kHasNo | TableComment::kHasDate));
    // Each folded text ends in a NUL, so no match runs into the next comment.
    EXPECT_EQ(table.FoldedTexts().substr(table.At(2).foldedAt, 7), Wide(u8"www表示ソ") + L'\0');
    EXPECT_EQ(table.CommentAtFolded(table.At(2).foldedAt + 3), 2u);

    EXPECT_FALSE(Load("<packet><chat vpos=\"1\">閉じていない</packet>"));
    EXPECT_FALSE(error.empty());
}

TEST_F(CommentTableTest, OrdersPutCommentsWithoutTheValueLastAndTiesInFileOrder) {
    ASSERT_TRUE(Load(kViewerThread));
    const CommentOrders orders = OrderComments(table);
    EXPECT_EQ(orders.byTime, (std::vector<std::uint32_t>{0, 3, 1, 6, 2, 5, 4}));
    EXPECT_EQ(orders.byNo, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(orders.byDate, (std::vector<std::uint32_t>{5, 0, 1, 2, 3, 4, 6}));

    CommentMatches matches;
    matches.active = true;
    matches.hits = {1, 0, 1, 0, 0, 1, 0};
    EXPECT_EQ(ListRows(orders.byTime, true, matches), (std::vector<std::uint32_t>{5, 2, 0}));
    EXPECT_EQ(ListRows(orders.byNo, false, CommentMatches()).size(), 7u);
}

// A click on the timeline picks the first shown comment at or after the
// moment, else the last one before it; comments without a vpos are never picked.
TEST_F(CommentTableTest, AClickOnTheTimelinePicksTheNextShownComment) {
    ASSERT_TRUE(Load(kViewerThread));
    const std::vector<std::uint32_t> byTime = OrderComments(table).byTime;  // vpos 120 4480 4500 4500 4510 90000 -
    CommentMatches some;
    some.active = true;
    some.hits = {1, 0, 1, 0, 0, 1, 0};
    CommentMatches none = some;
    none.hits.assign(7, 0);
    const struct {
        long long moment;
        const CommentMatches& matches;
        std::size_t picked;
    } rows[] = {{0, CommentMatches(), 0},
                {4490, CommentMatches(), 1},
                {4500, CommentMatches(), 1},
                {4505, CommentMatches(), 2},
                {100000, CommentMatches(), 5},
                {4490, some, 2},
                {95000, some, 5},
                {4490, none, kNoComment}};
    for (const auto& r : rows) {
        EXPECT_EQ(CommentAtMoment(table, byTime, r.matches, r.moment), r.picked) << r.moment;
    }
}

// A comment of the file read again is found by what it is, wherever its row
// went: its number and date, and among comments sharing them (old files
// number every chat -1), its time, user and text.
TEST_F(CommentTableTest, AFileReadAgainHasEachCommentFoundByWhatItIs) {
    const std::string earlier =
        u8"<packet>"
        u8"<chat no=\"-1\" vpos=\"100\" date=\"1262304001\">わこつ</chat>"
        u8"<chat no=\"-1\" vpos=\"100\" date=\"1262304001\">表示ソ</chat>"
        u8"<chat no=\"-1\" vpos=\"300\" date=\"1262304005\" user_id=\"u1\">予告</chat>"
        u8"<chat vpos=\"400\">番号なし</chat>"
        u8"<chat no=\"9\" vpos=\"500\" date=\"1262304009\">消える</chat>"
        u8"<chat no=\"12\" vpos=\"600\" date=\"1262304012\">元の文</chat>"
        u8"</packet>";
    const std::string later =
        u8"<packet>"
        u8"<chat no=\"-1\" vpos=\"50\" date=\"1262304000\">新しい</chat>"
        u8"<chat vpos=\"400\">番号なし</chat>"
        u8"<chat no=\"-1\" vpos=\"300\" date=\"1262304005\" user_id=\"u1\">予告</chat>"
        u8"<chat no=\"-1\" vpos=\"100\" date=\"1262304001\">表示ソ</chat>"
        u8"<chat no=\"-1\" vpos=\"100\" date=\"1262304001\">わこつ</chat>"
        u8"<chat no=\"9\" vpos=\"500\" date=\"1262304010\">消える</chat>"     // another date: another comment
        u8"<chat no=\"12\" vpos=\"600\" date=\"1262304012\" deleted=\"1\"/>"  // the same one, deleted since
        u8"</packet>";
    ASSERT_TRUE(Load(earlier)) << error;
    const CommentTable before = std::move(table);
    ASSERT_TRUE(Load(later)) << error;
    const std::vector<std::uint32_t> byNo = OrderComments(table).byNo;
    const std::size_t found[] = {4, 3, 2, 1, kNoComment, 6};
    for (std::size_t i = 0; i < before.Size(); ++i) EXPECT_EQ(FindSameComment(table, byNo, before, i), found[i]) << i;
}

// The viewer's curve is the console's graph of the same file, rules and all.
TEST_F(CommentTableTest, CurveIsTheConsoleGraphsAndHiddenCommentsStillStretchIt) {
    TempDir dir;
    const std::string path = dir.File("表示ソ.xml");
    WriteFileBytes(path, kViewerThread);
    auto hideLast = [](const ChatElement& chat) { return chat.Attribute("no") == L"6"; };
    for (bool hide : {false, true}) {
        SCOPED_TRACE(hide);
        TableLoad load;
        if (hide) load.hide = [&](const ChatElement& chat, const std::wstring&) { return hideLast(chat); };
        ASSERT_TRUE(Load(kViewerThread, load));
        GraphReading graph;
        ASSERT_TRUE(ReadGraphFigures(AnsiToWide(path), GraphTiming(), hide ? CommentFilter(hideLast) : CommentFilter(),
                                     graph, error));
        const GraphFigures figures = TableFigures(table, GraphTiming(), reading.hiddenReach);
        EXPECT_EQ(figures.onScreen, graph.figures.onScreen);
        EXPECT_EQ(figures.Seconds(), 901u);
        EXPECT_EQ(reading.hidden, hide ? 1u : 0u);
        EXPECT_EQ(table.Size(), hide ? 6u : 7u);
    }
}

// Placeholders of deleted comments stay in the list, marked, but are on
// neither curve (the console's graph agrees); the timeline still reaches them.
TEST_F(CommentTableTest, DeletedPlaceholdersAreListedMarkedAndLeaveTheCurves) {
    std::string xml = kViewerThread;
    xml.insert(xml.rfind("</packet>"),
               u8"<chat no=\"8\" vpos=\"4490\" date=\"1262304300\" deleted=\"1\"></chat>"
               u8"<chat no=\"9\" vpos=\"4500\" mail=\"ue\" user_id=\"u9\" deleted=\"2\">消された\n表示ソ</chat>"
               u8"<chat no=\"10\" vpos=\"95000\" deleted=\"1\"/>"
               u8"<chat no=\"11\" vpos=\"4500\" deleted=\"0\">残る</chat>");
    ASSERT_TRUE(Load(kViewerThread));
    const GraphFigures visible = TableFigures(table, GraphTiming(), -1);
    ASSERT_TRUE(Load(xml));
    ASSERT_EQ(table.Size(), 11u);
    TempDir dir;
    WriteFileBytes(dir.File("削除.xml"), xml);
    GraphReading graph;
    ASSERT_TRUE(ReadGraphFigures(AnsiToWide(dir.File("削除.xml")), GraphTiming(), {}, graph, error));
    EXPECT_EQ(graph.deleted, 3u);
    GraphFigures figures = TableFigures(table, GraphTiming(), reading.hiddenReach);
    EXPECT_EQ(figures.onScreen, graph.figures.onScreen);
    EXPECT_EQ(figures.posted, graph.figures.posted);
    ASSERT_EQ(figures.Seconds(), 951u) << "the last placeholder still reaches";
    EXPECT_EQ(figures.posted[45], visible.posted[45] + 1) << "only deleted=\"0\" of the four";
    figures.posted[45] -= 1;
    figures.posted.resize(visible.Seconds());
    EXPECT_EQ(figures.posted, visible.posted);

    EXPECT_EQ(CellText(table, 7, ViewerColumn::Text), L"削除");
    EXPECT_EQ(CellText(table, 8, ViewerColumn::Text), Wide(u8"削除 消された 表示ソ"));
    EXPECT_EQ(CellText(table, 10, ViewerColumn::Text), Wide(u8"残る"));
    EXPECT_EQ(CopiedRows(table, {8}), Wide(u8"0:45.00\t9\t\tu9\tue\t\"消された\n表示ソ\"\r\n")) << "copied as received";
}

TEST_F(CommentTableTest, ReadingStopsWhenAskedBetweenComments) {
    std::string xml = "<packet>";
    for (int i = 0; i < 5000; ++i) xml += u8"<chat vpos=\"1\">８８８８</chat>";
    xml += "</packet>";
    TableLoad load;
    int asked = 0;
    load.keepGoing = [&] { return ++asked < 1; };
    EXPECT_FALSE(Load(xml, load));
    EXPECT_TRUE(error.empty()) << "a stop is no failure";
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(table.Size(), 4096u);
}

struct SearchRow {
    const char* text;
    bool pattern;
    std::vector<std::uint8_t> hits;  // empty: the query filters nothing
};

TEST_F(CommentTableTest, SearchFoldsAsTheNgWordsAndPatternsFindTheirOwn) {
    ASSERT_TRUE(Load(kViewerThread));
    const SearchRow rows[] = {
        {"W", false, {0, 0, 1, 0, 0, 1, 0}},           // ｗ, w and W are one
        {u8"ガンダム", false, {0, 0, 0, 0, 0, 0, 1}},  // so are ｶﾞ and ガ
        {u8"表示ソ", false, {0, 0, 1, 0, 0, 0, 0}},
        {u8"😀", false, {0, 0, 0, 1, 0, 0, 0}},
        {u8"つop", false, {0, 0, 0, 0, 0, 0, 0}},  // never across two comments
        {u8"^ｗ+", true, {0, 0, 1, 0, 0, 0, 0}},
        // The folded literal "www" is in comment 3 too; the pattern itself is not.
        {"(?i)www", true, {0, 0, 0, 0, 0, 1, 0}},
        {u8"き.+あ$", true, {0, 1, 0, 0, 0, 0, 0}},
        {"", false, {}},
    };
    const std::atomic<bool> go{false};
    for (const SearchRow& row : rows) {
        SCOPED_TRACE(row.text);
        CommentMatches matches;
        ASSERT_TRUE(MatchComments(table, CommentQuery{Wide(row.text), row.pattern}, go, matches));
        EXPECT_EQ(matches.active, !row.hits.empty());
        if (!row.hits.empty()) {
            EXPECT_EQ(matches.hits, row.hits);
        }
        EXPECT_TRUE(matches.error.empty());
    }
    CommentMatches bad;
    ASSERT_TRUE(MatchComments(table, CommentQuery{L"(abc", true}, go, bad));
    EXPECT_FALSE(bad.active) << "a bad pattern filters nothing";
    EXPECT_FALSE(bad.error.empty());
    const std::atomic<bool> stopped{true};
    EXPECT_FALSE(MatchComments(table, CommentQuery{L"w", false}, stopped, bad));
}

TEST_F(CommentTableTest, CellsAndCopiedRowsReadAsTheUserExpects) {
    ASSERT_TRUE(Load(kViewerThread));
    const struct {
        long long vpos;
        const wchar_t* cell;
    } times[] = {{0, L"0:00.00"}, {4510, L"0:45.10"}, {360000, L"60:00.00"}, {-50, L"-0:00.50"}};
    for (const auto& time : times) EXPECT_EQ(VposCell(time.vpos), time.cell);
    EXPECT_EQ(DateCell(1262304001), L"2010/01/01 09:00:01");
    EXPECT_EQ(CellText(table, 4, ViewerColumn::Time), L"");
    EXPECT_EQ(CellText(table, 5, ViewerColumn::Text), Wide(u8"最後はWWW \"引用\" 二行目"));
    EXPECT_EQ(CellText(table, 3, ViewerColumn::User), Wide(kHangulUser));

    // A field with a tab, a line end or a quote arrives whole in a spreadsheet.
    EXPECT_EQ(CopiedRows(table, {0, 5}),
              Wide(u8"0:01.20\t1\t2010/01/01 09:00:01\tXk3_pQ9-zR\t184\tわこつ\r\n"
                   u8"15:00.00\t6\t2010/01/01 09:00:00\tu6\t\t\"最後はWWW\t\"\"引用\"\"\n二行目\"\r\n"));
    // Control characters show as their symbols and are copied as they are.
    ASSERT_TRUE(Load(u8"<packet><chat no=\"8\" mail=\"184&#1;\">弾幕\x10&#0;ここ</chat></packet>"));
    EXPECT_EQ(CellText(table, 0, ViewerColumn::Text), L"弾幕\x2410\x2400ここ");
    EXPECT_EQ(CellText(table, 0, ViewerColumn::Mail), L"184\x2401");
    EXPECT_EQ(CopiedRows(table, {0}), std::wstring(L"\t8\t\t\t184\x01\t弾幕\x10\0ここ\r\n", 18));
    EXPECT_EQ(StatusCounts(5, 7, false, 0), L"表示 5 件 / 全 7 件");
    EXPECT_EQ(StatusCounts(5, 7, true, 2), L"表示 5 件 / 全 7 件 (NG 2 件)");
    const std::uint32_t found = 3;
    EXPECT_EQ(GraphTipText(754, 58, nullptr), L"12:34  58 件");
    EXPECT_EQ(GraphTipText(3600, 58, &found), L"1:00:00  58 件 (検索 3 件)");
}

}  // namespace
