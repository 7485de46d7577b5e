#!/usr/bin/env bash
# Checks the Windows builds of the installer as shipped files: each exe must import only
# KnownDLLs, which Windows maps from the system folder whatever lies beside the exe, plus
# comctl32, which the manifest binds to the system's side-by-side copy. Any other DLL (version,
# winmm, bcrypt, uxtheme, ...) in the import table would be looked for first in the exe's folder,
# usually Downloads, and a planted copy would run with the installer's rights: the program loads
# those from the system folder itself. A MinGW runtime DLL here also means the exe would not
# start on a clean machine. The stripped size of each is printed. The i686 exe
# is the one shipped with every patch: stripped, it must stay within 656 KiB.
# Usage: check_exe.sh EXE...   Exits non-zero when an exe is missing, imports another DLL or
# is too large.
set -uo pipefail

# The DLLs the installer may import (lower case).
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comdlg32|shlwapi|msvcrt|imm32|comctl32)\.dll$'

# The release exe's size guard: the exe is downloaded with every patch. It catches a change that
# pulls in a large piece of the runtime (iostreams, locales, a float formatter). 512 KiB, not
# less: the C++ library's own throw points (a container grown past its limit, a string position
# out of range) bring its old reference-counted string and their unwind tables along, about
# 80 KiB that section collection cannot drop (and link-time optimisation stops with an internal
# compiler error in Debian's i686 MinGW-w64 GCC 12); replacing those throw
# points with our own was fragile (every library upgrade could break the link), so the budget
# carries them instead. 640 KiB since the installer applies patch archives: their decoders (LZMA,
# the archive reader, the delta decoder) add 49 KiB, and zlib's inflate with its CRC tables,
# linked in statically so that no zlib1.dll is ever looked for beside an elevated exe, another
# 79 KiB (627 KiB measured); the encoders stay out of the exe, in files of their own. 656 KiB
# since a patch may turn files into folders and back (journal records, the folder swaps and
# their undo: 10 KiB) and the game is checked on several threads (6 KiB): 645 KiB measured.
shipped_limit=$((656 * 1024))

failed=0
for exe in "$@"; do
  if [ ! -f "$exe" ]; then
    echo "exe check: FAIL $exe is missing"
    failed=1
    continue
  fi
  # The tool prefix follows the exe's machine, whatever the file's folder is called.
  case $(x86_64-w64-mingw32-objdump -f "$exe" 2>/dev/null) in
    *pei-i386*) tools=i686-w64-mingw32 arch=i686 ;;
    *pei-x86-64*) tools=x86_64-w64-mingw32 arch=x86_64 ;;
    *)
      echo "exe check: FAIL $exe is not a Windows executable"
      failed=1
      continue
      ;;
  esac
  mapfile -t dlls < <("$tools-objdump" -p "$exe" | awk '/DLL Name:/ { print $3 }' | sort -u)
  foreign=()
  for dll in "${dlls[@]}"; do
    [[ ${dll,,} =~ $allowed ]] || foreign+=("$dll")
  done

  stripped=$(mktemp)
  "$tools-strip" -o "$stripped" "$exe"
  size=$(stat -c %s "$stripped")
  rm -f "$stripped"
  printf 'exe check: %s (%s): %d bytes stripped (%d KiB), %d bytes as built\n' \
    "$exe" "$arch" "$size" $(((size + 1023) / 1024)) "$(stat -c %s "$exe")"
  printf 'exe check:   imports %s\n' "${dlls[*]}"
  if [ "$arch" = i686 ] && ((size > shipped_limit)); then
    echo "exe check: FAIL $exe is $size bytes stripped, over the $shipped_limit allowed"
    failed=1
  fi
  if ((${#foreign[@]})); then
    echo "exe check: FAIL $exe imports DLLs that are not KnownDLLs: ${foreign[*]}"
    failed=1
  fi
done
exit "$failed"
