#include "export/comment_reader.h"

#include <gtest/gtest.h>

#include "testlib/temp_dir.h"

namespace {

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

TEST(CommentReader, ReferencesAreResolved) {
    CommentReader reader;
    ASSERT_TRUE(reader.OpenText(u8"<packet><chat mail=\"a&amp;b &#x41;&#66;\" name='x\ty\nz&#10;'>&lt;x&gt; &quot;&apos; "
                                u8"&#x3042;<![CDATA[<raw>&amp;]]></chat></packet>"));
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.Chat().Attribute("mail"), L"a&b AB");
    EXPECT_EQ(reader.Chat().Attribute("name"), L"x y z\n");  // literal tab and line feed become spaces
    EXPECT_EQ(reader.Chat().Text(), L"<x> \"' あ<raw>&amp;");
    EXPECT_EQ(reader.Chat().Attribute("missing"), L"");
    EXPECT_FALSE(reader.Next());
    EXPECT_FALSE(reader.Failed());
}

TEST(CommentReader, ChatsAtAnyDepthInDocumentOrder) {
    EXPECT_EQ(Texts(u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- saved -->\n"
                    u8"<packet>\n  <thread thread=\"1\"/>\n  <chat>1</chat>\n  <!-- note -->\n"
                    u8"  <other>x</other>\n  <chat>2</chat>\n  <group><chat>3</chat></group>\n"
                    u8"  <chat>4</chat>\n  <view_counter video=\"0\"/>\n</packet>\n"),
              (std::vector<std::wstring>{L"1", L"2", L"3", L"4"}));
    // A chat inside a chat comes after it, and its text is part of the outer one.
    EXPECT_EQ(Texts("<p><chat>a<chat>b</chat>c</chat><chat/></p>"), (std::vector<std::wstring>{L"abc", L"b", L""}));
}

TEST(CommentReader, RootNamedChatIsNotACommentAndNestedTextIsGathered) {
    EXPECT_EQ(Texts("<chat><chat>a<b>b</b>c</chat></chat>"), (std::vector<std::wstring>{L"abc"}));
    // Runs of nothing but white space between markup are dropped, others kept whole.
    EXPECT_EQ(Texts("<p><chat>\n <b> x </b>\n <!-- c --> y <![CDATA[ ]]></chat></p>"),
              (std::vector<std::wstring>{L" x  y  "}));
}

TEST(CommentReader, LineEndsAreNormalisedButCharacterReferencesKept) {
    EXPECT_EQ(Texts("<p>\r\n<chat>a\r\nb\rc&#13;&#10;d</chat>\r\n</p>"),
              (std::vector<std::wstring>{L"a\nb\nc\r\nd"}));
}

TEST(CommentReader, ThreadAndViewCounterOfTheRoot) {
    CommentReader reader;
    ASSERT_TRUE(reader.OpenText("<packet><thread thread=\"77\" server_time=\"5\"/><chat no=\"1\"/>"
                                "<g><view_counter video=\"1\"/></g><view_counter video=\"9\"/></packet>"));
    ASSERT_TRUE(reader.Next());
    ASSERT_NE(reader.ThreadElement(), nullptr);
    EXPECT_EQ(reader.ThreadElement()->Integer("server_time"), 5);
    EXPECT_EQ(reader.ViewCounter(), nullptr);
    EXPECT_FALSE(reader.Next());
    ASSERT_NE(reader.ViewCounter(), nullptr);
    EXPECT_EQ(reader.ViewCounter()->Attribute("video"), L"9");
}

