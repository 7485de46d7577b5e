// Single-byte Windows code pages without Windows: which code page a GDI charset's font shows,
// and the translation of its bytes to and from Unicode.
#pragma once

#include <cstdint>
#include <string>

namespace qly::posix {

// The code page whose bytes a font of the GDI charset shows (238 -> 1250, 204 -> 1251,
// 0 -> 1252, ...); 1252 for charsets without a single-byte code page of their own.
unsigned codePageOfCharset(int32_t charset);

// The Unicode character that byte stands for in codePage. Bytes a code page leaves undefined
// stand for the code point of the same number, as Windows maps them; code pages without a
// table here are read as 1252.
char32_t toUnicode(unsigned char byte, unsigned codePage);

// The byte that stands for ch in codePage, or '?' when the code page cannot show it.
unsigned char fromUnicode(char32_t ch, unsigned codePage);

// UTF-8 text to the bytes of codePage; characters the code page lacks become '?', and so does
// every byte of a malformed sequence.
std::string utf8ToCodePage(const std::string& utf8, unsigned codePage);

} // namespace qly::posix

namespace qly::posix {

// The bytes of codePage as UTF-8 text.
std::string codePageToUtf8(const std::string& bytes, unsigned codePage);

} // namespace qly::posix
