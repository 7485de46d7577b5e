#include "patch/maker/patch_maker.h"

#include "bundle/bundle_name.h"
#include "common/error.h"
#include "patch/maker/delta_maker.h"
#include "patch/patch_apply.h"
#include "patch/x86_transform.h"
#include "platform/name_pattern.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace qly::patch {

namespace {

constexpr std::size_t kIoChunk = 1u << 20;

struct TreeFile {
    std::string name;
    uint64_t size = 0;
};

// The files of a tree by their Windows key.
std::map<std::string, TreeFile> byKey(FileSystem& files, const std::string& folder) {
    std::map<std::string, TreeFile> out;
    for (auto& [name, size] : ListTree(files, folder)) {
        out.emplace(BundlePathKey(name), TreeFile{name, size});
    }
    return out;
}

void listInto(FileSystem& files, const std::string& root, const std::string& relative,
              std::map<std::string, std::string>& seen,
              std::vector<std::pair<std::string, uint64_t>>& out) {
    auto listing = files.list(JoinPath(root, relative), "*");
    if (!listing) {
        return;
    }
    DirEntry entry;
    while (listing->next(entry)) {
        if (entry.name == "." || entry.name == "..") {
            continue;
        }
        if (entry.name.find('\\') != std::string::npos) {
            throw Error("a name Windows cannot hold: a \"\\\" inside it", FailureKind::Other, 0,
                        JoinPath(root, relative) + "/" + entry.name);
        }
        const std::string name = relative.empty() ? entry.name : relative + "\\" + entry.name;
        if ((entry.attributes & kAttrReparsePoint) != 0) {
            throw Error("a patch carries no links", FailureKind::Other, 0, JoinPath(root, name));
        }
        if (auto problem = BundleNameProblem(name)) {
            throw Error("a name Windows cannot hold: " + *problem, FailureKind::Other, 0,
                        JoinPath(root, name));
        }
        if (auto [it, fresh] = seen.emplace(BundlePathKey(name), name); !fresh) {
            throw Error("\"" + it->second + "\" and \"" + name + "\" are one name on Windows",
                        FailureKind::Other, 0, JoinPath(root, name));
        }
        if ((entry.attributes & kAttrDirectory) != 0) {
            listInto(files, root, name, seen, out);
        } else {
            out.emplace_back(name, static_cast<uint64_t>(entry.size));
        }
    }
}

FileState hashFile(RandomAccessFile& file, HashService& hashes) {
    auto hash = hashes.newSha256();
    std::string buffer;
    const auto size = static_cast<uint64_t>(file.size());
    for (uint64_t done = 0; done < size;) {
        buffer.resize(static_cast<std::size_t>(std::min<uint64_t>(kIoChunk, size - done)));
        file.readAt(static_cast<int64_t>(done), buffer);
        hash->update(buffer);
        done += buffer.size();
    }
    return {size, hash->finish()};
}

std::string readAll(RandomAccessFile& file) {
    std::string bytes(static_cast<std::size_t>(file.size()), '\0');
    file.readAt(0, bytes);
    return bytes;
}

bool keptWhole(const std::string& name, const MakeOptions& options) {
    const std::string base = name.substr(name.rfind('\\') + 1);
    return std::ranges::any_of(options.keepWhole, [&](const std::string& pattern) {
        return matchesPattern(name, pattern) || matchesPattern(base, pattern);
    });
}

// The extension, for ordering whole files so that alike ones share compression blocks.
std::string extensionOf(const std::string& key) {
    const std::size_t slash = key.rfind('\\');
    const std::size_t dot = key.rfind('.');
    return dot == std::string::npos || (slash != std::string::npos && dot < slash)
               ? ""
               : key.substr(dot);
}

// An estimate of a stream's packed size, from its first block.
uint64_t packedEstimate(std::span<const char> bytes, DataKind kind) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), kMaxBlockSize);
    const uint64_t first = CompressBlock(bytes.first(n), kind).bytes.size();
    return n == 0 ? 0 : first * bytes.size() / n;
}

