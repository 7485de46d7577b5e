// SHA-256 computed by this program: with the CPU's SHA instructions where it has them, else in
// portable code. It needs no system library, so a program that only hashes starts quickly.
#pragma once

#include "platform/sha256.h"

#include <cstdint>
#include <span>

namespace qly {

// How the compression function is computed.
enum class Sha256Engine {
    Best,     // the CPU's SHA instructions when it has them, else Portable
    Portable, // plain C++ on every CPU
};

// Whether this CPU has the instructions Sha256Engine::Best uses.
bool HasSha256Instructions();

class BuiltinHashService : public HashService {
public:
    explicit BuiltinHashService(Sha256Engine engine = Sha256Engine::Best);
    std::unique_ptr<Sha256> newSha256() override;

private:
    bool hardware_;
};

} // namespace qly
