// SHA-256 (FIPS 180-4) without the platform: the data export's digests of its
// inputs and of salted user ids, the same bytes on every system.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class Sha256 {
public:
    // Auto uses the processor's SHA instructions where it has them; Portable
    // never does (for tests of both ways).
    enum class Engine { Auto, Portable };
    explicit Sha256(Engine engine = Engine::Auto);
    void Update(const void* data, std::size_t size);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
    // The digest of everything given so far; the object is spent afterwards.
    std::array<std::uint8_t, 32> Finish();
    // The same as 64 lower-case hex digits.
    std::string FinishHex();

private:
    void Blocks(const std::uint8_t* data, std::size_t count);

    bool extensions_;
    std::uint32_t state_[8];
    std::uint8_t pending_[64];
    std::size_t pendingSize_ = 0;
    std::uint64_t totalBytes_ = 0;
};

// The lower-case hex digest of the bytes.
std::string Sha256Hex(std::string_view bytes);
