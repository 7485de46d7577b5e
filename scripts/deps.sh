#!/usr/bin/env bash
# Installs with apt-get whatever this machine lacks for building and testing (Debian, as root).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format clang-16 libclang-rt-16-dev
  libgtest-dev libgmock-dev libfreetype-dev libpng-dev libssl-dev fonts-liberation
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xdotool imagemagick x11-utils locales python3 openssl osslsigncode icoutils patch
  lzma-dev libdivsufsort-dev zlib1g-dev libz-mingw-w64-dev
  bsdiff xdelta3 zstd xz-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "deps: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
