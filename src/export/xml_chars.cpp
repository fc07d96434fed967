#include "export/xml_chars.h"

#include <emmintrin.h>

namespace {

// Sixteen bytes that are all ASCII and none a forbidden control: the usual
// case, which needs no decoding.
bool PlainBlock(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v);  // v <= 0x1F
    const __m128i allowed = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')),
                                                      _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
                                         _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
    const __m128i bad = _mm_or_si128(_mm_andnot_si128(allowed, low), v);  // the top bit marks non-ASCII
    return _mm_movemask_epi8(bad) == 0;
}

struct Decoded {
    std::uint32_t code;
    std::size_t length;  // 0: not UTF-8; more than available: cut off
};

// One character at p (at least one byte available). Overlong forms,
// surrogates and values past U+10FFFF are not UTF-8.
Decoded DecodeUtf8(const unsigned char* p, std::size_t available) {
    const unsigned b = p[0];
    if (b < 0x80) return {b, 1};
    std::size_t length;
    unsigned low = 0x80, high = 0xBF;  // range of the second byte
    std::uint32_t code;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        code = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        code = b & 0x0F;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        code = b & 0x07;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        return {0, 0};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= available) return {0, length};
        const unsigned c = p[i];
        if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) return {0, 0};
        code = code << 6 | (c & 0x3F);
    }
    return {code, length};
}

bool InRanges(std::uint32_t c, const std::uint32_t (*ranges)[2], std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (c >= ranges[i][0] && c <= ranges[i][1]) return true;
    }
    return false;
}

bool IsNameStart(std::uint32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
    static const std::uint32_t ranges[][2] = {
        {0xC0, 0xD6},     {0xD8, 0xF6},     {0xF8, 0x2FF},    {0x370, 0x37D},   {0x37F, 0x1FFF},   {0x200C, 0x200D},
        {0x2070, 0x218F}, {0x2C00, 0x2FEF}, {0x3001, 0xD7FF}, {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF}};
    return InRanges(c, ranges, sizeof ranges / sizeof ranges[0]);
}

bool IsNameChar(std::uint32_t c) {
    if (IsNameStart(c)) return true;
    if (c < 0x80) return (c >= '0' && c <= '9') || c == '-' || c == '.';
    return c == 0xB7 || (c >= 0x300 && c <= 0x36F) || c == 0x203F || c == 0x2040;
}

struct AsciiNames {
    bool start[128], other[128];
    constexpr AsciiNames() : start(), other() {
        for (int c = 0; c < 128; ++c) {
            start[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
            other[c] = start[c] || (c >= '0' && c <= '9') || c == '-' || c == '.';
        }
    }
};
constexpr AsciiNames kAsciiNames;

}  // namespace

void AppendUtf8Code(std::uint32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void AppendUtf16Units(std::string_view utf8, std::wstring& out) {
    const std::size_t at = out.size();
    out.resize(at + utf8.size());  // never more units than bytes
    wchar_t* to = &out[at];
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    while (p < end) {
        const unsigned b = *p;
        if (b < 0x80) {
            *to++ = static_cast<wchar_t>(b);
            ++p;
            continue;
        }
        const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (length == 0 || static_cast<std::size_t>(end - p) < length) {
            *to++ = static_cast<wchar_t>(0xFFFD);
            ++p;
            continue;
        }
        std::uint32_t code = b & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) code = code << 6 | (p[k] & 0x3F);
        p += length;
        if (code >= 0x10000) {
            *to++ = static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
            *to++ = static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            *to++ = static_cast<wchar_t>(code);
        }
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
}

std::size_t CheckUtf8(const char* text, std::size_t size, TextFault& fault) {
    fault = TextFault::None;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    std::size_t i = 0;
    while (i < size) {
        if (size - i >= 16 && PlainBlock(text + i)) {
            i += 16;
            continue;
        }
        // One block (or the tail) a character at a time.
        const std::size_t stop = size - i >= 16 ? i + 16 : size;
        while (i < stop) {
            const unsigned b = p[i];
            if (b >= 0x20 && b < 0x80) {
                ++i;
                continue;
            }
            // Kana and kanji: three bytes from E1 to EC, no range of their own to check.
            if (b >= 0xE1 && b <= 0xEC && size - i >= 3 && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80) {
                i += 3;
                continue;
            }
            const Decoded d = DecodeUtf8(p + i, size - i);
            if (d.length == 0) {
                fault = TextFault::NotUtf8;
                return i;
            }
            if (d.length > size - i) return i;  // cut off: the next piece completes it
            if (IsForbiddenControl(d.code)) {
                fault = TextFault::Control;
                return i;
            }
            i += d.length;
        }
    }
    return i;
}

bool IsXmlName(const char* name, std::size_t size) {
    const auto* p = reinterpret_cast<const unsigned char*>(name);
    for (std::size_t i = 0; i < size;) {
        if (p[i] < 0x80) {  // the usual name, without a call
            if (!(i == 0 ? kAsciiNames.start[p[i]] : kAsciiNames.other[p[i]])) return false;
            ++i;
            continue;
        }
        const Decoded d = DecodeUtf8(p + i, size - i);
        if (d.length == 0 || d.length > size - i) return false;
        if (!(i == 0 ? IsNameStart(d.code) : IsNameChar(d.code))) return false;
        i += d.length;
    }
    return size > 0;
}
