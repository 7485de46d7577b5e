// SHA-256 as the programs compute it (the builtin engines, and libcrypto as the tests' second
// opinion), against published test vectors and against each other.
#include "common/error.h"
#include "platform/builtin_sha256.h"
#include "platform/posix/libcrypto_hash_service.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace qly {
namespace {

enum class Impl { Libcrypto, BuiltinBest, BuiltinPortable };

std::unique_ptr<HashService> serviceOf(Impl impl) {
    switch (impl) {
    case Impl::Libcrypto:
        return std::make_unique<posix::LibcryptoHashService>();
    case Impl::BuiltinBest:
        return std::make_unique<BuiltinHashService>(Sha256Engine::Best);
    case Impl::BuiltinPortable:
        return std::make_unique<BuiltinHashService>(Sha256Engine::Portable);
    }
    return nullptr;
}

// Between the pieces, empty spans without data, as a read at the end of a file gives.
std::string digestOf(HashService& service, std::string_view data, size_t piece) {
    auto hasher = service.newSha256();
    hasher->update({});
    for (size_t at = 0; at < data.size(); at += piece) {
        hasher->update(std::span<const char>(data.substr(at, piece)));
        hasher->update({});
    }
    return ToHex(hasher->finish());
}

class Sha256Test : public testing::TestWithParam<Impl> {};

TEST_P(Sha256Test, KnownVectorsWholeAndInPieces) {
    auto service = serviceOf(GetParam());
    const std::string million(1000000, 'a');
    const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    for (const size_t piece : {size_t{1} << 30, size_t{1}, size_t{63}, size_t{64}, size_t{65}}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(digestOf(*service, "", piece),
                  "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
        EXPECT_EQ(digestOf(*service, "abc", piece),
                  "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        EXPECT_EQ(digestOf(*service, twoBlocks, piece),
                  "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    }
    EXPECT_EQ(digestOf(*service, million, 4096),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST_P(Sha256Test, DigestIsTakenOnce) {
    auto hasher = serviceOf(GetParam())->newSha256();
    hasher->update(std::span<const char>("x", 1));
    hasher->finish();
    EXPECT_THROW(hasher->finish(), Error);
    EXPECT_THROW(hasher->update(std::span<const char>("x", 1)), Error);
}

INSTANTIATE_TEST_SUITE_P(Implementations, Sha256Test,
                         testing::Values(Impl::Libcrypto, Impl::BuiltinBest,
                                         Impl::BuiltinPortable));

// Every length around the padding's edges (55, 56, 64 bytes and their multiples) and long
// runs, fed in random pieces: the builtin engines agree with libcrypto on all of them.
TEST(BuiltinSha256Test, AgreesWithLibcryptoOnEveryLengthAndSplit) {
    posix::LibcryptoHashService reference;
    BuiltinHashService best(Sha256Engine::Best);
    BuiltinHashService portable(Sha256Engine::Portable);
    std::mt19937 random(23);
    std::string data(70000, '\0');
    for (char& c : data) {
        c = static_cast<char>(random());
    }
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 300; ++n) {
        lengths.push_back(n);
    }
    lengths.insert(lengths.end(), {1000, 4095, 4096, 4097, 65536 + 55, 70000});
    for (const size_t n : lengths) {
        const std::string_view bytes(data.data(), n);
        const std::string expected = digestOf(reference, bytes, n + 1);
        for (HashService* service :
             {static_cast<HashService*>(&best), static_cast<HashService*>(&portable)}) {
            auto hasher = service->newSha256();
            for (size_t at = 0; at < n;) {
                const size_t piece = std::min<size_t>(n - at, random() % 200);
                hasher->update(std::span<const char>(bytes.substr(at, piece)));
                at += piece;
            }
            ASSERT_EQ(ToHex(hasher->finish()), expected) << "length " << n;
        }
    }
}

} // namespace
} // namespace qly
