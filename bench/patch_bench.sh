#!/usr/bin/env bash
# Patch sizes and times on real version pairs (two versions of Debian packages, fetched once):
# our archive beside bsdiff, `xdelta3 -9 -S djw`, `zstd -19 --long --patch-from` on the files
# that changed, and beside `xz -9e` for the changed and added files packed whole; the time to
# make and to apply each, our peak memory while making, and whether each target is met.
# Times are medians of BENCH_RUNS rounds (default 3). The other tools apply one process per
# changed file, ours one process for the whole set: both with their process start, and both
# checking what they make (ours also hashes every old file before it starts).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QLY_BUILD_DIR:-build/native}
runs=${BENCH_RUNS:-3}
fixtures=bench/fixtures/pairs
# package old-version new-version
pairs=(
    "zstd 1.5.4+dfsg2-5 1.5.4+dfsg2-5+deb12u1"
    "libssl3 3.0.20-1~deb12u2 3.0.22-1~deb12u2"
    "libcurl4 7.88.1-10+deb12u5 7.88.1-10+deb12u15"
    "postgresql-15 15.18-0+deb12u1 15.20-0+deb12u1"
)

cmake --preset native -B "$build" >/dev/null
cmake --build "$build" --target qlypatch-tool qly-patch-bench >/dev/null
tool="$build/src/app/qlypatch-tool"
bench="$build/bench/qly-patch-bench"
for program in bsdiff bspatch xdelta3 zstd xz; do
    command -v "$program" >/dev/null || { echo "patch_bench: $program is missing (scripts/deps.sh)"; exit 1; }
done

# shellcheck source=stats.sh
source bench/stats.sh

# Runs "$@" $runs times; prints the median seconds.
timed() {
    local rounds="" t0
    for _ in $(seq "$runs"); do
        t0=$(now)
        "$@" >/dev/null 2>&1
        rounds+="$(awk -v a="$t0" -v b="$(now)" 'BEGIN { print b - a }') "
    done
    echo "$rounds" | median
}

# The files of $1 and $2 that differ ($work/changed) or are new ($work/added), one relative
# path a line; links are followed as a copy would.
compare_trees() {
    (cd "$1" && find -L . -type f | sed 's|^\./||' | sort) >"$work/old.list"
    (cd "$2" && find -L . -type f | sed 's|^\./||' | sort) >"$work/new.list"
    comm -13 "$work/old.list" "$work/new.list" >"$work/added"
    : >"$work/changed"
    while IFS= read -r f; do
        cmp -s "$1/$f" "$2/$f" || echo "$f" >>"$work/changed"
    done < <(comm -12 "$work/old.list" "$work/new.list")
}

# Copies the files listed in $1 from tree $2 to tree $3.
copy_listed() {
    while IFS= read -r f; do
        mkdir -p "$3/$(dirname "$f")" && cp -L "$2/$f" "$3/$f"
    done <"$1"
}

sum_sizes() { local s=0; for f in "$@"; do s=$((s + $(stat -c %s "$f"))); done; echo $s; }

