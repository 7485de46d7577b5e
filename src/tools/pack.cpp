#include "tools/pack.h"

#include "bundle/byte_order.h"
#include "bundle/memory_file.h"
#include "bundle/payload_reader.h"
#include "bundle/payload_writer.h"
#include "bundle/pe_image.h"
#include "bundle/pe_layout.h"
#include "common/bundle_files.h"
#include "common/error.h"
#include "patch/patch_archive.h"
#include "tools/bundle_checks.h"
#include "tools/product_face.h"
#include "tools/tool_arguments.h"

#include <algorithm>

namespace qly::tools {

namespace {

// The bundle's parts the installer reads, and what they are, for the messages.
constexpr const char* kLayoutFile = kLayoutFileName;
constexpr const char* kSkin = kSkinName;
constexpr const char* kManifest = kManifestName;
constexpr const char* kLanguages = kLanguageFolderName;
constexpr const char* kPatchTree = kPatchTreeName;
constexpr const char* kPatchArchive = patch::kBundleArchiveName;

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') {
        return folder + name;
    }
    return folder + "\\" + name;
}

bool isFolder(FileSystem& files, const std::string& path) {
    const uint32_t attrs = AttributesOf(files, path);
    return attrs != kInvalidAttributes && (attrs & kAttrDirectory) != 0;
}

bool isFile(FileSystem& files, const std::string& path) {
    const uint32_t attrs = AttributesOf(files, path);
    return attrs != kInvalidAttributes && (attrs & kAttrDirectory) == 0;
}

std::string readAll(FileSystem& files, const std::string& path) {
    auto file = files.open(path, OpenMode::Read);
    std::string bytes(static_cast<std::size_t>(file->length()), '\0');
    if (file->read(bytes) != bytes.size()) {
        throw Error("cannot read all of " + path);
    }
    return bytes;
}

// The installer's bytes ready for a payload: nothing after the program, no signature.
std::string programOf(FileSystem& files, const std::string& installer, std::ostream& out) {
    std::string bytes = readAll(files, installer);
    MemoryFile file(bytes);
    const std::optional<PeLayout> layout = ReadPeLayout(file);
    if (!layout) {
        throw Error(installer + " is not a Windows program");
    }
    if (layout->certificates) {
        // The signature covers the file as it is; behind a payload it would no longer fit.
        bytes.resize(static_cast<std::size_t>(layout->certificates->offset));
        bytes.replace(static_cast<std::size_t>(layout->securityEntryOffset), 8,
                      std::string(8, '\0'));
        out << "note: " << installer << " was signed; its signature is left out\n";
    }
    const auto imageEnd = static_cast<std::size_t>(layout->imageEnd);
    if (imageEnd < bytes.size() &&
        std::ranges::all_of(bytes.substr(imageEnd), [](char c) { return c == '\0'; }) &&
        bytes.size() - imageEnd < 8) {
        bytes.resize(imageEnd); // the alignment a signing tool added
    }
    if (imageEnd != bytes.size()) {
        throw Error(installer + " already carries data after the program (is it packed?)");
    }
    return bytes;
}

// Refuses a bundle with errors, naming them, unless forced; then prints them.
void checkFirst(const std::string& bundle, bool force, const PackServices& services) {
    std::vector<Finding> errors = CheckBundle(bundle, kDefaultGameFolder, services.hashes);
    std::erase_if(errors, [](const Finding& f) { return f.severity != Severity::Error; });
    if (errors.empty()) {
        return;
    }
    std::string text = "the check finds " + std::to_string(errors.size()) +
                       (errors.size() == 1 ? " error" : " errors") + " in " + bundle;
    for (const Finding& f : errors) {
        text += "\n  " + FormatFinding(f);
    }
    if (!force) {
        throw Error(text + "\n(qlypatch-tool check " + bundle +
                    " tells more; --force packs it anyway)");
    }
    services.out << "warning: " << text << "\npacked anyway (--force)\n";
}

// Writes the header checksum of the whole file at path, payload included, as a loader or a
// signing tool computes it. A program whose headers this reader refuses keeps its field.
void writeChecksum(const std::string& path, const PackServices& services) {
    auto file = services.openRandom(path);
    std::string head(static_cast<std::size_t>(std::min<int64_t>(file->size(), 0x1000)), '\0');
    file->readAt(0, head);
    const std::optional<std::size_t> field = PeChecksumOffset(head);
    if (!field) {
        return;
    }
    PeChecksum sum(*field);
    std::string chunk;
    for (int64_t at = 0; at < file->size(); at += 1 << 20) {
        chunk.resize(static_cast<std::size_t>(std::min<int64_t>(1 << 20, file->size() - at)));
        file->readAt(at, chunk);
        sum.add(chunk);
    }
    file.reset();
    std::string value;
    AppendLittleEndian(value, sum.value());
    head.replace(*field, 4, value);
    head.resize(*field + 4);
    const auto rewrite = services.files.open(path, OpenMode::ReadWrite);
    rewrite->write(head);
    rewrite->flush();
}

} // namespace

