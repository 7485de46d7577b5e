// SHA-256 through the system's libcrypto (EVP interface).
#pragma once

#include "platform/sha256.h"

namespace qly::posix {

class LibcryptoHashService : public HashService {
public:
    // Throws qly::Error when libcrypto cannot set up a digest.
    std::unique_ptr<Sha256> newSha256() override;
};

} // namespace qly::posix
