#!/usr/bin/env bash
# qlypatch-linux's answers about its command line, run as a user would, without Wine: a prefix
# given with --prefix that is none, --list on it, and a patch folder that is no patch.
#
# Usage: command_line.sh [QLYPATCH-LINUX] (default build/native/src/app/qlypatch-linux).
# Ends with "command line: N passed, M failed".
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
LINUX=${1:-$root/build/native/src/app/qlypatch-linux}
[ -x "$LINUX" ] || { echo "command line: $LINUX is not built" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "  ok: $what"
  else
    failed=$((failed + 1))
    echo "  FAILED: $what"
  fi
}

# Runs the program with a home of its own (no Steam, no ~/.wine) in the folder FROM, the
# rest of the arguments its own; sets code and out (standard output and error together).
run_in() {
  local from=$1
  shift
  out=$(cd "$from" && env -u WINEPREFIX HOME="$work/home" LANG=C LC_ALL=C \
    "$LINUX" "$@" 2>&1 </dev/null)
  code=$?
}

# True when the last output has no line matching PATTERN.
lacks() {
  ! grep -q -- "$1" <<<"$out"
}

mkdir -p "$work/home" "$work/pfx" "$work/empty" "$work/game"
: >"$work/pfx/system.reg"
printf 'MZ' >"$work/game/main.exe"
cp -r "$root/demo" "$work/bundle"

echo "== --list"
run_in "$work" --list --prefix "$work/missing"
check "a --prefix that is no prefix fails (exit $code)" [ "$code" -eq 1 ]
check "and names it" grep -qF "$work/missing" <<<"$out"
run_in "$work" --list --prefix "$work/pfx"
check "a --prefix that is one is listed (exit $code)" [ "$code" -eq 0 ]
check "as given, not as the default: $out" grep -qF "$work/pfx  (given with --prefix)" <<<"$out"

echo "== the prefix of a run"
run_in "$work/bundle" --prefix "$work/missing" --yes
check "a --prefix that is no prefix fails (exit $code)" [ "$code" -eq 1 ]
check "and the user is told to check it, not to give one: $out" \
  grep -q 'check the folder given with --prefix' <<<"$out"
check "not told to give one" lacks 'give --prefix'
run_in "$work/bundle" --yes
check "without --prefix, told to give one: $out" grep -q 'give --prefix' <<<"$out"

echo "== a folder that is no patch"
run_in "$work/empty" --dir "$work/game" --yes
check "fails (exit $code)" [ "$code" -eq 1 ]
check "saying that it is no patch folder: $out" grep -qF "$work/empty is not a patch folder" <<<"$out"
check "not that a skin is missing" lacks 'gfx.bmp.*missing'
rm "$work/bundle/gfx.bmp"
run_in "$work/bundle" --dir "$work/game" --yes
check "a patch without its skin is still told so (exit $code): $out" \
  grep -q 'gfx.bmp is missing' <<<"$out"

echo "command line: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
