#include "comments/comment_reader.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "testlib/encodings.h"
#include "testlib/temp_dir.h"

namespace {

using namespace std::string_literals;

// Every chat text of a document, read as a stream; "(error)" ends the list
// when the document was refused.
std::vector<std::wstring> Texts(const std::string& bytes) {
    CommentReader reader;
    std::vector<std::wstring> texts;
    if (!reader.OpenText(bytes)) return {L"(error)"};
    while (reader.Next()) texts.push_back(reader.Chat().Text());
    if (reader.Failed()) texts.push_back(L"(error)");
    return texts;
}

// Why a document is refused: the stream's error, which the checking pass over
// the same bytes as a file must give too.
std::string Refusal(const std::string& bytes) {
    CommentReader reader;
    if (reader.OpenText(bytes)) {
        while (reader.Next()) {
        }
    }
    TempDir dir;
    WriteFileBytes(dir.File("bad.xml"), bytes);
    std::size_t chats = 0;
    std::string error;
    EXPECT_FALSE(CommentReader::CheckFile(dir.File(L"bad.xml"), chats, error));
    EXPECT_EQ(error, reader.Error());
    return reader.Error();
}

std::string Utf16(const std::wstring& text) { return "\xFF\xFE" + EncodeAs(text, Encoding::Utf16Le); }

TEST(CommentReader, ReferencesAreResolved) {
    CommentReader reader;
    ASSERT_TRUE(
        reader.OpenText(u8"<packet><chat mail=\"a&amp;b &#x41;&#66;\" name='x\ty\nz&#10;'>&lt;x&gt; &quot;&apos; "
                        u8"&#x3042;<![CDATA[<raw>&amp;]]></chat></packet>"));
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.Chat().Attribute("mail"), L"a&b AB");
    EXPECT_EQ(reader.Chat().Attribute("name"), L"x y z\n");  // literal tab and line feed become spaces
    EXPECT_EQ(reader.Chat().Text(), L"<x> \"' あ<raw>&amp;");
    EXPECT_EQ(reader.Chat().Attribute("missing"), L"");
    EXPECT_FALSE(reader.Next());
    EXPECT_FALSE(reader.Failed());
}

// Control characters XML forbids are data wherever data stands, raw or as
// references, in every encoding: read as they are and counted.
TEST(CommentReader, ControlCharactersAreReadAsTheyAre) {
    const std::string sjis = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>";
    const struct {
        std::string bytes;
        std::wstring text, mail;
        std::size_t count;
    } rows[] = {
        {u8"<p><chat mail=\"184\">弾幕\x10ここ</chat></p>", L"弾幕\x10ここ", L"184", 1},
        {"<p><chat mail=\"184\">&#x10;&#16;&#0;</chat></p>", L"\x10\x10\0"s, L"184", 3},
        {"<p><chat mail=\"\0\x1B\x7F\">\x01<![CDATA[\x08]]></chat></p>"s, L"\x01\x08", L"\0\x1B\x7F"s, 4},
        {"<p><thread a=\"&#x1F;\"/><chat mail='ue&#11;&#12;'>\x0B</chat></p>", L"\x0B", L"ue\x0B\x0C", 4},
        {Utf16(L"<p><chat mail=\"\x10\">表\x1F</chat></p>"), L"表\x1F", L"\x10", 2},
        {sjis + "<p><chat mail=\"\x10\">\x95\x5C\x10\x83\x5C</chat></p>", L"表\x10ソ", L"\x10", 2},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><p><chat>caf\xE9\x10</chat></p>", L"caf\u00E9\x10", L"", 1},
    };
    TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bytes);
        CommentReader reader;
        ASSERT_TRUE(reader.OpenText(row.bytes));
        ASSERT_TRUE(reader.Next()) << reader.Error();
        EXPECT_EQ(reader.Chat().Text(), row.text);
        EXPECT_EQ(reader.Chat().Attribute("mail"), row.mail);
        EXPECT_FALSE(reader.Next());
        EXPECT_FALSE(reader.Failed()) << reader.Error();
        EXPECT_EQ(reader.ControlCharacters(), row.count);
        // The checking pass counts them alike.
        WriteFileBytes(dir.File("c.xml"), row.bytes);
        std::size_t chats = 0, controls = 0;
        std::string error;
        EXPECT_TRUE(CommentReader::CheckFile(dir.File(L"c.xml"), chats, error, &controls)) << error;
        EXPECT_EQ(controls, row.count);
    }
    EXPECT_EQ(ControlCharactersLine(3), "※XMLで使えない制御文字を 3 個含んでいます (そのまま読み込みました)");
}

