#include "platform/win32/cng_hash_service.h"

#include "common/error.h"
#include "platform/win32/system_library.h"

#include <algorithm>
#include <bcrypt.h>
#include <vector>

namespace qly::win32 {

namespace {

[[noreturn]] void fail(const char* what, NTSTATUS status) {
    throw Error(std::string("CNG cannot ") + what + " (status " +
                std::to_string(static_cast<unsigned long>(status)) + ")");
}

// The CNG functions the hashers use, taken once from bcrypt.dll in the system folder: it is
// not a KnownDLL, so importing it would let a planted copy beside the exe load instead.
struct CngFunctions {
    explicit CngFunctions(const SystemLibrary& dll)
        : openAlgorithmProvider(
              dll.function<decltype(&BCryptOpenAlgorithmProvider)>("BCryptOpenAlgorithmProvider")),
          closeAlgorithmProvider(dll.function<decltype(&BCryptCloseAlgorithmProvider)>(
              "BCryptCloseAlgorithmProvider")),
          getProperty(dll.function<decltype(&BCryptGetProperty)>("BCryptGetProperty")),
          createHash(dll.function<decltype(&BCryptCreateHash)>("BCryptCreateHash")),
          hashData(dll.function<decltype(&BCryptHashData)>("BCryptHashData")),
          finishHash(dll.function<decltype(&BCryptFinishHash)>("BCryptFinishHash")),
          destroyHash(dll.function<decltype(&BCryptDestroyHash)>("BCryptDestroyHash")) {}

    decltype(&BCryptOpenAlgorithmProvider) openAlgorithmProvider;
    decltype(&BCryptCloseAlgorithmProvider) closeAlgorithmProvider;
    decltype(&BCryptGetProperty) getProperty;
    decltype(&BCryptCreateHash) createHash;
    decltype(&BCryptHashData) hashData;
    decltype(&BCryptFinishHash) finishHash;
    decltype(&BCryptDestroyHash) destroyHash;
};

class CngSha256 : public Sha256 {
public:
    CngSha256(const CngFunctions& cng, BCRYPT_ALG_HANDLE algorithm, ULONG objectLength)
        : cng_(cng), object_(objectLength) {
        // The hash object lives in a buffer of our own: Windows 7 does not allocate it itself.
        const NTSTATUS status = cng_.createHash(algorithm, &hash_, object_.data(),
                                                static_cast<ULONG>(object_.size()), nullptr, 0, 0);
        if (!BCRYPT_SUCCESS(status)) {
            hash_ = nullptr;
            fail("start a SHA-256 digest", status);
        }
    }
    ~CngSha256() override { cng_.destroyHash(hash_); }
    CngSha256(const CngSha256&) = delete;
    CngSha256& operator=(const CngSha256&) = delete;

    void update(std::span<const char> data) override {
        if (finished_) {
            throw Error("SHA-256: bytes added after the digest was taken");
        }
        while (!data.empty()) {
            // BCryptHashData counts in ULONG, 32 bits even on 64-bit Windows.
            const std::size_t n = std::min<std::size_t>(data.size(), 1u << 30);
            const NTSTATUS status =
                cng_.hashData(hash_, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
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
            cng_.finishHash(hash_, digest.data(), static_cast<ULONG>(digest.size()), 0);
        if (!BCRYPT_SUCCESS(status)) {
            fail("finish a SHA-256 digest", status);
        }
        return digest;
    }

private:
    const CngFunctions& cng_;
    std::vector<UCHAR> object_; // the hash handle refers to it until destroyed
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    bool finished_ = false;
};

} // namespace

// The DLL, its functions and the open SHA-256 provider, released in the reverse order.
struct CngHashService::Provider {
    Provider() : cng(dll) {
        const NTSTATUS status =
            cng.openAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
        if (!BCRYPT_SUCCESS(status)) {
            algorithm = nullptr;
            fail("open its SHA-256 provider", status);
        }
    }
    ~Provider() { cng.closeAlgorithmProvider(algorithm, 0); }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;

    SystemLibrary dll{L"bcrypt.dll"};
    CngFunctions cng;
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    ULONG objectLength = 0;
};

CngHashService::CngHashService() : provider_(std::make_unique<Provider>()) {
    ULONG written = 0;
    const NTSTATUS status =
        provider_->cng.getProperty(provider_->algorithm, BCRYPT_OBJECT_LENGTH,
                                   reinterpret_cast<PUCHAR>(&provider_->objectLength),
                                   sizeof(provider_->objectLength), &written, 0);
    if (!BCRYPT_SUCCESS(status)) {
        fail("size a SHA-256 digest", status);
    }
}

CngHashService::~CngHashService() = default;

std::unique_ptr<Sha256> CngHashService::newSha256() {
    return std::make_unique<CngSha256>(provider_->cng, provider_->algorithm,
                                       provider_->objectLength);
}

} // namespace qly::win32
