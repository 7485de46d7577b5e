#include "platform/win32/cng_hash_service.h"

#include "common/error.h"
#include "platform/win32/win32_handles.h"

#include <algorithm>
#include <bcrypt.h>
#include <vector>

namespace qly::win32 {

namespace {

[[noreturn]] void fail(const char* what, NTSTATUS status) {
    throw Error(std::string("CNG cannot ") + what + " (status " +
                std::to_string(static_cast<unsigned long>(status)) + ")");
}

struct AlgorithmCloser {
    void operator()(BCRYPT_ALG_HANDLE h) const noexcept { BCryptCloseAlgorithmProvider(h, 0); }
};
struct HashDestroyer {
    void operator()(BCRYPT_HASH_HANDLE h) const noexcept { BCryptDestroyHash(h); }
};

class CngSha256 : public Sha256 {
public:
    CngSha256(BCRYPT_ALG_HANDLE algorithm, ULONG objectLength) : object_(objectLength) {
        BCRYPT_HASH_HANDLE raw = nullptr;
        // The hash object lives in a buffer of our own: Windows 7 does not allocate it itself.
        const NTSTATUS status = BCryptCreateHash(algorithm, &raw, object_.data(),
                                                 static_cast<ULONG>(object_.size()), nullptr, 0, 0);
        if (!BCRYPT_SUCCESS(status)) {
            fail("start a SHA-256 digest", status);
        }
        hash_.reset(raw);
    }

    void update(std::span<const char> data) override {
        if (finished_) {
            throw Error("SHA-256: bytes added after the digest was taken");
        }
        while (!data.empty()) {
            // BCryptHashData counts in ULONG, 32 bits even on 64-bit Windows.
            const std::size_t n = std::min<std::size_t>(data.size(), 1u << 30);
            const NTSTATUS status = BCryptHashData(
                hash_.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                static_cast<ULONG>(n), 0);
            if (!BCRYPT_SUCCESS(status)) {
                fail("update a SHA-256 digest", status);
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
        const NTSTATUS status =
            BCryptFinishHash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0);
        if (!BCRYPT_SUCCESS(status)) {
            fail("finish a SHA-256 digest", status);
        }
        return digest;
    }

private:
    std::vector<UCHAR> object_; // declared first: the hash handle refers to it until destroyed
    UniqueHandle<BCRYPT_HASH_HANDLE, HashDestroyer> hash_;
    bool finished_ = false;
};

} // namespace

struct CngHashService::Provider {
    UniqueHandle<BCRYPT_ALG_HANDLE, AlgorithmCloser> algorithm;
    ULONG objectLength = 0;
};

CngHashService::CngHashService() : provider_(std::make_unique<Provider>()) {
    BCRYPT_ALG_HANDLE raw = nullptr;
    NTSTATUS status = BCryptOpenAlgorithmProvider(&raw, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (!BCRYPT_SUCCESS(status)) {
        fail("open its SHA-256 provider", status);
    }
    provider_->algorithm.reset(raw);
    ULONG written = 0;
    status = BCryptGetProperty(raw, BCRYPT_OBJECT_LENGTH,
                               reinterpret_cast<PUCHAR>(&provider_->objectLength),
                               sizeof(provider_->objectLength), &written, 0);
    if (!BCRYPT_SUCCESS(status)) {
        fail("size a SHA-256 digest", status);
    }
}

CngHashService::~CngHashService() = default;

std::unique_ptr<Sha256> CngHashService::newSha256() {
    return std::make_unique<CngSha256>(provider_->algorithm.get(), provider_->objectLength);
}

} // namespace qly::win32