TEST(CommentReader, ChatsAtAnyDepthInDocumentOrder) {
    EXPECT_EQ(Texts(u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- saved -->\n"
                    u8"<packet>\n  <thread thread=\"1\"/>\n  <chat>1</chat>\n  <!-- note -->\n"
                    u8"  <other>x</other>\n  <chat>2</chat>\n  <group><chat>3</chat></group>\n"
                    u8"  <chat>4</chat>\n  <view_counter video=\"0\"/>\n</packet>\n"),
              (std::vector<std::wstring>{L"1", L"2", L"3", L"4"}));
}

TEST(CommentReader, RootNamedChatIsNotACommentAndNestedTextIsGathered) {
    EXPECT_EQ(Texts("<chat><chat>a<b>b</b>c</chat></chat>"), (std::vector<std::wstring>{L"abc"}));
    // Runs of nothing but white space between markup are dropped, others kept whole.
    EXPECT_EQ(Texts("<p><chat>\n <b> x </b>\n <!-- c --> y <![CDATA[ ]]></chat></p>"),
              (std::vector<std::wstring>{L" x  y  "}));
}

TEST(CommentReader, LineEndsAreNormalisedButCharacterReferencesKept) {
    EXPECT_EQ(Texts("<p>\r\n<chat>a\r\nb\rc&#13;&#10;d</chat>\r\n</p>"), (std::vector<std::wstring>{L"a\nb\nc\r\nd"}));
}

TEST(CommentReader, ThreadAndViewCounterOfTheRoot) {
    CommentReader reader;
    ASSERT_TRUE(
        reader.OpenText("<packet><thread thread=\"77\" server_time=\"5\"/><chat no=\"1\"/>"
                        "<g><view_counter video=\"1\"/></g><view_counter video=\"9\"/></packet>"));
    ASSERT_TRUE(reader.Next());
    ASSERT_NE(reader.ThreadElement(), nullptr);
    EXPECT_EQ(reader.ThreadElement()->Integer("server_time"), 5);
    EXPECT_EQ(reader.ViewCounter(), nullptr);
    EXPECT_FALSE(reader.Next());
    ASSERT_NE(reader.ViewCounter(), nullptr);
    EXPECT_EQ(reader.ViewCounter()->Attribute("video"), L"9");
}

// Numbers beyond the range are unusable like any other value without a
// number, never another number (they used to wrap: ...620 read as 4).
TEST(CommentReader, IntegersNeverWrap) {
    const struct {
        const char* text;
        bool usable;
        long long value;
    } rows[] = {
        {"1262304000", true, 1262304000},
        {" +12x", true, 12},
        {"-0", true, 0},
        {"9223372036854775807", true, LLONG_MAX},
        {"-9223372036854775808", true, LLONG_MIN},
        {"9223372036854775808", false, 0},
        {"18446744073709551620", false, 0},
        {"-18446744073709551620", false, 0},
        {"36893488147419103232", false, 0},
        {"00000000000000000000000000000042", true, 42},
        {"abc", false, 0},
        {"", false, 0},
    };
    for (const auto& row : rows) {
        ChatElement chat;
        chat.AddAttribute("no", row.text);
        long long value = -1;
        EXPECT_EQ(chat.FindInteger("no", value), row.usable) << row.text;
        EXPECT_EQ(chat.Integer("no"), row.value) << row.text;
        if (row.usable) {
            EXPECT_EQ(value, row.value) << row.text;
        }
    }
    EXPECT_EQ(ChatElement().Integer("no"), 0);
}

// A '<' that is the first byte of the next window closes the text run before
// it: white space is neither kept where it must be dropped nor moved into the
// next chat.
TEST(CommentReader, WhiteSpaceStaysWithItsChatAtTheWindowEdge) {
    for (std::size_t edge : {std::size_t{4096}, std::size_t{128 * 1024}}) {
        const std::string run(edge - 9, 'a');
        EXPECT_EQ(Texts("<p><chat>" + run + "</chat><chat> </chat></p>"),
                  (std::vector<std::wstring>{std::wstring(run.begin(), run.end()), L""}))
            << edge;
        EXPECT_EQ(Texts("<p><chat>x</chat><chat>" + std::string(edge - 23, ' ') + "</chat><chat>y</chat></p>"),
                  (std::vector<std::wstring>{L"x", L"", L"y"}))
            << edge;
    }
}

