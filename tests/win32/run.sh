#!/usr/bin/env bash
# Builds the Win32 implementations' tests with the x86_64 cross build and runs them under
# wine64, in a Wine prefix of their own and on a virtual display of their own.
# Environment: QLY_WIN32_BUILD (default build/win64, configured with the win64 preset).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QLY_WIN32_BUILD:-$root/build/win64}
work=$(mktemp -d /tmp/qly-win32-tests.XXXXXX)
xvfb_pid=""
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

[ -f "$build/CMakeCache.txt" ] || cmake --preset win64 -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target qly_win32_tests qly_scroll_pace

# A display of our own: the server picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "win32 tests: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -d '\n' <"$work/display")"

export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
timeout 300 wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; exit 1; }
# A raised system scale (150%), so that the tests see what a scaled display does to the window.
for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
  timeout 60 wine reg add "$key" /v LogPixels /t REG_DWORD /d 144 /f >>"$work/wineboot.log" 2>&1
done
timeout 120 wineserver -w || true

# A Unix symbolic link to a folder holding a marker file, inside the prefix, which Wine shows as
# a reparse point, planted in a folder the tests remove. The marker lies outside the prefix;
# the tests reach it through Wine's Z: drive. (A link to a file is not planted: Wine 8 shows it
# as a plain file, and deleting it by name deletes its target.)
planted=$WINEPREFIX/drive_c/qly-planted-links
mkdir -p "$planted/sub" "$work/outside"
printf 'must survive\r\n' >"$work/outside/marker.txt"
ln -s "$work/outside" "$planted/sub/folder-link"
printf 'removed with its folder\r\n' >"$planted/plain.txt"
export QLY_PLANTED_LINK_FOLDER='C:\qly-planted-links'
export QLY_PLANTED_LINK_MARKER="Z:${work//\//\\}\\outside\\marker.txt"

# Links of every kind for the file queries' table, in a folder of their own.
queried=$WINEPREFIX/drive_c/qly-query-links
mkdir -p "$queried/sub"
printf 'inner\r\n' >"$queried/sub/inner.txt"
printf 'plain\r\n' >"$queried/plain.txt"
ln -s "$queried/sub" "$queried/folder-link"
ln -s "$queried/plain.txt" "$queried/file-link"
ln -s "$queried/gone.txt" "$queried/dangling"
export QLY_QUERY_LINK_FOLDER='C:\qly-query-links'

echo "== Win32 tests (wine64)"
timeout 300 wine "$build/tests/win32/qly_win32_tests.exe" --gtest_color=no 2>&1 |
  grep -v -e 'wine32' -e 'multiarch' -e 'dpkg --add-architecture' -e 'apt-get install wine32'

[ -f "$work/outside/marker.txt" ] || { echo "win32 tests: a planted link was followed" >&2; exit 1; }

echo "== Scroll pace under wine (figures)"
timeout 120 wine "$build/tests/win32/qly_scroll_pace.exe" 2>&1 |
  grep -v -e 'wine32' -e 'multiarch' -e 'dpkg --add-architecture' -e 'apt-get install wine32'