class Maker {
public:
    Maker(const MakeOptions& options, MakeIo& io, PatchArchiveWriter& writer, uint64_t total)
        : options_(options), io_(io), writer_(writer), total_(total) {}

    // A changed file: its delta, or the whole file where that is asked for or smaller.
    void changed(const std::string& oldPath, const std::string& newPath, PatchEntry entry) {
        report(entry.name);
        auto oldFile = io_.openRandom(oldPath);
        auto newFile = io_.openRandom(newPath);
        if (keptWhole(entry.name, options_)) {
            entry.kind = EntryKind::Whole;
            wholeLater_.push_back({newPath, std::move(entry)});
            done_ += static_cast<uint64_t>(newFile->size());
            return;
        }
        // The same change under several names (copies of one program) is made once and its
        // entries share the delta's bytes.
        const ChangeKey key{entry.oldFile->size, entry.oldFile->sha256, entry.newFile.size,
                            entry.newFile.sha256};
        if (const auto same = made_.find(key); same != made_.end()) {
            const PatchEntry& first = same->second;
            entry.kind = first.kind;
            entry.x86 = first.x86;
            entry.arithmetic = first.arithmetic;
            entry.control = first.control, entry.differences = first.differences;
            entry.extra = first.extra;
            (entry.kind == EntryKind::Whole ? wholeLater_ : deltas_)
                .push_back({newPath, std::move(entry)});
            done_ += static_cast<uint64_t>(newFile->size());
            return;
        }
        const Pending* made = nullptr;
        const bool small = oldFile->size() <= static_cast<int64_t>(options_.deltaSegment) &&
                           newFile->size() <= static_cast<int64_t>(options_.deltaSegment);
        if (small) {
            std::string oldBytes = readAll(*oldFile);
            std::string newBytes = readAll(*newFile);
            entry.arithmetic = DiffArithmetic::Carried;
            entry.x86 = (IsX86Name(entry.name) || LooksLikeProgram(newBytes)) &&
                        oldBytes.size() <= kMaxX86FileSize && newBytes.size() <= kMaxX86FileSize;
            if (entry.x86) {
                X86Encode(oldBytes);
                X86Encode(newBytes);
            }
            const DeltaStreams delta = MakeDelta(oldBytes, newBytes);
            if (deltaLosesToWhole(delta, newBytes)) {
                entry.x86 = false;
                entry.arithmetic = DiffArithmetic::Bytewise;
                entry.kind = EntryKind::Whole;
                made = &wholeLater_.emplace_back(newPath, std::move(entry));
            } else {
                entry.control = writer_.append(Section::Control, delta.control);
                entry.differences = writer_.append(Section::Differences, delta.differences);
                entry.extra = writer_.append(Section::Extra, delta.extra);
                made = &deltas_.emplace_back(newPath, std::move(entry));
            }
        } else {
            // Pieces of one file follow each other in every section.
            entry.arithmetic = DiffArithmetic::Carried;
            bool first = true;
            MakeDeltaOfFiles(*oldFile, *newFile, options_.deltaSegment, [&](const DeltaStreams& d) {
                const Range c = writer_.append(Section::Control, d.control);
                const Range f = writer_.append(Section::Differences, d.differences);
                const Range x = writer_.append(Section::Extra, d.extra);
                if (first) {
                    entry.control = c, entry.differences = f, entry.extra = x;
                    first = false;
                } else {
                    entry.control.length += c.length;
                    entry.differences.length += f.length;
                    entry.extra.length += x.length;
                }
            });
            made = &deltas_.emplace_back(newPath, std::move(entry));
        }
        made_.emplace(key, made->entry);
        done_ += static_cast<uint64_t>(newFile->size());
    }

    void added(const std::string& newPath, PatchEntry entry) {
        wholeLater_.push_back({newPath, std::move(entry)});
    }

