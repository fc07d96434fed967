#include "comments/comment_merge.h"

#include <gtest/gtest.h>

#include "comments/comment_reader.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "testlib/temp_dir.h"

namespace {

struct Comment {
    long long no;
    std::string text;  // UTF-8, as it stands in the file
};

// A packet as the message server sends it, comments in the given order.
std::string Packet(const std::string& thread, long long serverTime, const std::vector<Comment>& comments,
                   const std::string& tail = "") {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread resultcode=\"0\" thread=\"" + thread +
                      "\" server_time=\"" + std::to_string(serverTime) + "\"/>";
    for (const Comment& c : comments) {
        xml += "<chat thread=\"" + thread + "\" no=\"" + std::to_string(c.no) + "\" date=\"" +
               std::to_string(1262304000 + c.no) + "\" mail=\"184\">" + c.text + "</chat>";
    }
    return xml + tail + "</packet>";
}

std::vector<Comment> Numbers(long long from, long long to) {
    std::vector<Comment> comments;
    for (long long no = from; no <= to; ++no) comments.push_back({no, u8"コメント" + std::to_string(no)});
    return comments;
}

class MergeTest : public ::testing::Test {
protected:
    std::wstring Write(const std::string& name, const std::string& xml) {
        WriteFileBytes(dir.File(name), xml);
        return AnsiToWide(dir.File(name));
    }
    // number, thread and text of every comment of the merged file
    std::vector<std::string> Saved(const std::wstring& path) {
        CommentReader reader;
        std::vector<std::string> comments;
        EXPECT_TRUE(reader.Open(path));
        while (reader.Next()) {
            std::string_view thread;
            reader.Chat().FindAttribute("thread", thread);
            comments.push_back(std::to_string(reader.Chat().Integer("no")) + "/" + std::string(thread) + "/" +
                               reader.Chat().TextUtf8());
        }
        EXPECT_FALSE(reader.Failed()) << reader.Error();
        return comments;
    }