// Refused by the checking pass and by the stream alike, with the same error.
TEST(CommentReader, MalformedInputIsRefused) {
    const std::wstring shifted = L"<p><chat mail=\"184\" user_id=\"abc\">x</chat></p>";
    // A byte in before the attributes and one out after them: they read as CJK.
    std::string utf16Shifted = Utf16(shifted);
    utf16Shifted.insert(2 + 2 * shifted.find(L"mail"), 1, '\0');
    utf16Shifted.erase(2 + 2 * shifted.find(L">x"), 1);  // the byte before '>', moved on by one
    const std::string sjis = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>";
    const struct {
        std::string bytes;
        std::string why;  // a part of the error; empty: any
    } rows[] = {
        {"", "XML の要素がありません"},
        {"   ", "XML の要素がありません"},
        {"<packet><chat>1</chat>", "要素 <packet> が閉じられないままファイルが終わっています"},
        {"<packet><chat>1</chot></packet>", "終了タグ </chot> が開始タグ <chat> と合っていません (16 バイト目)"},
        {"<packet/><packet/>", "ルート要素が2つ以上あります (10 バイト目)"},
        {"text<packet/>", "ルート要素の前に文字があります"},
        {"<packet/>x", "ルート要素の後に文字があります"},
        {"<packet><chat a=\"1></chat></packet>", "ファイルが途中で終わっています"},
        {"<packet><chat a=\"<\"/></packet>", "属性値の中に < があります"},
        {"<packet><chat a=\"1\"b=\"2\"/></packet>", "属性の間に空白がありません"},
        {"<packet><chat a=\"1\" a=\"2\"/></packet>", "属性 a が2つあります"},
        {"<packet><chat a=1/></packet>", "引用符で囲まれていない属性値があります"},
        {"<packet><chat>&nbsp;</chat></packet>", "正しくない参照 (&...;) があります (15 バイト目)"},
        {"<packet><chat>a & b</chat></packet>", "正しくない参照"},
        {"<packet><chat>&amp", "正しくない参照"},  // cut by the end of the file
        {"<packet><!-- open </packet>", "ファイルが途中で終わっています"},
        {"<![CDATA[x]]><packet/>", "ルート要素の外に CDATA があります"},
        {"<!DOCTYPE p [<!ENTITY e \"x\">]><p>&e;</p>", "文書型宣言 (<!DOCTYPE>) には対応していません"},
        {"<p><!ELEMENT p ANY></p>", "読めない <! の記述があります"},
        {"<1packet/>", "開始タグが正しくありません"},
        {"<p></ p>", "終了タグが正しくありません"},
        {"</p>", "開始タグのない終了タグがあります"},
        {"<p><chat a/></p>", "値のない属性があります"},
        // Names are XML names after decoding (a UTF-16 file shifted by a byte).
        {utf16Shifted, "属性が正しくありません"},
        {u8"<p><chat\u3000no=\"1\"/></p>", "開始タグが正しくありません"},
        {u8"<p><chat \u2200=\"1\"/></p>", "属性が正しくありません"},
        // A name of the file shows in ASCII only: the message is in code page 932.
        {u8"<p><表示ソ x=\"1\" x=\"2\"/></表示ソ>", "属性 x が2つあります"},
        {u8"<p><表示ソ></p>",
         "終了タグ </p> が開始タグ <???"
         "> と合っていません"},
        // A control character in markup: in a name, between attributes, outside the root.
        {"<p><chat\x10no=\"1\"/></p>", "属性の間に空白がありません"},
        {"<p><chat no=\"1\"\x10/></p>", "属性の間に空白がありません"},
        {"<p><chat no\x10=\"1\"/></p>", "値のない属性があります"},
        {"<p><\x10"
         "chat/></p>",
         "開始タグが正しくありません"},
        {"<p><chat></chat\x10></p>", "終了タグが正しくありません"},
        {"\0<p/>"s, "ルート要素の前に文字があります"},
        {Utf16(L"<p/>\x10"), "ルート要素の後に文字があります"},
        {"<p><chat>&#xD800;</chat></p>", "正しくない参照"},
        // What is not a character of the encoding is never replaced.
        {"<p><chat>\x95\x5C\x83\x5C</chat></p>", "UTF-8 として読めないバイトがあります (10 バイト目)"},
        {"<p><chat>\xC0\xBC</chat></p>", "UTF-8 として"},      // an overlong '<'
        {"<p><chat>\xED\xA0\x80</chat></p>", "UTF-8 として"},  // a surrogate
        {"<p><chat>\xE3\x81</chat></p>", "UTF-8 として"},      // cut
        {Utf16(L"<p><chat>\xD800</chat></p>"), "UTF-16 として"},
        {Utf16(L"<p/>") + "\n", "UTF-16 として読めないバイトがあります (11 バイト目)"},
        {sjis + "<p><chat>a\x83<b>x</b></chat></p>", "Shift_JIS として読めないバイトがあります (53 バイト目)"},
        {sjis + "<p><chat>\xA0</chat></p>", "Shift_JIS として"},
        {"<?xml version=\"1.0\" encoding=\"EUC-JP\"?><p><chat>\x8F\xB0\xA1</chat></p>", "JIS X 0212"},
        {"<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?><p><chat>\x1B$B$</chat></p>", "ISO-2022-JP として"},
        {"<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?><p><chat>\x1B$Z</chat></p>", "ISO-2022-JP として"},
        {"<?xml version=\"1.0\" encoding=\"us-ascii\"?><p><chat>\xE3\x81\x82</chat></p>", "US-ASCII として"},
        // A declaration that cannot be read, or one after the start, is no guess at UTF-8.
        {"<?xml version=\"1.0\" encodin=\"Shift_JIS\"?><p/>", "XML 宣言を読み取れません"},
        {"<?xml version=\"1.0\" encodng=\"ISO-2022-JP\"?><p/>", "XML 宣言を読み取れません"},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"<p/>", "XML 宣言を読み取れません"},
        {"<?xml version=\"1.0\" encoding=\"x-unknown\"?><p/>", "対応していない文字コードです: x-unknown"},
        {"<?xml version=\"1.0\" encoding=\"UTF-16\"?><p/>", "UTF-16 と宣言されていますが"},
        {"<!-- saved -->\n<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><p/>", "XML 宣言がファイルの先頭にありません"},
        // Memory stays bounded: one chat at a time, each of bounded size.
        {"<p><chat>a<chat>b</chat>c</chat></p>", "chat 要素の中に chat 要素があります (11 バイト目)"},
        {"<p><chat>" + std::string(CommentReader::kLongestText + 1, 'a') + "</chat></p>",
         "4194304 バイトより長いコメントがあります"},
        {"<p><chat>" + std::string(CommentReader::kLongestText + 1, ' ') + "<b/></chat></p>", "長いコメント"},
        {"<p><chat a=\"" + std::string(CommentReader::kLongestTag, 'v') + "\"/></p>",
         "1048576 バイトより長いタグがあります"},
        {"<p><chat a=\"" + std::string(3 * CommentReader::kLongestTag, 'v') + "\"/></p>", "長いタグ"},
        {"<p><chat></chat" + std::string(CommentReader::kLongestTag, ' ') + "></p>", "長いタグ"},
        {"<p><" + std::string(CommentReader::kLongestName + 1, 'n') + "/></p>", "1000 バイトより長い名前があります"},
    };
    for (const auto& row : rows) {
        const std::string error = Refusal(row.bytes);
        const std::string shown = row.bytes.substr(0, 80);
        EXPECT_FALSE(error.empty()) << shown;
        EXPECT_NE(error.find(row.why), std::string::npos) << shown << "\n" << error;
    }
}