    void removed(PatchEntry entry) { removals_.push_back(std::move(entry)); }

    // Writes the whole files, grouped by kind, and hands every entry to the writer.
    void finish() {
        if (options_.fallbackWhole) {
            for (auto& d : deltas_) {
                wholeLater_.push_back({d.path, d.entry, true});
            }
        }
        // Small archives still get two blocks of whole files, so that two threads decode them
        // at once; large ones the full block, which compresses best. (Measured on 5.9 MB of
        // libraries: two blocks cost 1.5% against one, four blocks 3%.)
        uint64_t wholeBytes = 0;
        for (const Pending& p : wholeLater_) {
            wholeBytes += p.entry.newFile.size;
        }
        writer_.setBlockSize(Section::Whole, static_cast<uint32_t>(std::clamp<uint64_t>(
                                                 wholeBytes / 2 + 1,
                                                 std::min<uint32_t>(options_.blockSize, 1u << 20),
                                                 options_.blockSize)));
        std::ranges::stable_sort(wholeLater_, [](const Pending& a, const Pending& b) {
            return extensionOf(BundlePathKey(a.entry.name)) <
                   extensionOf(BundlePathKey(b.entry.name));
        });
        // Files alike (copies under several names) share one copy of their bytes.
        std::map<std::pair<uint64_t, Sha256Digest>, uint64_t> written;
        for (Pending& p : wholeLater_) {
            report(p.entry.name);
            const auto same = written.find({p.entry.newFile.size, p.entry.newFile.sha256});
            if (same != written.end()) {
                p.entry.wholeOffset = same->second;
                finishWhole(p);
                continue;
            }
            auto file = io_.openRandom(p.path);
            if (static_cast<uint64_t>(file->size()) != p.entry.newFile.size) {
                throw Error("the file changed while the patch was made", FailureKind::Other, 0,
                            p.path);
            }
            std::string buffer;
            std::optional<uint64_t> offset;
            for (uint64_t done = 0; done < p.entry.newFile.size;) {
                buffer.resize(static_cast<std::size_t>(
                    std::min<uint64_t>(kIoChunk, p.entry.newFile.size - done)));
                file->readAt(static_cast<int64_t>(done), buffer);
                const Range r = writer_.append(Section::Whole, buffer);
                offset = offset.value_or(r.offset);
                done += buffer.size();
            }
            p.entry.wholeOffset = offset.value_or(writer_.append(Section::Whole, {}).offset);
            written[{p.entry.newFile.size, p.entry.newFile.sha256}] = *p.entry.wholeOffset;
            finishWhole(p);
        }
        for (Pending& d : deltas_) {
            if (auto it = fallbacks_.find(d.entry.name); it != fallbacks_.end()) {
                d.entry.wholeOffset = it->second;
            }
            writer_.addEntry(d.entry);
        }
        for (PatchEntry& r : removals_) {
            writer_.addEntry(r);
        }
    }

private:
    struct Pending {
        std::string path;
        PatchEntry entry;
        bool fallback = false; // the whole copy that a delta carries besides
    };

    // A whole file placed: a delta's fallback waits for its delta, anything else is an entry.
    void finishWhole(const Pending& p) {
        if (p.fallback) {
            fallbacks_[p.entry.name] = *p.entry.wholeOffset;
        } else {
            done_ += p.entry.newFile.size;
            writer_.addEntry(p.entry);
        }
    }

    void report(const std::string& name) {
        if (io_.progress) {
            io_.progress(done_, total_, name);
        }
    }

    // Only deltas that make much of the file anew are worth compressing twice to compare.
    static bool deltaLosesToWhole(const DeltaStreams& d, std::span<const char> newBytes) {
        if (d.extra.size() < newBytes.size() / 4) {
            return false;
        }
        const uint64_t delta = packedEstimate(d.control, DataKind::General) +
                               packedEstimate(d.differences, DataKind::Differences) +
                               packedEstimate(d.extra, DataKind::General);
        return packedEstimate(newBytes, DataKind::General) < delta;
    }

