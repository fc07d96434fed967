// memcpy and memmove for the programs built with MinGW, in place of the C
// runtime's. Wine's msvcrt aligns every copy with string instructions a byte,
// a word and a double word at a time: a tenth to a fifth of an export's time
// went there, most of it in copies of a few dozen bytes. No <string.h> here:
// its declarations would clash with these definitions.
#if defined(__MINGW32__)

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

namespace {

using Byte = unsigned char;

inline __m128i Load16(const Byte* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store16(Byte* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

template <typename T>
inline T Load(const Byte* p) {
    T value;
    __builtin_memcpy(&value, p, sizeof value);  // a constant size: one move, no call
    return value;
}

template <typename T>
inline void Store(Byte* p, T value) {
    __builtin_memcpy(p, &value, sizeof value);
}

// At most 32 bytes: both ends loaded before anything is stored, which is right
// however the ranges overlap.
template <typename T>
inline void CopyEnds(Byte* d, const Byte* s, std::size_t n) {
    const T head = Load<T>(s), tail = Load<T>(s + n - sizeof(T));
    Store(d, head);
    Store(d + n - sizeof(T), tail);
}

inline void CopySmall(Byte* d, const Byte* s, std::size_t n) {
    if (n >= 16) {
        const __m128i head = Load16(s), tail = Load16(s + n - 16);
        Store16(d, head);
        Store16(d + n - 16, tail);
    } else if (n >= 8) {
        CopyEnds<std::uint64_t>(d, s, n);
    } else if (n >= 4) {
        CopyEnds<std::uint32_t>(d, s, n);
    } else if (n >= 2) {
        CopyEnds<std::uint16_t>(d, s, n);
    } else if (n == 1) {
        *d = *s;
    }
}

}  // namespace

extern "C" void* memmove(void* to, const void* from, std::size_t n) {
    Byte* const d = static_cast<Byte*>(to);
    const Byte* const s = static_cast<const Byte*>(from);
    if (n <= 32) {
        CopySmall(d, s, n);
    } else if (reinterpret_cast<std::uintptr_t>(d) - reinterpret_cast<std::uintptr_t>(s) >= n) {
        // Upward: the target lies below the source or apart from it, so no
        // store reaches source bytes not read yet; the last 16 are read first.
        const __m128i tail = Load16(s + n - 16);
        std::size_t i = 0;
        for (; i + 64 <= n - 16; i += 64) {
            const __m128i a = Load16(s + i), b = Load16(s + i + 16), c = Load16(s + i + 32), e = Load16(s + i + 48);
            Store16(d + i, a);
            Store16(d + i + 16, b);
            Store16(d + i + 32, c);
            Store16(d + i + 48, e);
        }
        for (; i < n - 16; i += 16) Store16(d + i, Load16(s + i));
        Store16(d + n - 16, tail);
    } else {
        // Downward: the target overlaps the source from above; the first 16
        // are read first, the rest from the top down.
        const __m128i head = Load16(s);
        std::size_t i = n;
        do {
            i -= 16;
            Store16(d + i, Load16(s + i));
        } while (i > 32);
        Store16(d + i - 16, Load16(s + i - 16));
        Store16(d, head);
    }
    return to;
}

extern "C" void* memcpy(void* to, const void* from, std::size_t n) { return memmove(to, from, n); }

#endif
