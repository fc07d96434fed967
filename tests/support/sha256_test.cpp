#include "support/sha256.h"

#include <gtest/gtest.h>

namespace {

TEST(Sha256, KnownDigests) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    // A million "a" in pieces that never meet the block boundary, by the
    // processor's instructions (where it has them) and by the portable rounds.
    for (Sha256::Engine engine : {Sha256::Engine::Auto, Sha256::Engine::Portable}) {
        Sha256 sha(engine);
        const std::string piece(997, 'a');
        std::size_t given = 0;
        for (; given + piece.size() <= 1000000; given += piece.size()) sha.Update(piece);
        sha.Update(std::string(1000000 - given, 'a'));
        EXPECT_EQ(sha.FinishHex(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    }
}

}  // namespace