    TempDir dir;
    std::wstring out = dir.File(L"merged.xml");
    LineCapture log;
};

TEST_F(MergeTest, OverlappingFilesGiveEveryCommentOnceAndTheNewestVersion) {
    auto older = Numbers(1, 5);
    auto newer = Numbers(4, 8);
    newer[0].text = u8"削除されました";  // no 4 changed since
    // Texts and values that must survive being written again.
    older[1].text = u8"a&amp;b &lt;c&gt; 1行目&#13;\n2行目 ソ表";
    const std::wstring a = Write("a.xml", Packet("77", 100, older, "<view_counter video=\"1\"/>"));
    const std::wstring b = Write("b.xml", Packet("77", 200, newer, "<view_counter video=\"2\" mylist=\"3\"/>"));

    // Listed newest first: the server time still decides.
    MergeResult result = MergeCommentFiles({b, a}, out, MergeOptions{});
    ASSERT_EQ(result.outcome, MergeOutcome::Saved);
    EXPECT_EQ(result.read, 10u);
    EXPECT_EQ(result.written, 8u);
    EXPECT_EQ(result.differing, 1u);
    const auto saved = Saved(out);
    ASSERT_EQ(saved.size(), 8u);
    for (std::size_t i = 0; i < saved.size(); ++i)
        EXPECT_EQ(saved[i].substr(0, saved[i].find('/')), std::to_string(i + 1));
    EXPECT_EQ(saved[1], u8"2/77/a&b <c> 1行目\r\n2行目 ソ表");
    EXPECT_EQ(saved[3], u8"4/77/削除されました");

    {
        CommentReader reader;
        ASSERT_TRUE(reader.Open(out));
        while (reader.Next()) {
        }
        ASSERT_NE(reader.ThreadElement(), nullptr);
        EXPECT_EQ(reader.ThreadElement()->Integer("server_time"), 200);
        ASSERT_NE(reader.ViewCounter(), nullptr);
        EXPECT_EQ(reader.ViewCounter()->Attribute("mylist"), L"3");
    }

    // Told to take the listing order, the later listed file is the newest.
    MergeOptions listed;
    listed.newestByServerTime = false;
    ASSERT_EQ(MergeCommentFiles({b, a}, out, listed).outcome, MergeOutcome::Saved);
    EXPECT_EQ(Saved(out)[3], u8"4/77/コメント4");
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(MergeTest, OutputMayBeAnInputAndGetsAViewCounterWhenNoneHasOne) {
    const std::wstring a = Write("a.xml", Packet("77", 100, Numbers(1, 3)));
    const std::wstring b = Write("b.xml", Packet("77", 100, Numbers(3, 4)));
    ASSERT_EQ(MergeCommentFiles({a, b}, a, MergeOptions{}).outcome, MergeOutcome::Saved);
    EXPECT_EQ(Saved(a).size(), 4u);
    EXPECT_NE(ReadFileBytes(a).find("<view_counter video=\"0\"/>"), std::string::npos);
    EXPECT_EQ(ListFolder(dir.Path()).size(), 2u) << "no temporary file left";
}

TEST_F(MergeTest, OtherThreadsOnlyWithForce) {
    const std::wstring a = Write("a.xml", Packet("77", 100, Numbers(1, 2)));
    const std::wstring b = Write("b.xml", Packet("88", 100, Numbers(2, 3)));
    WriteFileBytes(out, "old");
    EXPECT_EQ(MergeCommentFiles({a, b}, out, MergeOptions{}).outcome, MergeOutcome::DifferentThreads);
    EXPECT_EQ(ReadFileBytes(out), "old");
    ASSERT_EQ(log.Lines().size(), 2u);
    EXPECT_EQ(log.Lines()[0], "◆スレッドの異なるファイルは結合できません: " + dir.File("a.xml") + " (thread 77), " +
                                  dir.File("b.xml") + " (thread 88)");

    // A first file that names no thread does not let the others' differ.
    const std::wstring unnamed = Write("unnamed.xml", "<packet><chat no=\"1\">x</chat></packet>");
    EXPECT_EQ(MergeCommentFiles({unnamed, a, b}, out, MergeOptions{}).outcome, MergeOutcome::DifferentThreads);

    MergeOptions force;
    force.force = true;
    ASSERT_EQ(MergeCommentFiles({a, b}, out, force).outcome, MergeOutcome::Saved);
    EXPECT_EQ(Saved(out), (std::vector<std::string>{u8"1/77/コメント1", u8"2/77/コメント2", u8"2/88/コメント2",
                                                    u8"3/88/コメント3"}));
}

// Refused inputs never touch the output and leave no temporary file.
TEST_F(MergeTest, RefusedInputs) {
    const std::wstring good = Write("good.xml", Packet("77", 100, Numbers(1, 3)));
    const struct {
        const char* name;
        std::string xml;
        MergeOutcome outcome;
        std::string line;  // the last line logged, after the file's name
    } cases[] = {
        {"backwards.xml", Packet("77", 100, {{3, "c"}, {1, "a"}}), MergeOutcome::NotInOrder, " (no 3 の後に no 1)"},
        {"broken.xml", Packet("77", 100, Numbers(1, 2)).substr(0, 150), MergeOutcome::Unreadable,
         " (ファイルが途中で終わっています)"},
        {"empty.xml", Packet("77", 100, {}), MergeOutcome::NoComments, ""},
        // A number that wrapped to 4 used to drop the second comment as a repeat.
        {"wrapped.xml",
         "<packet><chat thread=\"77\" no=\"4\">a</chat>"
         "<chat thread=\"77\" no=\"18446744073709551620\">b</chat></packet>",
         MergeOutcome::Unmergeable, " (no=\"18446744073709551620\")"},
        // The newest file and the thread are decided before the comments.
        {"late_thread.xml", "<packet><chat no=\"1\">a</chat><thread thread=\"77\" server_time=\"900\"/></packet>",
         MergeOutcome::Unmergeable, ""},
        // Each quote becomes "&quot;": the tag would grow past what the reader takes.
        {"quotes.xml", "<packet><chat no='5' mail='" + std::string(200000, '"') + "'/></packet>",
         MergeOutcome::Unmergeable, " (no 5)"},
    };
    for (const auto& c : cases) {
        WriteFileBytes(out, "old");
        const std::wstring bad = Write(c.name, c.xml);
        const std::vector<std::wstring> inputs = c.outcome == MergeOutcome::NoComments
                                                     ? std::vector<std::wstring>{bad}
                                                     : std::vector<std::wstring>{good, bad};
        EXPECT_EQ(MergeCommentFiles(inputs, out, MergeOptions{}).outcome, c.outcome) << c.name;
        const std::string last = log.Lines().back();
        const std::string shown = ShownPath(bad);
        EXPECT_EQ(last.substr(last.size() - std::min(last.size(), shown.size() + c.line.size())),
                  c.outcome == MergeOutcome::NoComments ? last : shown + c.line);
        EXPECT_EQ(ReadFileBytes(out), "old") << c.name;
        DeleteFileW(bad.c_str());
        EXPECT_EQ(ListFolder(dir.Path()).size(), 2u) << c.name;
    }
    EXPECT_EQ(MergeCommentFiles({dir.File(L"missing.xml")}, out, MergeOptions{}).outcome, MergeOutcome::Unreadable);
}

// A chat as files have them: no="" leaves the number out.
std::string Chat(const std::string& no, const std::string& text, const std::string& more = "") {
    return "<chat thread=\"77\"" + (no.empty() ? std::string() : " no=\"" + no + "\"") + " date=\"1262304000\"" + more +
           ">" + text + "</chat>";
}
std::string File(long long serverTime, const std::string& chats) {
    return "<packet><thread thread=\"77\" server_time=\"" + std::to_string(serverTime) + "\"/>" + chats + "</packet>";
}

// Live-broadcast logs (every chat -1), renumbered files (every chat 1), 0 and
// missing numbers: numbers identify comments only where no file holds two
// different comments under one; equal chats are one comment everywhere.
TEST_F(MergeTest, NumbersIdentifyCommentsOnlyWhereTheFilesSaySo) {
    const struct {
        const char* name;
        std::vector<std::string> files;  // oldest first
        std::vector<std::string> saved;  // no/thread/text of each
        std::size_t identical, differing, unnumbered;
    } cases[] = {
        {"live logs fetched twice",
         {File(1, Chat("-1", u8"わこつ") + Chat("-1", u8"ソ") + Chat("-1", u8"表")),
          File(2, Chat("-1", u8"ソ") + Chat("-1", u8"表") + Chat("-1", u8"予"))},
         {u8"-1/77/わこつ", u8"-1/77/ソ", u8"-1/77/表", u8"-1/77/予"},
         2,
         0,
         4},
        {"renumbered file alone, one chat twice",
         {File(1, Chat("1", "a") + Chat("1", "b") + Chat("1", "b") + Chat("1", "c"))},
         {"1/77/a", "1/77/b", "1/77/c"},
         1,
         0,
         3},
        {"renumbered file beside the real numbering",
         {File(1, Chat("1", u8"コメント1") + Chat("2", u8"コメント2")), File(2, Chat("1", "a") + Chat("1", "b"))},
         {u8"1/77/コメント1", "1/77/a", "1/77/b", u8"2/77/コメント2"},
         0,
         0,
         3},
        {"real numbering in both: the newest version",
         {File(2, Chat("1", "a") + Chat("2", "b")), File(1, Chat("1", "a", " deleted=\"1\"") + Chat("2", "b"))},
         {"1/77/a", "2/77/b"},
         1,
         1,
         0},
        {"attributes in another order are the same comment",
         {File(1, Chat("1", "a", " mail=\"184\" vpos=\"5\"")),
          File(2, "<chat vpos=\"5\" mail=\"184\" date=\"1262304000\" no=\"1\" thread=\"77\">a</chat>")},
         {"1/77/a"},
         1,
         0,
         0},
        {"number 0 and missing numbers",
         {File(1, Chat("0", "a") + Chat("1", "b") + Chat("", "c") + Chat("", "d")),
          File(2, Chat("0", "e") + Chat("", "f") + Chat("1", "b") + Chat("", "c"))},
         {"0/77/a", "0/77/e", "0/77/f", "1/77/b", "0/77/c", "0/77/d"},
         2,
         0,
         5},
    };
    for (const auto& c : cases) {
        std::vector<std::wstring> inputs;
        for (std::size_t i = 0; i < c.files.size(); ++i)
            inputs.push_back(Write(std::to_string(i) + ".xml", c.files[i]));
        const MergeResult result = MergeCommentFiles(inputs, out, MergeOptions{});
        ASSERT_EQ(result.outcome, MergeOutcome::Saved) << c.name;
        EXPECT_EQ(Saved(out), c.saved) << c.name;
        EXPECT_EQ(result.identical, c.identical) << c.name;
        EXPECT_EQ(result.differing, c.differing) << c.name;
        EXPECT_EQ(result.unnumbered, c.unnumbered) << c.name;
        EXPECT_EQ(result.read, result.written + result.identical + result.replaced) << c.name;
    }
}

// Texts and values that read back otherwise when written as they stand
// (white space alone is dropped between two tags): the merged file reads back
// as the comments of its input, attribute by attribute.
TEST_F(MergeTest, WhatIsWrittenReadsBackTheSame) {
    const std::wstring a = Write("a.xml",
                                 u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<packet>"
                                 u8"<thread thread=\"77\" server_time=\"5\" ticket='a\"b'/>"
                                 u8"<chat no=\"1\"> </chat><chat no=\"2\"><![CDATA[ ]]></chat>"
                                 u8"<chat no=\"3\">&#10;</chat><chat no=\"4\">&#9;&#13;\r\n</chat>"
                                 u8"<chat no=\"5\" mail=\"a&#9;b&#10;c&#13;&lt;&amp;&gt;\">]]&gt; &#1;予</chat>"
                                 u8"<chat no=\"6\" name='\"ソ表\"'>  前後  </chat>"
                                 // Control characters, raw and as references, NUL among them.
                                 u8"<chat no=\"7\" mail=\"\x10&#x1F;\">弾幕\x10&#0;\x01</chat></packet>");
    ASSERT_EQ(MergeCommentFiles({a}, out, MergeOptions{}).outcome, MergeOutcome::Saved);
    CommentReader original, merged;
    ASSERT_TRUE(original.Open(a));
    ASSERT_TRUE(merged.Open(out));
    std::size_t count = 0;
    while (original.Next()) {
        ++count;
        ASSERT_TRUE(merged.Next()) << merged.Error();
        const ChatElement& was = original.Chat();
        const ChatElement& is = merged.Chat();
        EXPECT_EQ(is.TextUtf8(), was.TextUtf8()) << count;
        ASSERT_EQ(is.AttributeCount(), was.AttributeCount());
        for (std::size_t i = 0; i < was.AttributeCount(); ++i) {
            EXPECT_EQ(is.AttributeName(i), was.AttributeName(i));
            EXPECT_EQ(is.AttributeValue(i), was.AttributeValue(i));
        }
    }
    EXPECT_FALSE(merged.Next());
    EXPECT_FALSE(merged.Failed()) << merged.Error();
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(merged.ControlCharacters(), 6u);
    EXPECT_EQ(log.Lines().back(), "※XMLで使えない制御文字を 6 個含んでいます (そのまま読み込みました)");
    ASSERT_NE(merged.ThreadElement(), nullptr);
    EXPECT_EQ(merged.ThreadElement()->Attribute("ticket"), L"a\"b");
}

TEST_F(MergeTest, StopAbandonsTheOutput) {
    const std::wstring a = Write("a.xml", Packet("77", 100, Numbers(1, 3000)));
    std::atomic<bool> stop{true};
    MergeOptions options;
    options.stop = &stop;
    EXPECT_EQ(MergeCommentFiles({a}, out, options).outcome, MergeOutcome::Stopped);
    EXPECT_EQ(ListFolder(dir.Path()), (std::vector<std::string>{"a.xml"}));
}

}  // namespace
