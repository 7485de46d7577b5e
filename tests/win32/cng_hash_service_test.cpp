// SHA-256 through the system's CNG, against published test vectors.
#include "common/error.h"
#include "platform/win32/cng_hash_service.h"

#include <gtest/gtest.h>
#include <string>

namespace qly::win32 {
namespace {

TEST(CngHashService, KnownVectorsWholeAndInPiecesFromOneProviderAndDigestTakenOnce) {
    CngHashService service;
    const auto digestOf = [&](std::string_view data, std::size_t piece) {
        auto hasher = service.newSha256();
        for (std::size_t at = 0; at < data.size(); at += piece) {
            hasher->update(std::span<const char>(data.substr(at, piece)));
        }
        return ToHex(hasher->finish());
    };
    for (const std::size_t piece : {std::size_t{1} << 20, std::size_t{1}, std::size_t{63}}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(digestOf("", piece),
                  "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
        EXPECT_EQ(digestOf("abc", piece),
                  "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        EXPECT_EQ(digestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", piece),
                  "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    }
    EXPECT_EQ(digestOf(std::string(1000000, 'a'), 62000),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

    // Two hashers of one service are independent of each other.
    auto first = service.newSha256();
    auto second = service.newSha256();
    first->update(std::span<const char>("ab", 2));
    second->update(std::span<const char>("xyz", 3));
    first->update(std::span<const char>("c", 1));
    EXPECT_EQ(ToHex(first->finish()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_THROW(first->finish(), Error);
    EXPECT_THROW(first->update(std::span<const char>("x", 1)), Error);
}

} // namespace
} // namespace qly::win32
