// SHA-256 through libcrypto, against published test vectors.
#include "common/error.h"
#include "platform/posix/libcrypto_hash_service.h"

#include <gtest/gtest.h>
#include <string>

namespace qly::posix {
namespace {

std::string digestOf(std::string_view data, size_t piece) {
    LibcryptoHashService service;
    auto hasher = service.newSha256();
    for (size_t at = 0; at < data.size(); at += piece) {
        hasher->update(std::span<const char>(data.substr(at, piece)));
    }
    return ToHex(hasher->finish());
}

TEST(Sha256Test, KnownVectorsWholeAndInPieces) {
    const std::string million(1000000, 'a');
    const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    for (const size_t piece : {size_t{1} << 30, size_t{1}, size_t{63}, size_t{64}, size_t{65}}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(digestOf("", piece),
                  "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
        EXPECT_EQ(digestOf("abc", piece),
                  "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        EXPECT_EQ(digestOf(twoBlocks, piece),
                  "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    }
    EXPECT_EQ(digestOf(million, 4096),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(digestOf(std::string("\0\xff\x80", 3), 1), digestOf(std::string("\0\xff\x80", 3), 3));
}

TEST(Sha256Test, DigestIsTakenOnce) {
    LibcryptoHashService service;
    auto hasher = service.newSha256();
    hasher->update(std::span<const char>("x", 1));
    hasher->finish();
    EXPECT_THROW(hasher->finish(), Error);
    EXPECT_THROW(hasher->update(std::span<const char>("x", 1)), Error);
}

} // namespace
} // namespace qly::posix
