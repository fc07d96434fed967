// A sample holding every kind of token the reader knows, moved one character at
// a time across the end of the first read (4,096 bytes of the file) and the
// end of the reader's window (128 KB of text), in every encoding, after white
// space or after many chats: the same comments must come out at every offset.
#include <gtest/gtest.h>

#include "comments/comment_reader.h"
#include "testlib/encodings.h"

namespace {

// Attributes in both quotes with references, a line end, entities, CDATA with
// "]]" in it, a comment, an instruction, a character reference past the BMP,
// text in a child, white space only (dropped) and in CDATA (kept). Characters
// of every encoding: 表, ソ and 予 end in 0x5C in Shift_JIS.
const wchar_t kSample[] =
    L"<chat no=\"1\" mail='184 &amp; red' name=\"&#x3042;&quot;\">一行目\r\n&lt;表&gt;<![CDATA[ソ]]]]>"
    L"<!-- -- --><?pi ?>&#x1F600;<b> 予 </b></chat>\r\n  <chat no=\"2\"/><chat>  </chat><chat>\t<![CDATA[ ]]></chat>";

const wchar_t kFiller[] = L"<chat no=\"9\">www</chat>";  // ASCII, so its length is the same in every encoding

struct Expected {
    const char* no;
    std::wstring mail, name, text;
};
const Expected kExpected[] = {
    {"1", L"184 & red", L"あ\"", L"一行目\n<表>ソ]]\U0001F600 予 "},
    {"2", L"", L"", L""},
    {"", L"", L"", L""},
    {"", L"", L"", L" "},
};

struct Form {
    const char* name;
    Encoding encoding;
    std::string mark;
    const wchar_t* declaration;
};
const Form kForms[] = {
    {"UTF-8", Encoding::Utf8, "", L""},
    {"UTF-8 with its mark", Encoding::Utf8, "\xEF\xBB\xBF", L""},
    {"UTF-16LE", Encoding::Utf16Le, "\xFF\xFE", L""},
    {"UTF-16BE", Encoding::Utf16Be, "\xFE\xFF", L""},
    {"Shift_JIS", Encoding::ShiftJis, "", L"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>"},
    {"EUC-JP", Encoding::EucJp, "", L"<?xml version=\"1.0\" encoding=\"EUC-JP\"?>"},
    {"ISO-2022-JP", Encoding::Iso2022Jp, "", L"<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?>"},
};

// ASCII characters of white space, or of filler chats and then white space.
std::wstring Padding(std::size_t characters, bool chats, std::size_t& fillers) {
    const std::size_t filler = sizeof kFiller / sizeof kFiller[0] - 1;
    fillers = chats ? characters / filler : 0;
    std::wstring text;
    for (std::size_t i = 0; i < fillers; ++i) text += kFiller;
    text.append(characters - fillers * filler, L' ');
    return text;
}

// Empty when the document reads as expected, else what went wrong.
std::string Mismatch(const std::string& bytes, std::size_t fillers) {
    CommentReader reader;
    if (!reader.OpenText(bytes)) return "not opened: " + reader.Error();
    for (std::size_t i = 0; i < fillers; ++i) {
        if (!reader.Next()) return "filler " + std::to_string(i) + " missing: " + reader.Error();
        if (reader.Chat().Text() != L"www") return "filler " + std::to_string(i) + " differs";
    }
    for (const Expected& chat : kExpected) {
        if (!reader.Next()) return std::string("chat ") + chat.no + " missing: " + reader.Error();
        std::string_view no;
        reader.Chat().FindAttribute("no", no);
        const ChatElement& read = reader.Chat();
        if (no != chat.no || read.Attribute("mail") != chat.mail || read.Attribute("name") != chat.name ||
            read.Text() != chat.text) {
            return std::string("chat ") + chat.no + " differs";
        }
    }
    if (reader.Next()) return "a chat too many";
    return reader.Failed() ? "failed: " + reader.Error() : std::string();
}

TEST(ReaderBoundaries, EveryTokenAcrossEveryEdgeInEveryEncoding) {
    for (const Form& form : kForms) {
        const std::string sample = EncodeAs(kSample, form.encoding);
        const std::wstring head = std::wstring(form.declaration) + L"<packet>";
        const std::size_t unit = form.encoding == Encoding::Utf16Le || form.encoding == Encoding::Utf16Be ? 2 : 1;
        // Where the sample starts, in characters of padding: across the first
        // read of the file, then across the window over the decoded text.
        const std::size_t fileStart = form.mark.size() + head.size() * unit;
        const std::size_t textStart = head.size();
        const std::size_t firstRead = (4096 - fileStart) / unit, window = 128 * 1024 - textStart;
        const std::size_t reach = sample.size() / unit + 2;
        for (std::size_t edge : {firstRead, window}) {
            for (bool chats : {false, true}) {
                for (std::size_t pad = edge - reach; pad <= edge + 2; ++pad) {
                    std::size_t fillers = 0;
                    const std::string bytes = form.mark + EncodeAs(head + Padding(pad, chats, fillers), form.encoding) +
                                              sample + EncodeAs(L"</packet>", form.encoding);
                    const std::string wrong = Mismatch(bytes, fillers);
                    ASSERT_EQ(wrong, "") << form.name << ", padding " << pad << (chats ? " with chats" : "");
                }
            }
        }
    }
}

}  // namespace