// Many attributes are told apart through a set, not each with each.
TEST(CommentReader, ManyAttributes) {
    std::string tag = "<p><chat";
    for (int i = 0; i < 80000; ++i) tag += " a" + std::to_string(i) + "='" + std::to_string(i % 10) + "'";
    CommentReader reader;
    ASSERT_TRUE(reader.OpenText(tag + ">t</chat></p>"));  // 900 KB
    ASSERT_TRUE(reader.Next()) << reader.Error();
    EXPECT_EQ(reader.Chat().AttributeCount(), 80000u);
    EXPECT_EQ(reader.Chat().Integer("a79999"), 9);
    EXPECT_NE(Refusal(tag + " a40000='x'/></p>").find("属性 a40000 が2つあります"), std::string::npos);
}

TEST(CommentReader, DeepNestingIsRefusedNotACrash) {
    auto nested = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i) text += "<a x=\"/>\"><!-- <b> --><![CDATA[<c>]]>";
        text += "<chat>x</chat>";
        for (int i = 0; i < depth; ++i) text += "</a>";
        return text;
    };
    EXPECT_EQ(Texts(nested(999)).size(), 1u);
    EXPECT_EQ(Texts(nested(1000)), (std::vector<std::wstring>{L"(error)"}));
    EXPECT_EQ(Texts(nested(200000)), (std::vector<std::wstring>{L"(error)"}));
}

