// Minimal Windows executables for tests of what is appended to them: headers, one section of
// raw data, optionally a COFF symbol table with its strings, and a way to append a certificate
// table as a signing tool does (aligned to 8 bytes, named by the security directory).
#pragma once

#include "bundle/byte_order.h"
#include "bundle/resource_tree.h"

#include <cstdint>
#include <string>

namespace qly::test {

struct FakePeOptions {
    bool pe32Plus = true;     // PE32+ (x86_64) or PE32 (i686)
    bool symbolTable = false; // an unstripped build's symbols after the section
};

inline constexpr std::size_t kFakePeSectionEnd = 0x600; // headers 0x400, one 0x200 section

// Offset of the security directory's entry in a FakePe of these options.
inline std::size_t FakePeSecurityEntry(const FakePeOptions& options) {
    return 0x80 + 4 + 20 + (options.pe32Plus ? 112 : 96) + 4 * 8;
}

inline std::string FakePe(const FakePeOptions& options = {}) {
    std::string pe(0x400, '\0');
    auto put16 = [&](std::size_t at, uint16_t v) {
        std::string b;
        AppendLittleEndian(b, v);
        pe.replace(at, 2, b);
    };
    auto put32 = [&](std::size_t at, uint32_t v) {
        std::string b;
        AppendLittleEndian(b, v);
        pe.replace(at, 4, b);
    };
    pe.replace(0, 2, "MZ");
    put32(0x3C, 0x80);
    pe.replace(0x80, 4, std::string("PE\0\0", 4));
    const std::size_t coff = 0x84;
    const uint16_t optionalSize = options.pe32Plus ? 240 : 224;
    put16(coff, options.pe32Plus ? 0x8664 : 0x14C);
    put16(coff + 2, 1); // one section
    put16(coff + 16, optionalSize);
    const std::size_t opt = coff + 20;
    put16(opt, options.pe32Plus ? 0x20B : 0x10B);
    put32(opt + 32, 0x1000); // SectionAlignment
    put32(opt + 36, 0x200);  // FileAlignment
    put32(opt + 56, 0x2000); // SizeOfImage
    put32(opt + 60, 0x400);  // SizeOfHeaders
    put32(opt + (options.pe32Plus ? 108 : 92), 16);
    const std::size_t section = opt + optionalSize;
    pe.replace(section, 5, ".text");
    put32(section + 8, 0x200);   // VirtualSize
    put32(section + 12, 0x1000); // VirtualAddress
    put32(section + 16, 0x200);  // SizeOfRawData
    put32(section + 20, 0x400);  // PointerToRawData
    pe += std::string(0x200, '\x90');
    if (options.symbolTable) {
        put32(coff + 8, static_cast<uint32_t>(pe.size())); // PointerToSymbolTable
        put32(coff + 12, 2);                               // two 18-byte symbols
        pe += std::string(36, 's');
        std::string strings;
        AppendLittleEndian<uint32_t>(strings, 4 + 9);
        strings += "_mainCRT";
        strings += '\0';
        pe += strings;
    }
    return pe;
}

// A FakePe (PE32+, no symbols) whose resources are tree: a ".rsrc" section at 0x2000 between
// the code and a ".reloc" section, as a linker places them.
inline std::string FakePeWithResources(const ResourceTree& tree) {
    std::string pe = FakePe();
    auto put16 = [&](std::size_t at, uint16_t v) {
        std::string b;
        AppendLittleEndian(b, v);
        pe.replace(at, 2, b);
    };
    auto put32 = [&](std::size_t at, uint32_t v) {
        std::string b;
        AppendLittleEndian(b, v);
        pe.replace(at, 4, b);
    };
    const std::size_t coff = 0x84;
    const std::size_t opt = coff + 20;
    const std::size_t table = opt + 240;
    const std::string resources = EncodeResourceTree(tree, 0x2000);
    const auto rawSize = static_cast<uint32_t>((resources.size() + 0x1FF) / 0x200 * 0x200);
    const auto rsrcPages = static_cast<uint32_t>((resources.size() + 0xFFF) / 0x1000 * 0x1000);
    const auto addSection = [&](std::size_t index, const char* name, uint32_t virtualSize,
                                uint32_t address, uint32_t raw, uint32_t flags) {
        const std::size_t at = table + index * 40;
        pe.replace(at, std::string(name).size(), name);
        put32(at + 8, virtualSize);
        put32(at + 12, address);
        put32(at + 16, raw);
        put32(at + 20, static_cast<uint32_t>(pe.size()));
        put32(at + 36, flags);
    };
    addSection(1, ".rsrc", static_cast<uint32_t>(resources.size()), 0x2000, rawSize, 0xC0000040);
    pe += resources;
    pe.resize(pe.size() + rawSize - resources.size(), '\0');
    addSection(2, ".reloc", 0x10, 0x2000 + rsrcPages, 0x200, 0x42000040);
    pe += std::string(0x10, 'r') + std::string(0x1F0, '\0');
    put16(coff + 2, 3);
    put32(opt + 56, 0x2000 + rsrcPages + 0x1000); // SizeOfImage
    put32(opt + 112 + 2 * 8, 0x2000);             // the resource directory
    put32(opt + 112 + 2 * 8 + 4, static_cast<uint32_t>(resources.size()));
    return pe;
}

// file with a certificate table of certBytes appended the way a signing tool does it: zero
// padding up to a multiple of 8, then a WIN_CERTIFICATE (length, revision 2.0, PKCS#7 type,
// the bytes), its place and size written into the security directory entry at entryOffset.
inline std::string AppendCertificate(std::string file, std::size_t entryOffset,
                                     const std::string& certBytes) {
    file.append((8 - file.size() % 8) % 8, '\0');
    const auto offset = static_cast<uint32_t>(file.size());
    std::string cert;
    AppendLittleEndian<uint32_t>(cert, static_cast<uint32_t>(8 + certBytes.size()));
    AppendLittleEndian<uint16_t>(cert, 0x0200);
    AppendLittleEndian<uint16_t>(cert, 0x0002);
    cert += certBytes;
    cert.append((8 - cert.size() % 8) % 8, '\0');
    file += cert;
    std::string entry;
    AppendLittleEndian<uint32_t>(entry, offset);
    AppendLittleEndian<uint32_t>(entry, static_cast<uint32_t>(cert.size()));
    file.replace(entryOffset, 8, entry);
    return file;
}

} // namespace qly::test
