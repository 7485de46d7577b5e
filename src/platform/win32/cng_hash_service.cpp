#include "platform/win32/cng_hash_service.h"

#include "common/error.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <bcrypt.h>
#include <limits>

namespace qly::win32 {

namespace {

bool ok(NTSTATUS status) {
    return status >= 0;
}

class CngSha256 : public Sha256 {
public:
    explicit CngSha256(BCRYPT_ALG_HANDLE algorithm) {
        if (!ok(BCryptCreateHash(algorithm, &hash_, nullptr, 0, nullptr, 0, 0))) {
            throw Error("cannot start a SHA-256");
        }
    }
    ~CngSha256() override { BCryptDestroyHash(hash_); }
    CngSha256(const CngSha256&) = delete;
    CngSha256& operator=(const CngSha256&) = delete;

    void update(std::span<const char> data) override {
        if (finished_) {
            throw Error("SHA-256: bytes added after the digest was taken");
        }
        // BCryptHashData takes at most a ULONG's worth at a time.
        while (!data.empty()) {
            const auto n = static_cast<ULONG>(
                std::min<std::size_t>(data.size(), std::numeric_limits<ULONG>::max()));
            if (!ok(BCryptHashData(hash_, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                                   n, 0))) {
                throw Error("SHA-256 failed");
            }
            data = data.subspan(n);
        }
    }
    Sha256Digest finish() override {
        if (finished_) {
            throw Error("SHA-256: the digest was already taken");
        }
        finished_ = true;
        Sha256Digest digest{};
        if (!ok(BCryptFinishHash(hash_, digest.data(), static_cast<ULONG>(digest.size()), 0))) {
            throw Error("SHA-256 failed");
        }
        return digest;
    }

private:
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    bool finished_ = false;
};

} // namespace

CngHashService::CngHashService() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!ok(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        throw Error("the system offers no SHA-256");
    }
    algorithm_ = algorithm;
}

CngHashService::~CngHashService() {
    BCryptCloseAlgorithmProvider(algorithm_, 0);
}

std::unique_ptr<Sha256> CngHashService::newSha256() {
    return std::make_unique<CngSha256>(static_cast<BCRYPT_ALG_HANDLE>(algorithm_));
}

} // namespace qly::win32
