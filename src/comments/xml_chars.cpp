#include "comments/xml_chars.h"

#include <emmintrin.h>

namespace {

// Sixteen bytes that are all ASCII and none a forbidden control: the usual
// case, which needs no decoding.
bool PlainBlock(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v);  // v <= 0x1F
    const __m128i allowed =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
                     _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
    const __m128i bad = _mm_or_si128(_mm_andnot_si128(allowed, low), v);  // the top bit marks non-ASCII
    return _mm_movemask_epi8(bad) == 0;
}

// Sixteen bytes of allowed ASCII and of three-byte characters whose second
// byte may be any continuation byte (leads E1 to EC and EE, EF: kana and
// kanji), Japanese text's usual bytes, checked together. owed holds the
// continuation bytes the block before still owes (bit 0 and 1: this block's
// first two bytes). True when every character so far is whole and
// well-formed; owed then holds what this block owes the next. False says
// nothing: the block is checked a character at a time.
bool CommonBlock(const char* p, unsigned& owed) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i ascii = _mm_or_si128(
        _mm_cmpgt_epi8(v, _mm_set1_epi8(0x1F)),  // 0x20 to 0x7F: bytes from 0x80 are negative
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
                     _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'))));
    const __m128i x = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(0xE1)));  // E1..EC: 0..11, EE..EF: 13..14
    const __m128i lead =
        _mm_andnot_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(12)), _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(14)), x));
    const __m128i continuation = _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xC0))),
                                                _mm_set1_epi8(static_cast<char>(0x80)));
    const unsigned a = static_cast<unsigned>(_mm_movemask_epi8(ascii));
    const unsigned l = static_cast<unsigned>(_mm_movemask_epi8(lead));
    const unsigned c = static_cast<unsigned>(_mm_movemask_epi8(continuation));
    if ((a | l | c) != 0xFFFF) return false;
    const unsigned second = l << 1, third = l << 2;
    if ((second & third) != 0 || ((second | third) & owed) != 0) return false;
    const unsigned expected = second | third | owed;
    if ((expected & 0xFFFF) != c) return false;
    owed = expected >> 16;
    return true;
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
    static const std::uint32_t ranges[][2] = {{0xC0, 0xD6},     {0xD8, 0xF6},     {0xF8, 0x2FF},    {0x370, 0x37D},
                                              {0x37F, 0x1FFF},  {0x200C, 0x200D}, {0x2070, 0x218F}, {0x2C00, 0x2FEF},
                                              {0x3001, 0xD7FF}, {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF}};
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
    // A piece at a time through a buffer of our own: growing the string first
    // would fill it only to write it again.
    wchar_t units[256];
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    while (p < end) {
        wchar_t* to = units;
        wchar_t* const full = units + 254;  // room for a surrogate pair
        while (p < end && to < full) {
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
        out.append(units, static_cast<std::size_t>(to - units));
    }
}

std::size_t CheckUtf8(const char* text, std::size_t size, TextFault& fault) {
    fault = TextFault::None;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    std::size_t i = 0;
    unsigned owed = 0;  // continuation bytes the blocks passed owe to the next
    while (i < size) {
        if (size - i >= 16) {
            if (owed == 0 && PlainBlock(text + i)) {
                i += 16;
                continue;
            }
            if (CommonBlock(text + i, owed)) {
                i += 16;
                continue;
            }
        }
        // One block (or the tail) a character at a time, from the start of the
        // character the blocks passed left unfinished.
        i -= owed == 0 ? 0 : owed == 1 ? 2 : 1;
        owed = 0;
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
    // The last block's character is cut off: the next piece completes it.
    return i - (owed == 0 ? 0 : owed == 1 ? 2 : 1);
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
