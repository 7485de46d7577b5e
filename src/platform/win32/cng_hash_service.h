// SHA-256 through the system's own cryptography (CNG, bcrypt.dll).
#pragma once

#include "platform/sha256.h"

#include <memory>

namespace qly::win32 {

class CngHashService : public HashService {
public:
    // Opens the system's SHA-256 provider once for every hasher made. Throws qly::Error when
    // the system has none.
    CngHashService();
    ~CngHashService() override;
    CngHashService(const CngHashService&) = delete;
    CngHashService& operator=(const CngHashService&) = delete;

    // Throws qly::Error when the provider cannot make a hasher.
    std::unique_ptr<Sha256> newSha256() override;

private:
    struct Provider;
    std::unique_ptr<Provider> provider_;
};

} // namespace qly::win32
