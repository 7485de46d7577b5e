#!/usr/bin/env bash
# qlypatch-linux asked to end in the middle of the copy: a kill (SIGTERM) and a closed terminal
# (SIGHUP) stop the run as Ctrl+C does, leaving the game folder exactly as it was with nothing
# of the run's in it (exit code 2); a reader of its output that went away (SIGPIPE) does not
# stop it at all. The patch carries one large file, so that the copy lasts long enough to be
# interrupted.
#
# Usage: stop_signals.sh [QLYPATCH-LINUX] (default build/native/src/app/qlypatch-linux).
# Environment: QLY_STOP_SIGNALS_WORK (default: a new temporary folder). Ends with
# "stop signals: N passed, M failed".
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
LINUX=${1:-$root/build/native/src/app/qlypatch-linux}
[ -x "$LINUX" ] || { echo "stop signals: $LINUX is not built" >&2; exit 1; }
work=${QLY_STOP_SIGNALS_WORK:-$(mktemp -d)}
[ -n "${QLY_STOP_SIGNALS_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
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

rm -rf "$work/bundle" && mkdir -p "$work"
cp -r "$root/demo" "$work/bundle"
rm -rf "$work/bundle/tools"
# Sparse: quick to make, yet every byte of it is read, written and flushed by the run.
truncate -s 512M "$work/bundle/update/data/big.pak"

# The game before the patch, in its own letter case.
fresh_game() {
  rm -rf "$work/game" && mkdir -p "$work/game/DATA"
  printf 'MZ old' >"$work/game/main.exe"
  printf 'old levels' >"$work/game/DATA/Levels.DAT"
}

# Every path, type, size and content digest below DIR.
tree_of() {
  (cd "$1" && find . -printf '%p %y %s\n' | sort && find . -type f -exec sha256sum {} + | sort)
}

same_as_before() {
  [ "$(tree_of "$work/game")" = "$before" ]
}

nothing_of_ours_left() {
  ! find "$work/game" -iname 'qlypatch*' | grep -q .
}

# Waits up to 60 s for a progress line of the copy in FILE.
copy_under_way() {
  local i
  for i in $(seq 600); do
    grep -qE '^ *[1-9][0-9]?%' "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# A run into the game folder, in the background, its output into out; sets pid.
start_run() {
  (cd "$work/bundle" && WINEPREFIX="$work/no-prefix" LANG=C LC_ALL=C \
    exec "$LINUX" --dir "$work/game" --yes --log "$work/log" >"$work/out" 2>&1 </dev/null) &
  pid=$!
}

for signal in TERM HUP; do
  echo "== SIG$signal during the copy"
  fresh_game
  before=$(tree_of "$work/game")
  : >"$work/log"
  start_run
  check "the copy got under way" copy_under_way "$work/out"
  kill -"$signal" "$pid"
  wait "$pid"
  code=$?
  check "exit code 2 (stopped and undone), got $code" [ "$code" -eq 2 ]
  check "the game folder is as it was" same_as_before
  check "nothing of the run's is left" nothing_of_ours_left
  check "the stop is said" grep -q 'undone' "$work/out"
  check "the log ends with the stop's outcome" grep -q 'outcome: exit code 2' "$work/log"
done

echo "== the output's reader goes away during the run"
fresh_game
(
  cd "$work/bundle" || exit 99
  WINEPREFIX="$work/no-prefix" LANG=C LC_ALL=C \
    "$LINUX" --dir "$work/game" --yes 2>&1 </dev/null | head -n 1 >/dev/null
  exit "${PIPESTATUS[0]}"
)
code=$?
check "exit code 0 (installed), got $code" [ "$code" -eq 0 ]
check "the large file was installed" [ "$(stat -c %s "$work/game/DATA/big.pak" 2>/dev/null)" = 536870912 ]
check "nothing of the run's is left" nothing_of_ours_left

echo "stop signals: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
