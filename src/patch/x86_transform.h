// The x86 call and jump transform: the 32-bit displacement after each E8 (call) and E9 (jmp)
// byte becomes the target's position in the file, so that a call to one function reads the
// same from every place that makes it. Code that moved by a few bytes between two versions
// then differs only where it changed, and the deltas of exe and dll files shrink.
#pragma once

#include <span>
#include <string_view>

namespace qly::patch {

// Whether a file of this name is worth the transform (exe, dll and the like, any letter case).
bool IsX86Name(std::string_view name);

// Whether bytes start as a Windows program (MZ) does, whatever the file's name. Programs for
// other systems are left alone: measured on x86-64 ELF files, the transform made deltas larger.
bool LooksLikeProgram(std::span<const char> bytes);

// Converts displacements to positions, in place. Only displacements within +-16 MiB are
// converted, and they stay within that range, so that X86Decode(X86Encode(x)) == x for every x.
void X86Encode(std::span<char> data);
// The inverse of X86Encode.
void X86Decode(std::span<char> data);

} // namespace qly::patch
