// UTF-8 <-> UTF-16 at the Windows boundary, and single-byte code pages of GDI charsets.
#pragma once

#include <cstdint>
#include <string>

namespace qly::win32 {

std::wstring toWide(const std::string& utf8);
std::string fromWide(const std::wstring& wide);
// The code page whose bytes a font of the GDI charset shows (238 -> 1250, 204 -> 1251, ...);
// the ANSI code page for charsets without a single-byte code page of their own.
unsigned codePageOfCharset(int32_t charset);
// Bytes of a single-byte code page to UTF-16.
std::wstring fromCodePage(const std::string& bytes, unsigned codePage);

} // namespace qly::win32
