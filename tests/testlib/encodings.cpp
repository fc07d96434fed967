#include "testlib/encodings.h"

#include <windows.h>

#include <stdexcept>

#include "support/codepage.h"

namespace {

std::string CodePage(UINT page, const std::wstring& text) {
    if (text.empty()) return std::string();
    std::string out(text.size() * 4, '\0');
    BOOL lost = FALSE;
    const int n = ::WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                        static_cast<int>(out.size()), nullptr, page == CP_UTF8 ? nullptr : &lost);
    if (n <= 0 || lost) throw std::runtime_error("a character without a form in code page " + std::to_string(page));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace

std::string EncodeAs(const std::wstring& text, Encoding encoding) {
    std::string out;
    switch (encoding) {
        case Encoding::Utf8: return WideToUtf8(text);
        case Encoding::Utf16Le:
        case Encoding::Utf16Be:
            for (wchar_t c : text) {
                const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
                out += encoding == Encoding::Utf16Le ? low : high;
                out += encoding == Encoding::Utf16Le ? high : low;
            }
            return out;
        case Encoding::ShiftJis: return CodePage(932, text);
        case Encoding::EucJp: return CodePage(20932, text);
        case Encoding::Iso2022Jp: {
            // JIS X 0208 is EUC-JP without the high bits, between escapes.
            const std::string euc = CodePage(20932, text);
            bool kanji = false;
            for (std::size_t i = 0; i < euc.size(); ++i) {
                const auto b = static_cast<unsigned char>(euc[i]);
                if ((b >= 0x80) != kanji) out += (kanji = b >= 0x80) ? "\x1B$B" : "\x1B(B";
                if (b == 0x8E) throw std::runtime_error("half-width katakana");
                out += static_cast<char>(b & 0x7F);
            }
            if (kanji) out += "\x1B(B";
            return out;
        }
        case Encoding::Latin1:
        case Encoding::Ascii:
            for (wchar_t c : text) {
                if (c > (encoding == Encoding::Ascii ? 0x7F : 0xFF)) throw std::runtime_error("not a single byte");
                out += static_cast<char>(c);
            }
            return out;
    }
    return out;
}
