// Byte searches sixteen bytes at a time, for scans that run over whole files.
// The C runtime's memchr goes byte by byte under some runtimes.
#pragma once

#include <emmintrin.h>
#ifdef _MSC_VER
#include <intrin.h>
#endif

inline int LowestBit(unsigned mask) {
#ifdef _MSC_VER
    unsigned long at;
    _BitScanForward(&at, mask);
    return static_cast<int>(at);
#else
    return __builtin_ctz(mask);
#endif
}

// The first of the bytes a, b, c, d in [p, end), or end; sixteen at a time.
inline const char* FindAnyByte(const char* p, const char* end, char a, char b, char c, char d) {
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c), vd = _mm_set1_epi8(d);
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                                          _mm_or_si128(_mm_cmpeq_epi8(v, vc), _mm_cmpeq_epi8(v, vd)));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) return p + LowestBit(mask);
        p += 16;
    }
    while (p < end && *p != a && *p != b && *p != c && *p != d) ++p;
    return p;
}

// The first of the bytes a, b, c, d, e in [p, end), or end; sixteen at a time.
inline const char* FindAnyByte(const char* p, const char* end, char a, char b, char c, char d, char e) {
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c), vd = _mm_set1_epi8(d),
                  ve = _mm_set1_epi8(e);
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                                                       _mm_or_si128(_mm_cmpeq_epi8(v, vc), _mm_cmpeq_epi8(v, vd))),
                                          _mm_cmpeq_epi8(v, ve));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) return p + LowestBit(mask);
        p += 16;
    }
    while (p < end && *p != a && *p != b && *p != c && *p != d && *p != e) ++p;
    return p;
}

// The first byte c in [p, end), or end.
inline const char* FindByte(const char* p, const char* end, char c) {
    const __m128i vc = _mm_set1_epi8(c);
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, vc)));
        if (mask != 0) return p + LowestBit(mask);
        p += 16;
    }
    while (p < end && *p != c) ++p;
    return p;
}
