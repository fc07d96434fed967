// libFuzzer target for a comment's pieces of a subtitle event (CTest
// fuzz_subtitle_markup, built natively by tests/tools/fuzz.sh).
// Input: the mail, a zero byte, the text (UTF-8 with control characters; what
// is not UTF-8 is cut off, as the reader never hands it out).
// Properties: the mail's duration is none or 1 to 60 seconds; nothing of the
// text opens an override block or an escape (every backslash starts "\N" or
// "\h" or is followed by the word joiner), no control character is left, no
// plain space starts or ends a line (renderers drop those), the lines and the
// last line's width agree with the text written, and a text found blank draws
// nothing but blanks.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "export/subtitle_markup.h"
#include "fuzz_check.h"

namespace {

// One reference pixel a character.
class UnitWidths : public CharacterWidths {
public:
    int Advance(std::uint32_t) override { return 1; }
};

// The code points of UTF-8 the markup wrote (well-formed by the property above).
std::u32string Decode(std::string_view utf8) {
    std::u32string codes;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        std::uint32_t code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) code = code << 6 | (utf8[i + k] & 0x3F);
        codes += static_cast<char32_t>(code);
        i += length;
    }
    return codes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view mail = NextTextPart(input);
    const std::string_view text = NextTextPart(input);

    std::wstring wideMail;
    AppendUtf16Units(mail, wideMail);
    const CommentLook look = ReadMailCommands(wideMail);
    FUZZ_CHECK(look.duration == 0 || (look.duration >= 100 && look.duration <= 6000), "a duration of 1 to 60 s");

    std::string out;
    UnitWidths widths;
    const AssTextShape shape = AppendAssText(text, out, &widths);
    TextFault fault;
    FUZZ_CHECK(CheckUtf8(out.data(), out.size(), fault) == out.size(), "well-formed UTF-8 without controls");
    const std::u32string codes = Decode(out);
    std::size_t lines = 1;
    long long last = 0;
    bool drawn = false, lineStart = true;
    const auto lineBreakAt = [&](std::size_t at) {
        return at == codes.size() || (codes[at] == U'\\' && at + 1 < codes.size() && codes[at + 1] == U'N');
    };
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const char32_t c = codes[i];
        FUZZ_CHECK(c != U'{' && c != U'}', "no override block opens");
        FUZZ_CHECK(c >= 0x20 && c != 0x7F, "no control character");
        if (c == U'\\') {
            FUZZ_CHECK(i + 1 < codes.size() && (codes[i + 1] == U'N' || codes[i + 1] == U'h' || codes[i + 1] == 0x2060),
                       "no escape but line breaks and hard spaces");
            if (codes[i + 1] == U'N') {
                ++lines, last = 0, ++i;
                lineStart = true;
                continue;
            }
            if (codes[i + 1] == U'h') {
                ++last, ++i;
                continue;
            }
        }
        if (c == 0x2060) continue;  // takes no room
        FUZZ_CHECK(c != U' ' || (!lineStart && !lineBreakAt(i + 1)), "no plain space at a line's ends");
        lineStart = false;
        ++last;
        drawn = drawn || !IsInvisibleCharacter(c);
    }
    FUZZ_CHECK(shape.lines == lines, "the lines written");
    FUZZ_CHECK(shape.last == last && shape.last <= shape.widest, "the last line's width");
    FUZZ_CHECK(shape.visible == drawn, "blank exactly when nothing but blanks is drawn");
    return 0;
}
