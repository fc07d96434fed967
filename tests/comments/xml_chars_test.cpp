#include "comments/xml_chars.h"

#include <gtest/gtest.h>

#include <string>

#include "support/codepage.h"

namespace {

// A character at a time, as the standard's table of well-formed sequences says.
std::size_t PlainCheck(const std::string& text, TextFault& fault) {
    fault = TextFault::None;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned b = p[i];
        std::size_t length = b < 0x80                 ? 1
                             : b >= 0xC2 && b <= 0xDF ? 2
                             : b >= 0xE0 && b <= 0xEF ? 3
                             : b >= 0xF0 && b <= 0xF4 ? 4
                                                      : 0;
        if (length == 0) return fault = TextFault::NotUtf8, i;
        std::uint32_t code = length == 1 ? b : b & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k == text.size()) return i;  // cut off
            const unsigned c = p[i + k];
            const unsigned low = k > 1 ? 0x80 : b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
            const unsigned high = k > 1 ? 0xBF : b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
            if (c < low || c > high) return fault = TextFault::NotUtf8, i;
            code = code << 6 | (c & 0x3F);
        }
        if (IsForbiddenControl(code)) return fault = TextFault::Control, i;
        i += length;
    }
    return i;
}

// Characters of every length and the faults between them, each at every
// place of the sixteen-byte blocks the check reads at once.
TEST(CheckUtf8, AgreesWithAPlainCheckWhereverACharacterFalls) {
    const std::string fillers[] = {u8"ソ表予", u8"\uD55C\uAE00", "abc", u8"\U0001F600", u8"\u00E9"};
    const std::string oddities[] = {"",
                                    "\xE3\x81",
                                    "\xE3",
                                    "\x81",
                                    "\x01",
                                    "\xED\xA0\x80",
                                    "\xE0\x80\x80",
                                    "\xEF\xBF\xBF",
                                    "\xC0\xAF",
                                    "\xF4\x90\x80\x80",
                                    "\xE3\xE3\x81\x82",
                                    "\t\r\n",
                                    "\xFF"};
    for (const std::string& filler : fillers) {
        for (const std::string& oddity : oddities) {
            for (std::size_t lead = 0; lead < 40; ++lead) {
                std::string text(lead, 'a');
                while (text.size() < lead + 20) text += filler;
                text += oddity;
                for (int k = 0; k < 3; ++k) text += filler;
                for (std::size_t cut : {text.size(), text.size() - 1, lead + 17, lead + 1}) {
                    const std::string piece = text.substr(0, cut);
                    TextFault want, got;
                    const std::size_t expected = PlainCheck(piece, want);
                    ASSERT_EQ(CheckUtf8(piece.data(), piece.size(), got), expected) << lead << " " << cut;
                    ASSERT_EQ(got, want) << lead << " " << cut;
                }
            }
        }
    }
}

TEST(AppendUtf16Units, ReadsBackAsTheSameUtf8) {
    std::string text = u8"ソ表予 ｶﾞ \t";
    text += u8"\uD55C\uAE00\U0001F600";
    while (text.size() < 1000) text += text;  // past the decoder's own buffer
    std::wstring wide = L"keep";
    AppendUtf16Units(text, wide);
    EXPECT_EQ(wide.substr(0, 4), L"keep");
    EXPECT_EQ(WideToUtf8(wide.substr(4)), text);
    std::wstring broken;
    AppendUtf16Units("a\xE3\x81", broken);  // cut short: nothing read past the end
    EXPECT_EQ(broken, L"a\xFFFD\xFFFD");
}

}  // namespace