// A comment file is no place for a DTD: the reader either refuses one or reads
// past it, never reading another file or expanding entities.
TEST(CommentReader, DocumentTypesAndEntitiesAreNeverExpanded) {
    TempDir dir;
    WriteFileBytes(dir.File("secret.txt"), "SECRET-CONTENT");
    std::string secret = "file:///" + dir.File("secret.txt");
    for (char& c : secret) c = c == '\\' ? '/' : c;
    std::string laughs = "<!ENTITY lol0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) laughs += "&lol" + std::to_string(i - 1) + ";";
        laughs += "\">";
    }
    const std::string documents[] = {
        "<?xml version=\"1.0\"?><!DOCTYPE packet [<!ENTITY inner \"INNER\"><!ENTITY outer SYSTEM \"" + secret +
            "\">]><packet><chat>a&inner;&outer;b</chat></packet>",
        "<!DOCTYPE packet SYSTEM \"" + secret + "\"><packet><chat>a</chat></packet>",
        "<!DOCTYPE packet [" + laughs + "]><packet><chat>&lol9;</chat></packet>",
    };
    for (const auto& text : documents) {
        CommentReader reader;
        if (!reader.OpenText(text)) continue;  // refused: fine
        while (reader.Next()) {
            const std::wstring read = reader.Chat().Text();
            EXPECT_EQ(read.find(L"SECRET"), std::wstring::npos);
            EXPECT_EQ(read.find(L"INNER"), std::wstring::npos);
            EXPECT_LT(read.size(), 100u);
        }
    }
}

TEST(CommentReader, FilesInOtherEncodings) {
    TempDir dir;
    CommentReader reader;
    EXPECT_FALSE(reader.Open(dir.File(L"missing.xml")));
    EXPECT_EQ(reader.Error(), "ファイルを開けません (2)");

    // Large enough that characters and line ends straddle the pieces read.
    std::wstring body = L"<packet>";
    std::vector<std::wstring> expected;
    for (int i = 0; i < 40000; ++i) {
        body += L"<chat>表ソ予\r\n" + std::to_wstring(i) + L"</chat>\r";
        expected.push_back(L"表ソ予\n" + std::to_wstring(i));
    }
    body += L"</packet>";
    auto declared = [](const char* name) {
        return L"<?xml version=\"1.0\" encoding=\"" + std::wstring(name, name + std::strlen(name)) + L"\"?>";
    };
    // Named as users name files, with characters the code page lacks.
    const struct {
        std::wstring name;
        std::string bytes;
    } files[] = {
        {L"utf16le.xml", Utf16(body)},
        {L"utf16be.xml", "\xFE\xFF" + EncodeAs(body, Encoding::Utf16Be)},
        {L"utf16-no-mark.xml", EncodeAs(declared("UTF-16") + body, Encoding::Utf16Be)},
        {std::wstring(kEmojiName) + L".xml", "\xEF\xBB\xBF" + EncodeAs(body, Encoding::Utf8)},
        // A declaration after a line break is still the declaration.
        {std::wstring(kHangulName) + L".xml", EncodeAs(L"\r\n" + declared("Shift_JIS") + body, Encoding::ShiftJis)},
        {L"euc.xml", EncodeAs(declared("euc-jp") + body, Encoding::EucJp)},
        {L"jis.xml", EncodeAs(declared("ISO-2022-JP") + body, Encoding::Iso2022Jp)},
    };
    for (const auto& file : files) {
        WriteFileBytes(dir.File(file.name), file.bytes);
        std::vector<std::wstring> texts;
        ASSERT_TRUE(reader.Open(dir.File(file.name))) << file.name << reader.Error();
        while (reader.Next()) texts.push_back(reader.Chat().Text());
        EXPECT_FALSE(reader.Failed()) << file.name << reader.Error();
        EXPECT_EQ(texts, expected) << file.name;
    }
    EXPECT_EQ(Texts("<?xml version='1.0' encoding='ISO-8859-1' standalone='yes'?><p><chat>caf\xE9</chat></p>"),
              (std::vector<std::wstring>{L"caf\u00E9"}));
}

}  // namespace
