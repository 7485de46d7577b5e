// Where the parts of a Windows executable file lie: the end of what the loader and the
// debugger use, and the certificate table a signing tool appends at the very end.
#pragma once

#include "platform/random_access_file.h"

#include <cstdint>
#include <optional>

namespace qly {

struct CertificateTable {
    int64_t offset = 0; // a file offset: the security directory holds no RVA
    int64_t size = 0;
};

struct PeLayout {
    // First byte after the headers, the sections' raw data and the symbol table with its
    // strings: where anything appended to the program starts.
    int64_t imageEnd = 0;
    // File offset of the security directory's entry (offset, size), for a tool that drops a
    // signature.
    int64_t securityEntryOffset = 0;
    std::optional<CertificateTable> certificates;
};

// The layout of file, or nothing when it is not a PE executable this lookup understands. A
// security directory that does not point inside the file, after the image, is ignored.
std::optional<PeLayout> ReadPeLayout(RandomAccessFile& file);

} // namespace qly
