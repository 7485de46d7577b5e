// The codecs of an archive's blocks. Each block is compressed on its own, so that blocks
// decode in any order and on several threads at once.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace qly::patch {

enum class Codec : uint8_t {
    Stored = 0, // the bytes as they are
    Lzma = 1,   // LZMA, five property bytes first
    Zlib = 2,   // a zlib stream
};

// The largest block a writer makes and a reader accepts, uncompressed. A reader needs this
// much memory per block it holds, besides the codec's few MiB of state.
inline constexpr uint32_t kMaxBlockSize = 16u << 20;

// How one block is to be coded: the codec byte and the packed bytes.
struct PackedBlock {
    Codec codec = Codec::Stored;
    std::string bytes;
};

// LZMA's literal context: text-like data predicts a byte from the previous one; the difference
// bytes of a delta are mostly zero and depend on their position in a word instead.
enum class DataKind { General, Differences };

// Codes raw with every codec that may win for its kind and keeps the smallest result (stored
// when nothing gains; zlib where it is within 1% of LZMA, as it decodes faster), so a
// block never grows by more than its header. raw.size() <= kMaxBlockSize.
PackedBlock CompressBlock(std::span<const char> raw, DataKind kind);

// Decodes packed as codec into out, whose size is the block's raw size. Throws Error (Damaged)
// unless the packed bytes decode to exactly out.size() bytes and no packed byte is left over.
void DecompressBlock(Codec codec, std::span<const char> packed, std::span<char> out);

// Decodes one block straight into its output, the packed bytes fed in pieces as they are read:
// besides the output, the codec's state is all the memory it holds.
class BlockDecoder {
public:
    // out is the block's raw bytes, out.size() its raw size. Throws Error (Damaged) for a
    // codec no writer makes or a block larger than any writer makes.
    BlockDecoder(Codec codec, std::span<char> out);
    ~BlockDecoder();
    BlockDecoder(const BlockDecoder&) = delete;
    BlockDecoder& operator=(const BlockDecoder&) = delete;

    // Feeds the next packed bytes. Throws Error (Damaged) once they cannot be the block.
    void feed(std::span<const char> packed);
    // Throws Error (Damaged) unless the bytes fed made exactly out.size() bytes, none left over.
    void finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The CRC-32 (zlib's) of data, continuing from crc.
uint32_t Crc32(std::span<const char> data, uint32_t crc = 0);

} // namespace qly::patch