    using ChangeKey = std::tuple<uint64_t, Sha256Digest, uint64_t, Sha256Digest>;

    const MakeOptions& options_;
    MakeIo& io_;
    PatchArchiveWriter& writer_;
    uint64_t total_;
    uint64_t done_ = 0;
    std::vector<Pending> deltas_;
    std::vector<Pending> wholeLater_;
    std::vector<PatchEntry> removals_;
    std::map<std::string, uint64_t> fallbacks_;
    std::map<ChangeKey, PatchEntry> made_; // the first entry made of each change
};

} // namespace

std::vector<std::pair<std::string, uint64_t>> ListTree(FileSystem& files,
                                                       const std::string& folder) {
    std::vector<std::pair<std::string, uint64_t>> out;
    std::map<std::string, std::string> seen;
    listInto(files, folder, "", seen, out);
    std::ranges::sort(out);
    return out;
}

MakeSummary MakePatch(const std::string& oldFolder, const std::string& newFolder,
                      const std::string& archivePath, const MakeOptions& options, MakeIo& io) {
    const auto oldFiles = byKey(io.files, oldFolder);
    const auto newFiles = byKey(io.files, newFolder);
    MakeSummary summary;
    for (const auto& [key, f] : oldFiles) {
        summary.bytesBefore += f.size;
    }
    for (const auto& [key, f] : newFiles) {
        summary.bytesAfter += f.size;
    }

    const std::string spillPath = archivePath + ".blocks";
    try {
        auto spill = io.files.open(spillPath, OpenMode::CreateAlways);
        PatchArchiveWriter writer(*spill, options.blockSize, io.threads);
        Maker maker(options, io, writer, summary.bytesAfter);
        for (const auto& [key, f] : newFiles) {
            const std::string newPath = JoinPath(newFolder, f.name);
            auto newFile = io.openRandom(newPath);
            PatchEntry entry;
            entry.name = f.name;
            entry.newFile = hashFile(*newFile, io.hashes);
            const auto old = oldFiles.find(key);
            if (old == oldFiles.end()) {
                ++summary.added;
                maker.added(newPath, std::move(entry));
                continue;
            }
            const std::string oldPath = JoinPath(oldFolder, old->second.name);
            auto oldFile = io.openRandom(oldPath);
            entry.oldFile = hashFile(*oldFile, io.hashes);
            if (old->second.name != f.name) {
                entry.oldName = old->second.name;
            }
            if (*entry.oldFile == entry.newFile && entry.oldName.empty()) {
                ++summary.unchanged;
                continue;
            }
            ++summary.changed;
            entry.kind = EntryKind::Delta;
            maker.changed(oldPath, newPath, std::move(entry));
        }
        for (const auto& [key, f] : oldFiles) {
            if (!newFiles.contains(key)) {
                PatchEntry entry;
                entry.kind = EntryKind::Removed;
                entry.name = f.name;
                auto oldFile = io.openRandom(JoinPath(oldFolder, f.name));
                entry.oldFile = hashFile(*oldFile, io.hashes);
                ++summary.removed;
                maker.removed(std::move(entry));
            }
        }
        maker.finish();
        const std::string head = writer.finish();
        spill->flush();
        spill.reset();

        auto out = io.files.open(archivePath, OpenMode::CreateAlways);
        out->write(head);
        auto blocks = io.files.open(spillPath, OpenMode::Read);
        std::string buffer(kIoChunk, '\0');
        while (const std::size_t n = blocks->read(buffer)) {
            out->write({buffer.data(), n});
        }
        out->flush();
        summary.patchSize = static_cast<uint64_t>(out->length());
    } catch (...) {
        // Half an archive is no patch: neither it nor the spilled blocks stay behind.
        io.files.removeQuietly(spillPath);
        io.files.removeQuietly(archivePath);
        throw;
    }
    io.files.removeQuietly(spillPath);
    return summary;
}

} // namespace qly::patch
