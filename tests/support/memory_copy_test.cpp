// The program's own memmove and memcpy (MinGW builds) against a copy made
// byte by byte through a second buffer: every size up to a few hundred bytes
// and large ones, every overlap within 40 bytes either way.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Keeps the compiler from copying inline: the size reaches the call unknown.
volatile std::size_t opaque = 0;

std::vector<unsigned char> Expected(const std::vector<unsigned char>& buffer, std::size_t to, std::size_t from,
                                    std::size_t n) {
    std::vector<unsigned char> result = buffer, source(buffer.begin() + from, buffer.begin() + from + n);
    for (std::size_t i = 0; i < n; ++i) result[to + i] = source[i];
    return result;
}

TEST(MemoryCopy, EverySizeAndOverlapCopiesAsIfThroughATemporary) {
    std::vector<std::size_t> sizes;
    for (std::size_t n = 0; n <= 300; ++n) sizes.push_back(n);
    for (std::size_t n : {1000u, 4096u + 7u, 65536u + 33u, 1u << 20}) sizes.push_back(n);
    for (std::size_t n : sizes) {
        const std::size_t base = 48;
        std::vector<unsigned char> buffer(n + 2 * base + 16);
        for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<unsigned char>(i * 131 + 7);
        for (int shift = -40; shift <= 40; shift += (n > 1000 ? 13 : 1)) {
            const std::size_t from = base, to = static_cast<std::size_t>(static_cast<int>(base) + shift);
            std::vector<unsigned char> copy = buffer;
            std::memmove(copy.data() + to, copy.data() + from, n + opaque);
            ASSERT_EQ(copy, Expected(buffer, to, from, n)) << "memmove of " << n << " bytes shifted by " << shift;
        }
        // memcpy of ranges apart, at every alignment of the target.
        for (std::size_t to = 0; to < 16; ++to) {
            std::vector<unsigned char> source = buffer, target(buffer.size());
            std::memcpy(target.data() + to, source.data() + 3, n + opaque);
            ASSERT_EQ(0, std::memcmp(target.data() + to, buffer.data() + 3, n)) << "memcpy of " << n;
            for (std::size_t i = 0; i < to; ++i) ASSERT_EQ(target[i], 0) << "memcpy of " << n << " wrote before";
            for (std::size_t i = to + n; i < target.size(); ++i)
                ASSERT_EQ(target[i], 0) << "memcpy of " << n << " wrote after";
        }
    }
}

}  // namespace
