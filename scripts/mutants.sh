#!/usr/bin/env bash
# A small mutation check: each diff in tests/mutants/ plants one realistic fault. The diff is
# applied to a scratch copy of the working tree (build/mutants/tree, never the tree itself),
# the native preset is built there incrementally, and the test programs the diff names run.
# A fault that makes one of them fail is killed; one they all pass survived.
#   bash scripts/mutants.sh [--keep-going] [NAME|GLOB...]
#       e.g. bash scripts/mutants.sh --keep-going 'transaction_*'
# Without --keep-going the check stops at the first survivor or diff that no longer applies.
# Prints killed / survived / no longer applies per diff, then the score (killed / applicable);
# the exit status is 0 when the score is 90% or more and every diff applied.
#
# A diff is a unified diff against the repository root with a preamble that patch skips:
#   # tests: qly_engine_tests [more programs]
#   # what the fault is, in a line or two
# Not part of CI: each diff costs a rebuild of what it touches and a run of its programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v patch >/dev/null || bash scripts/deps.sh

keep_going=false
patterns=()
for arg in "$@"; do
  case "$arg" in
  --keep-going | -k) keep_going=true ;;
  -h | --help)
    sed -n '2,16p' "$0"
    exit 0
    ;;
  *) patterns+=("$arg") ;;
  esac
done
((${#patterns[@]})) || patterns=('*')

diffs=()
for pattern in "${patterns[@]}"; do
  pattern=${pattern%.diff}
  for file in tests/mutants/$pattern.diff; do
    [ -f "$file" ] && diffs+=("$file")
  done
done
if ((${#diffs[@]} == 0)); then
  echo "mutants: no diff in tests/mutants/ matches ${patterns[*]}" >&2
  exit 2
fi

# The scratch tree: what git tracks plus new files not yet added, as they are now.
scratch=$root/build/mutants/tree
mkdir -p "$scratch"
# Only files whose contents differ are copied, so that their times tell the build what to redo
# (also after a run cut short with a diff still applied).
git ls-files -z --cached --others --exclude-standard | sort -z -u >"$root/build/mutants/files"
while IFS= read -r -d '' file; do
  if [ -f "$file" ] && ! cmp -s "$file" "$scratch/$file"; then
    mkdir -p "$scratch/$(dirname "$file")"
    cp "$file" "$scratch/$file"
  fi
done <"$root/build/mutants/files"
# Files gone from the working tree go from the copy too (the build globs its folders).
(cd "$scratch" && find . -path ./build -prune -o -type f -printf '%P\0' | sort -z) |
  comm -z -23 - "$root/build/mutants/files" |
  while IFS= read -r -d '' gone; do rm -f "$scratch/$gone"; done

launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_DIR=${CCACHE_DIR:-$root/build/ccache} CCACHE_BASEDIR=${CCACHE_BASEDIR:-$scratch}
  export CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
jobs=${MUTANTS_JOBS:-2}
log=$root/build/mutants/last.log
(cd "$scratch" && cmake --preset native "${launcher[@]}" >"$log" 2>&1) || {
  tail -20 "$log"
  exit 2
}

killed=0 survived=0 stale=0
survivors=()
for diff in "${diffs[@]}"; do
  name=$(basename "$diff" .diff)
  read -r -a programs <<<"$(sed -n 's/^# tests:[[:space:]]*//p' "$diff" | head -1)"
  if ((${#programs[@]} == 0)); then
    echo "mutants: $diff names no test program (# tests: ...)" >&2
    exit 2
  fi
  if ! (cd "$scratch" && patch -p1 --fuzz=0 --dry-run --silent <"$root/$diff" >/dev/null 2>&1); then
    printf '%-52s no longer applies\n' "$name"
    stale=$((stale + 1))
    survivors+=("$name: no longer applies, rewrite it for the code")
    $keep_going || break
    continue
  fi
  (cd "$scratch" && patch -p1 --fuzz=0 --silent <"$root/$diff")
  verdict=survived
  if ! (cd "$scratch" && cmake --build --preset native -j "$jobs" --target "${programs[@]}") \
    >"$log" 2>&1; then
    verdict="does not build"
  else
    for program in "${programs[@]}"; do
      # Its own shell, so that a crash is reported to the log, not here.
      if ! bash -c 'cd "$1/build/native/tests" && QLY_SOURCE_DIR=$1 timeout 600 "./$2" \
        --gtest_brief=1; exit $?' _ "$scratch" "$program" >>"$log" 2>&1; then
        verdict="killed by $program"
        break
      fi
    done
  fi
  (cd "$scratch" && patch -p1 --fuzz=0 -R --silent <"$root/$diff")
  printf '%-52s %s\n' "$name" "$verdict"
  if [ "$verdict" = "does not build" ]; then
    # A diff that no longer compiles plants nothing: rewrite it like one that does not apply.
    stale=$((stale + 1))
    survivors+=("$name: does not build, rewrite it for the code")
    $keep_going || break
  elif [ "$verdict" = survived ]; then
    survived=$((survived + 1))
    survivors+=("$name: survived, needs a test that fails for it")
    $keep_going || break
  else
    killed=$((killed + 1))
  fi
done

applicable=$((killed + survived))
score=0
((applicable == 0)) || score=$((100 * killed / applicable))
echo "score: $killed killed of $applicable applicable ($score%); $stale no longer apply or build"
for survivor in "${survivors[@]+"${survivors[@]}"}"; do
  echo "  to do: $survivor"
done
((score >= 90 && stale == 0 && applicable > 0))
