// The parts of `qlypatch-tool check`, one source file each; every part appends its findings.
#pragma once

#include "platform/sha256.h"
#include "tools/bundle.h"
#include "tools/finding.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qly::tools {

// Where a 32-bit game lands on a 64-bit Windows by default.
inline constexpr const char* kDefaultGameFolder = "C:\\Program Files (x86)\\Quillory";

// Every check below, in this order. gameFolder: the Windows folder the patch will be copied
// into, for the path lengths.
std::vector<Finding> CheckBundle(const std::filesystem::path& bundle, const std::string& gameFolder,
                                 HashService& hashes);

// The skin gfx.bmp: readable as the loader reads it, a size the rounded corners fit, nothing
// drawn where the corners cut the window off. The skin, when it could be read.
std::optional<BmpImage> CheckSkin(const std::filesystem::path& bundle,
                                  std::vector<Finding>& findings);

// qlypatch.ini: every section and key the installer reads, numbers, controls inside the skin
// (w x h, when known) and clear of each other and of the minimize and close buttons.
void CheckLayout(const std::filesystem::path& bundle, std::optional<Rect> skin,
                 std::vector<Finding>& findings);

// The line of key in section of the layout file's text (of the section's header when key is
// empty), as the installer finds it; 0 when it is not there. Names are given in lower case.
int32_t LayoutLine(const std::string& text, const std::string& section, const std::string& key);

// [product] and icon.ico, the face pack gives the packed exe: values it cannot write, a
// section that leaves some of the installer's own strings in place, an icon that is no icon.
void CheckProduct(const std::filesystem::path& bundle, std::vector<Finding>& findings);

// lang/*.lng: each file on its own, then count, header codes, keys across the files, bytes of
// the charset's code page and a charset that fits the letters.
void CheckLanguages(const std::vector<BundleLanguage>& languages, std::vector<Finding>& findings);

// Message texts set in the text area as the installer wraps them: words broken inside
// themselves, series taller than the area.
void CheckTexts(const std::vector<BundleLanguage>& languages, const Rect& textArea,
                std::vector<Finding>& findings);

// update/: names Windows refuses, names that differ only in case, paths too long under
// gameFolder, links, and update.sha256 when there is one.
void CheckPatchTree(const std::filesystem::path& bundle, const std::string& gameFolder,
                    HashService& hashes, std::vector<Finding>& findings);

// update.qlypatch, when the bundle carries its patch as an archive: readable, every block
// intact, every entry with its hashes and sizes that add up, every delta's records inside its
// files.
void CheckPatchArchive(const std::filesystem::path& bundle, std::vector<Finding>& findings);

} // namespace qly::tools
