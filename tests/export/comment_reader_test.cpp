#include "export/comment_reader.h"

#include <gtest/gtest.h>

#include "testlib/temp_dir.h"

namespace {

std::vector<std::wstring> Texts(const CommentReader& reader) {
    std::vector<std::wstring> texts;
    for (const auto& chat : reader.Chats()) texts.push_back(chat.Text());
    return texts;
}

TEST(CommentReader, ReferencesAreResolved) {
    CommentReader reader;
    ASSERT_TRUE(reader.LoadText(u8"<packet><chat mail=\"a&amp;b &#x41;&#66;\">&lt;x&gt; &quot;&apos; &#x3042;"
                                u8"<![CDATA[<raw>&amp;]]></chat></packet>"));
    ASSERT_EQ(reader.Chats().size(), 1u);
    EXPECT_EQ(reader.Chats()[0].Attribute("mail"), L"a&b AB");
    EXPECT_EQ(reader.Chats()[0].Text(), L"<x> \"' あ<raw>&amp;");
    EXPECT_EQ(reader.Chats()[0].Attribute("missing"), L"");
}

TEST(CommentReader, ChatsAtAnyDepthInDocumentOrder) {
    CommentReader reader;
    ASSERT_TRUE(reader.LoadText(u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- saved -->\n"
                                u8"<packet>\n  <thread thread=\"1\"/>\n  <chat>1</chat>\n  <!-- note -->\n"
                                u8"  <other>x</other>\n  <chat>2</chat>\n  <group><chat>3</chat></group>\n"
                                u8"  <chat>4</chat>\n  <view_counter video=\"0\"/>\n</packet>\n"));
    EXPECT_EQ(Texts(reader), (std::vector<std::wstring>{L"1", L"2", L"3", L"4"}));
}

TEST(CommentReader, RootNamedChatIsNotACommentAndNestedTextIsGathered) {
    CommentReader reader;
    ASSERT_TRUE(reader.LoadText("<chat><chat>a<b>b</b>c</chat></chat>"));
    EXPECT_EQ(Texts(reader), (std::vector<std::wstring>{L"abc"}));
}

TEST(CommentReader, LineEndsAreNormalisedButCharacterReferencesKept) {
    CommentReader reader;
    ASSERT_TRUE(reader.LoadText("<p>\r\n<chat>a\r\nb\rc&#13;&#10;d</chat>\r\n</p>"));
    EXPECT_EQ(Texts(reader), (std::vector<std::wstring>{L"a\nb\nc\r\nd"}));
}

TEST(CommentReader, MalformedInputIsRefused) {
    const char* const bad[] = {
        "",
        "   ",
        "<packet><chat>1</chat>",                  // not closed
        "<packet><chat>1</chot></packet>",         // wrong end tag
        "<packet/><packet/>",                      // two roots
        "text<packet/>",                           // text outside the root
        "<packet><chat a=\"1></chat></packet>",   // open quote
    };
    for (const char* text : bad) {
        CommentReader reader;
        EXPECT_FALSE(reader.LoadText(text)) << text;
        EXPECT_FALSE(reader.Error().empty()) << text;
        EXPECT_TRUE(reader.Chats().empty()) << text;
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
    CommentReader reader;
    EXPECT_TRUE(reader.LoadText(nested(999)));
    EXPECT_EQ(reader.Chats().size(), 1u);
    EXPECT_FALSE(reader.LoadText(nested(1000)));
    EXPECT_FALSE(reader.LoadText(nested(200000)));
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
        if (!reader.LoadText(text)) continue;  // refused: fine
        for (const auto& chat : reader.Chats()) {
            const std::wstring read = chat.Text();
            EXPECT_EQ(read.find(L"SECRET"), std::wstring::npos);
            EXPECT_EQ(read.find(L"INNER"), std::wstring::npos);
            EXPECT_LT(read.size(), 100u);
        }
    }
}

TEST(CommentReader, FilesInOtherEncodings) {
    TempDir dir;
    CommentReader reader;
    EXPECT_FALSE(reader.Load(dir.File("missing.xml")));

    // UTF-16 with its byte-order mark.
    std::wstring wide = L"<packet><chat>あ</chat></packet>";
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : wide) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    WriteFileBytes(dir.File("utf16.xml"), bytes);
    ASSERT_TRUE(reader.Load(dir.File("utf16.xml")));
    EXPECT_EQ(Texts(reader), (std::vector<std::wstring>{L"あ"}));

    // Shift_JIS by its declaration; a UTF-8 byte-order mark is skipped.
    WriteFileBytes(dir.File("sjis.xml"), "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><p><chat>\x82\xA0</chat></p>");
    ASSERT_TRUE(reader.Load(dir.File("sjis.xml")));
    EXPECT_EQ(Texts(reader), (std::vector<std::wstring>{L"あ"}));
    WriteFileBytes(dir.File("bom.xml"), "\xEF\xBB\xBF<p><chat>\xE3\x81\x82</chat></p>");
    ASSERT_TRUE(reader.Load(dir.File("bom.xml")));
    EXPECT_EQ(Texts(reader), (std::vector<std::wstring>{L"あ"}));

    WriteFileBytes(dir.File("odd.xml"), "<?xml version=\"1.0\" encoding=\"x-unknown\"?><p/>");
    EXPECT_FALSE(reader.Load(dir.File("odd.xml")));
}

}  // namespace
