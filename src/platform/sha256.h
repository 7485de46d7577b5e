// SHA-256 digests of byte streams; the platform chooses how they are computed.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace qly {

using Sha256Digest = std::array<uint8_t, 32>;

// An incremental SHA-256 of one stream of bytes.
class Sha256 {
public:
    virtual ~Sha256() = default;
    // Adds bytes to the stream. Throws qly::Error after finish().
    virtual void update(std::span<const char> data) = 0;
    // The digest of everything added; call it once. Throws qly::Error on a second call.
    virtual Sha256Digest finish() = 0;
};

// Makes hashers; the platform chooses the implementation.
class HashService {
public:
    virtual ~HashService() = default;
    virtual std::unique_ptr<Sha256> newSha256() = 0;
};

// The digest as 64 lower-case hexadecimal digits.
std::string ToHex(const Sha256Digest& d);

} // namespace qly