// Refused by the checking pass and by the stream alike.
TEST(CommentReader, MalformedInputIsRefused) {
    const char* const bad[] = {
        "",
        "   ",
        "<packet><chat>1</chat>",                      // not closed
        "<packet><chat>1</chot></packet>",             // wrong end tag
        "<packet/><packet/>",                          // two roots
        "text<packet/>",                               // text outside the root
        "<packet/>x",                                  //
        "<packet><chat a=\"1></chat></packet>",       // open quote
        "<packet><chat a=\"<\"/></packet>",            // '<' in a value
        "<packet><chat a=\"1\"b=\"2\"/></packet>",     // no space between attributes
        "<packet><chat a=\"1\" a=\"2\"/></packet>",    // twice
        "<packet><chat a=1/></packet>",                // no quotes
        "<packet><chat>&nbsp;</chat></packet>",        // undefined entity
        "<packet><leaf a=\"&#0;\"/></packet>",         // no such character
        "<packet><chat>a & b</chat></packet>",         // bare ampersand
        "<packet><!-- open </packet>",                 // comment never ends
        "<![CDATA[x]]><packet/>",                      // CDATA outside the root
        "<!DOCTYPE p [<!ENTITY e \"x\">]><p>&e;</p>",  // DTDs are not read
        "<1packet/>",
    };
    TempDir dir;
    for (const char* text : bad) {
        CommentReader reader;
        if (reader.OpenText(text)) {
            while (reader.Next()) {
            }
        }
        EXPECT_TRUE(reader.Failed()) << text;
        WriteFileBytes(dir.File("bad.xml"), text);
        std::size_t chats = 0;
        std::string error;
        EXPECT_FALSE(CommentReader::CheckFile(dir.File("bad.xml"), chats, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
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

// Every construct cut by the end of the reader's window at every byte: the
// same comments come out wherever the cut falls.
TEST(CommentReader, ConstructsCutAtAnyByte) {
    const std::string sample =
        u8"<chat no=\"1\" mail=\"184 &amp; red\" name='&#x3042;'>一行目\r\n&lt;二&gt;<![CDATA[]]]]>"
        u8"<!-- -- --><?pi ?>&#x1F600;</chat>";
    const std::wstring expected = L"一行目\n<二>]]\U0001F600";
    for (std::size_t pad = 128 * 1024 - sample.size() - 8; pad <= 128 * 1024 + 8; ++pad) {
        const std::string text = "<packet>" + std::string(pad - 8, ' ') + sample + sample + "</packet>";
        CommentReader reader;
        ASSERT_TRUE(reader.OpenText(text));
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(reader.Next()) << pad << reader.Error();
            ASSERT_EQ(reader.Chat().Text(), expected) << pad;
            ASSERT_EQ(reader.Chat().Attribute("mail"), L"184 & red") << pad;
            ASSERT_EQ(reader.Chat().Attribute("name"), L"あ") << pad;
        }
        ASSERT_FALSE(reader.Next());
        ASSERT_FALSE(reader.Failed()) << pad << reader.Error();
    }
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
    EXPECT_FALSE(reader.Open(dir.File("missing.xml")));
    EXPECT_FALSE(reader.Error().empty());

    // Large enough that characters and line ends straddle the pieces read.
    std::wstring wide = L"<packet>";
    std::vector<std::wstring> expected;
    for (int i = 0; i < 40000; ++i) {
        wide += L"<chat>表ソ\r\n" + std::to_wstring(i) + L"</chat>\r";
        expected.push_back(L"表ソ\n" + std::to_wstring(i));
    }
    wide += L"</packet>";
    std::string utf16 = "\xFF\xFE";
    for (wchar_t c : wide) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    std::string sjis;  // 表 and ソ end in 0x5C
    for (wchar_t c : wide) {
        if (c == L'表') sjis += "\x95\x5C";
        else if (c == L'ソ') sjis += "\x83\x5C";
        else sjis += static_cast<char>(c);
    }
    const std::pair<std::string, std::string> files[] = {
        {"utf16.xml", utf16},
        {"sjis.xml", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>" + sjis},
        {"bom.xml", "\xEF\xBB\xBF<p><chat>\xE3\x81\x82</chat></p>"},
    };
    for (const auto& file : files) {
        WriteFileBytes(dir.File(file.first), file.second);
        std::vector<std::wstring> texts;
        ASSERT_TRUE(reader.Open(dir.File(file.first))) << file.first;
        while (reader.Next()) texts.push_back(reader.Chat().Text());
        EXPECT_FALSE(reader.Failed()) << file.first << reader.Error();
        EXPECT_EQ(texts, file.first == "bom.xml" ? std::vector<std::wstring>{L"あ"} : expected) << file.first;
    }

    WriteFileBytes(dir.File("odd.xml"), "<?xml version=\"1.0\" encoding=\"x-unknown\"?><p/>");
    EXPECT_FALSE(reader.Open(dir.File("odd.xml")));
}

}  // namespace
