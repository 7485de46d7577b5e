#include "platform/posix/libcrypto_hash_service.h"

#include "common/error.h"

#include <openssl/evp.h>

namespace qly::posix {
namespace {

struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

class LibcryptoSha256 : public Sha256 {
public:
    LibcryptoSha256() : context_(EVP_MD_CTX_new()) {
        if (!context_ || EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) != 1) {
            throw Error("libcrypto cannot start a SHA-256 digest");
        }
    }

    void update(std::span<const char> data) override {
        if (finished_) {
            throw Error("SHA-256: bytes added after the digest was taken");
        }
        if (!data.empty() && EVP_DigestUpdate(context_.get(), data.data(), data.size()) != 1) {
            throw Error("libcrypto cannot update a SHA-256 digest");
        }
    }

    Sha256Digest finish() override {
        if (finished_) {
            throw Error("SHA-256: the digest was already taken");
        }
        finished_ = true;
        Sha256Digest digest{};
        unsigned int size = 0;
        if (EVP_DigestFinal_ex(context_.get(), digest.data(), &size) != 1 ||
            size != digest.size()) {
            throw Error("libcrypto cannot finish a SHA-256 digest");
        }
        return digest;
    }

private:
    Context context_;
    bool finished_ = false;
};

} // namespace

std::unique_ptr<Sha256> LibcryptoHashService::newSha256() {
    return std::make_unique<LibcryptoSha256>();
}

} // namespace qly::posix
