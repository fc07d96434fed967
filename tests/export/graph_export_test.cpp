#include "export/graph_export.h"

#include <gtest/gtest.h>

#include "comments/comment_reader.h"
#include "export/graph_drawing.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "support/com.h"
#include "testlib/picture_reader.h"
#include "testlib/temp_dir.h"

namespace {

using Counts = std::vector<std::uint32_t>;

// Spans on the screen with ScrollTime 4 s and FixedTime 3 s, in seconds:
const char kThread[] =
    u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1\"/>"
    u8"<chat no=\"1\" vpos=\"0\">始まりソ</chat>"                    // 0 to 3
    u8"<chat no=\"2\" vpos=\"150\" mail=\"ue red\">上の表示</chat>"  // 1.5 to 4.5
    u8"<chat no=\"3\" vpos=\"30\" mail=\"184 naka\">予告😀</chat>"    // 0 (from -0.7) to 3.3
    u8"<chat no=\"4\" vpos=\"-50\" mail=\"ue\">開始前</chat>"        // 0 (from -0.5) to 2.5
    u8"<chat no=\"5\" vpos=\"1000\">한글 코멘트</chat>"              // 9 to 13
    u8"<chat no=\"6\" vpos=\"1050\" mail=\"SHITA\">下の表示</chat>"  // 10.5 to 13.5
    u8"<chat no=\"7\" vpos=\"1299\" mail=\"big\">ソ</chat>"          // 11.99 to 15.99, past the end
    u8"<chat no=\"8\">vpos がない</chat>"
    u8"<chat no=\"9\" vpos=\"abc\">読めない</chat>"
    u8"<chat no=\"10\" vpos=\"36000000\">100時間後</chat>"
    u8"<chat no=\"11\" vpos=\"2000\" user_id=\"ngユーザー\">最後</chat>"  // 19 to 23, past the end
    u8"</packet>";

class GraphExportTest : public ::testing::Test {
protected:
    GraphReading Read(const GraphTiming& timing, const CommentFilter& hide = {}) {
        GraphReading reading;
        std::string error;
        EXPECT_TRUE(ReadGraphFigures(AnsiToWide(comment), timing, hide, reading, error)) << error;
        return reading;
    }