# Runs $1 (old new patch out) on each changed file, with its patch under $work/$2; $3 "fresh"
# empties that folder first (making, not applying: the patches must still be there to apply).
per_file() {
    local fn=$1 dir=$work/$2 i=0
    if [ "${3:-}" = fresh ]; then
        rm -rf "$dir" && mkdir -p "$dir"
    fi
    while IFS= read -r f; do
        "$fn" "$work/oldc/$f" "$work/newc/$f" "$dir/$i" "$work/out.$2"
        i=$((i + 1))
    done <"$work/changed"
}
# Applies method $1's patches once, untimed, and says where a file does not come out as the new
# version: a time is only worth comparing when the tool did the work.
check_applied() {
    local i=0
    while IFS= read -r f; do
        "apply_$1" "$work/oldc/$f" "$work/newc/$f" "$work/$1/$i" "$work/out.$1" >/dev/null 2>&1
        cmp -s "$work/out.$1" "$work/newc/$f" || echo "  patch_bench: $1 did not rebuild $f"
        i=$((i + 1))
    done <"$work/changed"
}
# Applying and decoding are timed round by round, ours beside the other tool, so that both meet
# the same load on a shared machine; only the command itself is inside the clock (a fresh
# staging folder is made before it starts). Each timed_* function prints its seconds.
elapsed() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }'; }
timed_apply_ours() { # $1 threads
    rm -rf "$work/stage" && mkdir "$work/stage"
    local t0=$EPOCHREALTIME
    "$bench" apply "$work/ours/update.qlypatch" "$work/oldc" "$work/stage" "$1" >/dev/null
    elapsed "$t0"
}
timed_apply() { # $1 method: its apply_ function on every changed file
    local t0=$EPOCHREALTIME
    per_file "apply_$1" "$1" >/dev/null 2>&1
    elapsed "$t0"
}
timed_decode_ours() { # $1 threads
    local t0=$EPOCHREALTIME
    "$bench" decode "$work/whole_ours/update.qlypatch" "$1" >/dev/null
    elapsed "$t0"
}
timed_xz_d() {
    local t0=$EPOCHREALTIME
    xz -d -k -c -T1 "$work/whole.tar.xz" >/dev/null
    elapsed "$t0"
}
# Runs the commands given (one string each, split on blanks) $runs times, round-robin; prints
# the median seconds of each, in order, on one line.
interleaved() {
    local -a rounds
    local r i
    for r in $(seq "$runs"); do
        for i in $(seq 0 $(($# - 1))); do
            local args=("$@")
            # shellcheck disable=SC2086
            rounds[i]+="$(${args[i]}) "
        done
    done
    for i in $(seq 0 $(($# - 1))); do
        printf '%s ' "$(echo "${rounds[i]}" | median)"
    done
    echo
}

make_bsdiff() { bsdiff "$1" "$2" "$3"; }
apply_bsdiff() { bspatch "$1" "$4" "$3"; }
# -D -R: the files as they are (xdelta3 would otherwise run gzip on .gz files, diff what it
# unpacks and pack the result again on applying: another process and other work than ours).
make_xdelta() { xdelta3 -9 -S djw -D -R -f -e -s "$1" "$2" "$3"; }
apply_xdelta() { xdelta3 -D -R -f -d -s "$1" "$3" "$4"; }
make_zstd() { zstd -q -f -19 --long=30 --patch-from="$1" "$2" -o "$3"; }
apply_zstd() { zstd -q -f -d --long=30 --patch-from="$1" "$3" -o "$4"; }

TABLE_LABEL=24 TABLE_CELL=12
table_row "pair, method" bytes make_s apply_s ratio
for pair in "${pairs[@]}"; do
    read -r package old new <<<"$pair"
    dest=$fixtures/$package
    tests/patch/fetch_pair.sh "$package" "$old" "$new" "$dest" || continue
    work=$dest/work
    rm -rf "$work" && mkdir -p "$work"
    compare_trees "$dest/old" "$dest/new"
    copy_listed "$work/changed" "$dest/old" "$work/oldc"
    copy_listed "$work/changed" "$dest/new" "$work/newc"
    mkdir -p "$work/oldc" "$work/newc" "$work/none" "$work/whole"
    copy_listed "$work/changed" "$dest/new" "$work/whole"
    copy_listed "$work/added" "$dest/new" "$work/whole"

    # Ours: make (time and peak memory), apply on one thread into a fresh staging folder.
    t_make=$(timed "$tool" make "$work/oldc" "$work/newc" -o "$work/ours")
    peak_kb=$( { /usr/bin/time -f "%M" "$tool" make "$work/oldc" "$work/newc" -o "$work/ours" >/dev/null; } 2>&1 | tail -n 1)
    ours=$(stat -c %s "$work/ours/update.qlypatch")

    declare -A size make_t apply_t
    for m in bsdiff xdelta zstd; do
        make_t[$m]=$(timed per_file "make_$m" "$m" fresh)
        size[$m]=$(sum_sizes "$work/$m"/*)
        check_applied "$m"
    done
    timed_apply_ours 1 >/dev/null
    diff -r "$work/stage" "$work/newc" >/dev/null || echo "  patch_bench: ours did not rebuild the new files"
    read -r t_apply t_apply2 apply_t[bsdiff] apply_t[xdelta] apply_t[zstd] < <(interleaved \
        "timed_apply_ours 1" "timed_apply_ours 2" "timed_apply bsdiff" "timed_apply xdelta" "timed_apply zstd")
    table_row "$package ours" "$ours" "$(secs "$t_make")" "$(secs "$t_apply")" 1.00
    table_row "$package ours x2" "$ours" - "$(secs "$t_apply2")" 1.00
    for m in bsdiff xdelta zstd; do
        table_row "$package $m" "${size[$m]}" "$(secs "${make_t[$m]}")" \
            "$(secs "${apply_t[$m]}")" "$(ratio "$ours" "${size[$m]}")"
    done

    # Whole files: our archive of the changed and added files against one tar through xz -9e.
    "$tool" make "$work/none" "$work/whole" -o "$work/whole_ours" >/dev/null
    whole_ours=$(stat -c %s "$work/whole_ours/update.qlypatch")
    tar -C "$work/whole" -cf "$work/whole.tar" . && xz -9e -k -f -T1 "$work/whole.tar"
    whole_xz=$(stat -c %s "$work/whole.tar.xz")
    read -r t_xz t_dec1 t_dec2 < <(interleaved timed_xz_d "timed_decode_ours 1" "timed_decode_ours 2")
    table_row "$package ours whole" "$whole_ours" - "$(secs "$t_dec1")" 1.00
    table_row "$package ours whole x2" "$whole_ours" - "$(secs "$t_dec2")" 1.00
    table_row "$package xz -9e" "$whole_xz" - "$(secs "$t_xz")" "$(ratio "$whole_ours" "$whole_xz")"

    echo "  $package: $(wc -l <"$work/changed") changed, $(wc -l <"$work/added") added files; our peak memory making: $((peak_kb / 1024)) MiB"
    echo "  size <= 0.9x bsdiff: $(verdict "$ours" "${size[bsdiff]}" 0.9); <= 0.6x xdelta3: $(verdict "$ours" "${size[xdelta]}" 0.6)"
    echo "  whole <= 1.02x xz -9e: $(verdict "$whole_ours" "$whole_xz" 1.02)"
    echo "  apply speed, 1 thread >= 0.8x xdelta3 -d: $(at_least "${apply_t[xdelta]}" "$t_apply" 0.8) ($(ratio "${apply_t[xdelta]}" "$t_apply")x; 2 threads $(ratio "${apply_t[xdelta]}" "$t_apply2")x)"
    echo "  whole decode, 1 thread >= xz -d: $(at_least "$t_xz" "$t_dec1" 1.0) ($(ratio "$t_xz" "$t_dec1")x); 2 threads >= 1.6x: $(at_least "$t_xz" "$t_dec2" 1.6) ($(ratio "$t_xz" "$t_dec2")x)"
    echo "  make <= 2x bsdiff's time: $(verdict "$t_make" "${make_t[bsdiff]}" 2.0) ($(ratio "$t_make" "${make_t[bsdiff]}")x); within 4 GiB: $(awk -v k="$peak_kb" 'BEGIN { print (k <= 4194304) ? "met" : "NOT met" }')"
done
