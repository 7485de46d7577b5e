#!/usr/bin/env bash
# Patching inside a Wine prefix: qlypatch-linux natively against the Windows program under
# wine (/VERYSILENT) on the same prefix and the same patch, and against the copy engine alone
# (qly-copy-demo) on the same tree. The patch is the demo bundle with a large file and many
# small ones added (BENCH_BIG_MIB, default 256; BENCH_SMALL_FILES, default 4000 of 4 KiB).
# Prints the best and the median of BENCH_RUNS rounds (default 5) of each, their rates and the
# ratios; the methods take turns within each round, so that a slow spell of the shared disk
# does not fall on one of them alone.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

runs=${BENCH_RUNS:-5}
big_mib=${BENCH_BIG_MIB:-256}
small_files=${BENCH_SMALL_FILES:-4000}
work=$root/build/prefix-bench
exe=$root/build/win64/src/app/qlypatch.exe

cmake --preset native >/dev/null
cmake --build --preset native --target qlypatch-linux qly-copy-demo >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target qlypatch >/dev/null

source tests/e2e/lib/session.sh
# shellcheck source=stats.sh
source bench/stats.sh
mkdir -p "$work"
trap session_end EXIT
session_start_display "$work"
session_wine_env "$work/prefix"
[ -f "$WINEPREFIX/system.reg" ] || { echo "bench: making the prefix"; session_make_prefix; }

# The patch, once.
bundle=$work/bundle
if [ ! -f "$bundle/.complete-$big_mib-$small_files" ]; then
  rm -rf "$bundle" && cp -R demo "$bundle"
  head -c "$((big_mib << 20))" /dev/urandom >"$bundle/update/data/big.pak"
  mkdir -p "$bundle/update/data/small"
  for ((i = 0; i < small_files; i++)); do
    head -c 4096 /dev/urandom >"$bundle/update/data/small/f$i.dat"
  done
  touch "$bundle/.complete-$big_mib-$small_files"
fi
bytes=$(du -sb "$bundle/update" | cut -f1)
install_dir='C:\Downloads\Bench Patch'
game_dir='C:\Games\Quillory'
game=$(session_unix_path "$game_dir")
session_stage_bundle "$exe" "$bundle" "$install_dir"
session_unregister
session_register full "$game_dir" /reg:32
timeout 120 wineserver -k >/dev/null 2>&1 || true
timeout 60 wineserver -w || true


# Seconds of one run of method $1 into a fresh game folder.
one_run() {
  session_make_game "$game_dir"
  sync
  local start end
  start=$(now)
  case $1 in
  linux) build/native/src/app/qlypatch-linux "$bundle" --yes >/dev/null ;;
  wine) session_run_app "$work" 900 "$install_dir\\qlypatch.exe" /VERYSILENT ;;
  engine) build/native/src/app/qly-copy-demo "$bundle/update" "$game" >/dev/null ;;
  esac
  since "$start"
}

declare -A t=() b=() md=()
for ((r = 0; r < runs; r++)); do
  for m in engine linux wine; do
    t[$m]="${t[$m]:-} $(one_run "$m")"
  done
done
for m in engine linux wine; do
  b[$m]=$(echo "${t[$m]}" | best)
  md[$m]=$(echo "${t[$m]}" | median)
done

echo "prefix bench: patch of $((bytes >> 20)) MiB ($big_mib MiB file, $small_files small files), best / median of $runs"
TABLE_LABEL=8
table_row "" best median "best rate"
for m in engine linux wine; do
  times_row "$m" "${b[$m]}" "${md[$m]}" "$(awk -v s="${b[$m]}" -v b="$bytes" 'BEGIN { printf "%.1f MiB/s", b / 1048576 / s }')"
done
ratios() {
  awk -v k="$1" -v e="$2" -v l="$3" -v w="$4" 'BEGIN {
    printf "  %-6s qlypatch-linux vs Windows program under wine: %.2fx faster;", k, w / l
    printf " vs the copy engine alone: %.2fx the time\n", l / e }'
}
ratios best "${b[engine]}" "${b[linux]}" "${b[wine]}"
ratios median "${md[engine]}" "${md[linux]}" "${md[wine]}"