std::vector<std::string> MissingBundleParts(FileSystem& files, const std::string& bundle) {
    std::vector<std::string> missing;
    if (!isFile(files, join(bundle, kLayoutFile))) {
        missing.push_back(std::string(kLayoutFile) + " (the layout file)");
    }
    if (!isFile(files, join(bundle, kSkin))) {
        missing.push_back(std::string(kSkin) + " (the skin)");
    }
    if (SortedEntries(files, join(bundle, kLanguages), "*.lng").empty()) {
        missing.push_back("lang\\*.lng (the language files)");
    }
    if (!isFolder(files, join(bundle, kPatchTree)) && !isFile(files, join(bundle, kPatchArchive))) {
        missing.push_back("update\\ (the patch tree) or update.qlypatch (the patch archive)");
    }
    return missing;
}

int Pack(std::span<const std::string> args, const PackServices& services,
         const std::string& defaultInstaller) {
    const ToolArguments parsed = ParseToolArguments(args, {"--force"}, {"-o", "--installer"}, 1, 1);
    const std::string& bundle = parsed.positional[0];
    const std::optional<std::string> output = parsed.option("-o");
    if (!output) {
        throw UsageError("-o OUT.exe is required");
    }
    const std::string installer = parsed.option("--installer").value_or(defaultInstaller);
    FileSystem& files = services.files;

    const std::vector<std::string> missing = MissingBundleParts(files, bundle);
    if (!missing.empty()) {
        std::string text = "the bundle " + bundle + " is incomplete; it lacks:";
        for (const std::string& part : missing) {
            text += "\n  " + part;
        }
        throw Error(text);
    }
    if (!isFile(files, installer)) {
        throw Error("no installer at " + installer +
                    " (build the win32 preset or give --installer)");
    }
    checkFirst(bundle, parsed.has("--force"), services);
    if (isFile(files, join(bundle, kPatchArchive))) {
        // A damaged archive would only be found on the player's machine, --force or not.
        patch::PatchArchive::Read(*services.openRandom(join(bundle, kPatchArchive)));
    }
    const ProductFace face = ReadProductFace(bundle);
    const std::string program = ApplyProductFace(programOf(files, installer, services.out), face);

    const std::string partial = *output + ".part";
    int64_t fileCount = 0;
    std::size_t languageCount = 0;
    try {
        auto out = files.open(partial, OpenMode::CreateAlways);
        out->write(program);
        PayloadWriter writer(*out, std::ssize(program), services.hashes);
        // The archive is unpacked beside the layout file at the start, checked by its checksum.
        for (const char* name : {kLayoutFile, kSkin, kManifest, kPatchArchive}) {
            if (isFile(files, join(bundle, name))) {
                writer.addFile(name, *files.open(join(bundle, name), OpenMode::Read));
            }
        }
        writer.addFolder(kLanguages);
        for (const DirEntry& entry : SortedEntries(files, join(bundle, kLanguages), "*.lng")) {
            const std::string name = std::string(kLanguages) + "\\" + entry.name;
            writer.addFile(name, *files.open(join(bundle, name), OpenMode::Read));
            ++languageCount;
        }
        if (isFolder(files, join(bundle, kPatchTree))) {
            fileCount = AddFolderTree(writer, files, join(bundle, kPatchTree) + "\\", kPatchTree);
        }
        writer.finish();
        out->flush();
        out.reset();
        writeChecksum(partial, services);
        // Read back what a player's installer will read first.
        auto written = services.openRandom(partial);
        const PayloadLookup lookup = FindPayload(*written, services.hashes);
        if (lookup.status != PayloadLookup::Status::Found) {
            throw Error("the packed file does not read back: " + lookup.problem);
        }
        written.reset();
        if (services.makeExecutable) {
            services.makeExecutable(partial);
        }
        files.replaceFile(partial, *output);
    } catch (...) {
        files.removeQuietly(partial);
        throw;
    }
    services.out << "checked " << bundle << ": " << kLayoutFile << ", " << kSkin << ", "
                 << languageCount << " language files, "
                 << (isFile(files, join(bundle, kManifest)) ? "update.sha256, " : "")
                 << (isFile(files, join(bundle, kPatchArchive)) ? "update.qlypatch, " : "")
                 << "update\\ with " << fileCount << " files\n"
                 << "packed into " << *output << " behind " << installer << "\n";
    if (face.hasProduct() || face.icon) {
        services.out << "the packed exe shows " << (face.hasProduct() ? "[product]" : "")
                     << (face.hasProduct() && face.icon ? " and " : "")
                     << (face.icon ? kIconName : "") << "\n";
    }
    return 0;
}

} // namespace qly::tools
