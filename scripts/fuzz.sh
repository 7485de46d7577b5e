#!/usr/bin/env bash
# Fuzzes the parsers of outside data: builds the libFuzzer targets of fuzz/ (preset "fuzz",
# clang with AddressSanitizer and UndefinedBehaviorSanitizer), replays every kept regression
# input, then runs each target for SECONDS (default 20) from its seed corpus.
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]      e.g. bash scripts/fuzz.sh 3600 journal_fuzz
# New inputs found go to build/fuzz/corpus/<target>/ (the seeds in fuzz/corpus/ stay as they
# are); a crash leaves its input in build/fuzz/crashes/<target>/ and fails the script. Keep a
# crash's input in fuzz/regressions/<target>/ once the parser is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

targets=("$@")
if ((${#targets[@]} == 0)); then
  # Every target built (fuzz/CMakeLists.txt leaves out those whose reader is not in the tree).
  for binary in build/fuzz/fuzz/*_fuzz; do
    targets+=("$(basename "$binary")")
  done
fi

failed=()
for target in "${targets[@]}"; do
  binary=build/fuzz/fuzz/$target
  corpus=build/fuzz/corpus/$target
  crashes=build/fuzz/crashes/$target
  mkdir -p "$corpus" "$crashes"
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")

  regressions=(fuzz/regressions/"$target"/*)
  if [ -e "${regressions[0]}" ]; then
    echo "== $target: replaying ${#regressions[@]} kept inputs"
    if ! "$binary" -runs=0 "${regressions[@]}" >"$crashes/replay.log" 2>&1; then
      tail -40 "$crashes/replay.log"
      failed+=("$target (regression)")
      continue
    fi
  fi

  echo "== $target: ${seconds}s"
  if ! "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$crashes/" "${dict[@]}" "$corpus" "fuzz/corpus/$target" \
      >"$crashes/fuzz.log" 2>&1; then
    tail -40 "$crashes/fuzz.log"
    failed+=("$target")
  fi
  grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$crashes/fuzz.log" |
    tr '\n' ' ' | sed "s/^/   /;s/$/\n/"
done

if ((${#failed[@]})); then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets clean"