    ComInit com;
    TempDir dir;
    std::string comment = dir.File("表示ソ.xml");
    LineCapture log;
};

TEST_F(GraphExportTest, FiguresOfAHandCountedThread) {
    WriteFileBytes(comment, kThread);
    GraphReading reading = Read(GraphTiming());
    EXPECT_EQ(reading.comments, 11u);
    EXPECT_EQ(reading.counted, 8u);
    EXPECT_EQ(reading.unreadable, 3u);
    const Counts posted{3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(reading.figures.posted, posted);
    EXPECT_EQ(reading.figures.onScreen, (Counts{3, 4, 4, 2, 1, 0, 0, 0, 0, 1, 2, 3, 3, 2, 1, 1, 0, 0, 0, 1, 1}));

    // A hidden comment leaves the curves but keeps the timeline as long.
    reading = Read(GraphTiming(), [](const ChatElement& chat) { return chat.Attribute("user_id") == L"ngユーザー"; });
    EXPECT_EQ(reading.hidden, 1u);
    EXPECT_EQ(reading.counted, 7u);
    EXPECT_EQ(reading.figures.onScreen, (Counts{3, 4, 4, 2, 1, 0, 0, 0, 0, 1, 2, 3, 3, 2, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(reading.figures.posted.back(), 0u);

    WriteFileBytes(comment, "<packet><thread thread=\"1\"/></packet>");
    EXPECT_EQ(Read(GraphTiming()).figures.Seconds(), 0u);
    WriteFileBytes(comment, "<packet><chat vpos=\"100\">閉じていない</packet>");
    GraphReading broken;
    std::string error;
    EXPECT_FALSE(ReadGraphFigures(AnsiToWide(comment), GraphTiming(), {}, broken, error));
    EXPECT_FALSE(error.empty());
}

// The height of the fill at column x, counted up from its lowest pixel.
int FillAt(const Picture& picture, int x, COLORREF colour) {
    const std::uint32_t rgb = GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
    int y = picture.height - 1;
    while (y >= 0 && picture.At(x, y) != rgb) --y;
    int height = 0;
    for (; y >= 0 && picture.At(x, y) == rgb; --y) ++height;
    return height;
}

TEST_F(GraphExportTest, PictureShowsTheFigures) {
    // 100 seconds on 1000 pixels: ten columns a second.
    GraphFigures figures;
    figures.posted.assign(100, 0);
    figures.onScreen = Counts(100, 0);
    figures.onScreen[10] = 40;
    figures.onScreen[50] = 20;
    figures.onScreen[80] = 10;
    const Counts subset = [] {
        Counts c(100, 0);
        c[10] = 20;
        return c;
    }();
    GraphMarks marks;
    marks.subset = &subset;
    marks.selected = 6505;  // 65.05 s
    Picture drawn;
    ASSERT_TRUE(RenderCommentGraph(1000, 200, figures, FindPeaks(figures.onScreen), marks, drawn));
    const std::wstring png = AnsiToWide(dir.File("グラフ予.png"));
    std::string error;
    ASSERT_TRUE(WritePngFile(png, drawn, error)) << error;

    const Picture picture = ReadPictureFile(png);
    ASSERT_EQ(picture.width, 1000);
    ASSERT_EQ(picture.height, 200);
    EXPECT_EQ(picture.pixels, drawn.pixels);
    // The highest second fills the plot; the others in proportion, partly under the subset.
    const int full = FillAt(picture, 105, kGraphFill) + FillAt(picture, 105, kGraphSubset);
    EXPECT_GT(full, 100);
    EXPECT_NEAR(FillAt(picture, 105, kGraphSubset), full / 2, 1);
    EXPECT_NEAR(FillAt(picture, 505, kGraphFill), full / 2, 1);
    EXPECT_NEAR(FillAt(picture, 805, kGraphFill), full / 4, 1);
    for (int x : {5, 95, 115, 300, 495, 515, 999}) EXPECT_EQ(FillAt(picture, x, kGraphFill), 0) << x;
    EXPECT_GT(FillAt(picture, 650, kGraphSelected), full);
    EXPECT_EQ(FillAt(picture, 651, kGraphSelected), 0);
}

TEST_F(GraphExportTest, NothingWrittenWhenItCannotBeDone) {
    WriteFileBytes(comment, kThread);
    GraphExport request;
    request.commentPath = AnsiToWide(comment);
    const std::string png = dir.File("表示ソ.png"), csv = dir.File("表示ソ.csv");
    struct Case {
        std::string picture, csv, logged;
    } cases[] = {
        {comment, "", "Error : the output is the comment file"},
        {png, comment, "Error : the output is the comment file"},
        {png, dir.File("表示ソ.PNG"), "Error : the picture and the CSV are one file"},
        {dir.File("folder"), csv, "Error : PNG "},  // a folder in the picture's place
    };
    ::CreateDirectoryA(dir.File("folder").c_str(), nullptr);
    for (const Case& c : cases) {
        log.Clear();
        request.picturePath = AnsiToWide(c.picture);
        request.csvPath = AnsiToWide(c.csv);
        EXPECT_FALSE(ExportCommentGraph(request)) << c.logged;
        ASSERT_FALSE(log.Lines().empty());
        EXPECT_EQ(log.Lines().back().rfind(c.logged, 0), 0u) << log.Lines().back();
        EXPECT_EQ(ReadFileBytes(comment), kThread);
        EXPECT_FALSE(FileExists(png));
        EXPECT_FALSE(FileExists(csv));
    }
    EXPECT_EQ(ListFolder(dir.Path()).size(), 2u);  // no temporary file left beside them

    request.picturePath = AnsiToWide(png);
    WriteFileBytes(comment, "<packet><thread thread=\"1\"/></packet>");
    EXPECT_FALSE(ExportCommentGraph(request));
    EXPECT_EQ(log.Lines().back(), "コメントデータが存在しません");
    EXPECT_FALSE(FileExists(png));
}

}  // namespace
