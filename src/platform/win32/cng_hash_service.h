// SHA-256 through the system's cryptography API (CNG, bcrypt.dll).
#pragma once

#include "platform/sha256.h"

namespace qly::win32 {

class CngHashService : public HashService {
public:
    // Opens the SHA-256 provider once. Throws Error when the system has none.
    CngHashService();
    ~CngHashService() override;
    CngHashService(const CngHashService&) = delete;
    CngHashService& operator=(const CngHashService&) = delete;

    std::unique_ptr<Sha256> newSha256() override;

private:
    void* algorithm_ = nullptr; // BCRYPT_ALG_HANDLE
};

} // namespace qly::win32
