#!/usr/bin/env bash
# Builds the fixture trees (once) and prints, in one run, the copy engine's times next to
# `cp -r`, to two minimal 62000-byte copy loops and to one that does the engine's durable work
# (temporary names, volume flushes, renames), its scan time next to
# `find DIR -printf '%s\n'`, the ratios, and the engine's peak memory on 100,000 files; the
# 1 GiB file and the 20,000 small files are also copied checked against an update.sha256,
# hashed beside the copy as the installer does and, for comparison, on the copying thread.
# Warm cache; `sync` before every timed copy; BENCH_RUNS rounds (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QLY_BUILD_DIR:-build/native}
runs=${BENCH_RUNS:-5}
fixtures=bench/fixtures
out=$fixtures/out

cmake --preset native -B "$build" >/dev/null
cmake --build "$build" --target qly-bench >/dev/null
bench="$build/bench/qly-bench"

# shellcheck source=fixtures.sh
source bench/fixtures.sh
# shellcheck source=stats.sh
source bench/stats.sh

minimum() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

fresh_out() {
    rm -rf "$out"
    mkdir -p "$out"
    sync
}

# One timed copy of tree $2 by method $1; sets t (seconds) and rss (KiB, engine only).
time_copy() {
    local method=$1 tree=$2 line start
    rss=0
    fresh_out
    case $method in
    cp)
        start=$(now)
        cp -r "$tree/." "$out/"
        t=$(since "$start")
        ;;
    engine)
        line=$("$bench" copy "$tree" "$out")
        t=${line%% *}
        rss=$(echo "$line" | awk '{ print $2 }')
        ;;
    engine-sha)
        line=$("$bench" copy-sha "$tree" "$out" "$tree.sha256")
        t=${line%% *}
        ;;
    disk)
        # What the disk itself takes to store the tree's bytes, bypassing the page cache: no
        # durable copy can be faster, whatever a copy into the cache alone takes.
        t=$(dd if=/dev/zero of="$out/direct" bs=8M count=$(($(du -sb "$tree" | cut -f1) >> 23)) \
            oflag=direct 2>&1 | awk '/copied/ { print $(NF - 3) }')
        ;;
    engine-sha-1t)
        line=$("$bench" copy-sha-one-thread "$tree" "$out" "$tree.sha256")
        t=${line%% *}
        ;;
    *)
        line=$("$bench" "$method" "$tree" "$out")
        t=${line%% *}
        flush=$(echo "$line" | awk '{ print $4 }')
        ;;
    esac
}


# The methods take turns within each round, so that a slow spell of the shared disk does not
# fall on one method alone.
report_copy() {
    local label=$1 tree=$2 engine_rss=0 m methods=(cp floor-rw floor-cfr floor-durable engine)
    # A tree of large files is also written straight to the disk, for the disk's own pace.
    [ "${3:-}" = with-disk ] && methods+=(disk)
    # A tree with a manifest is also copied with its integrity checked: hashed on a worker
    # thread beside the copy, as the installer does, and on the copying thread for comparison.
    [ -f "$tree.sha256" ] && methods+=(engine-sha engine-sha-1t)
    declare -A times=()
    for _ in $(seq "$runs"); do
        for m in "${methods[@]}"; do
            time_copy "$m" "$tree"
            times[$m]="${times[$m]:-} $t"
            [ "$m" = floor-durable ] && times[flush]="${times[flush]:-} $flush"
            if [ "$m" = engine ]; then
                engine_rss=$((rss > engine_rss ? rss : engine_rss))
            fi
        done
    done
    declare -A b=() md=()
    for m in "${methods[@]}" flush; do
        b[$m]=$(echo "${times[$m]}" | best)
        md[$m]=$(echo "${times[$m]}" | median)
    done
    local floor_b floor_md
    floor_b=$(minimum "${b[floor-rw]}" "${b[floor-cfr]}")
    floor_md=$(minimum "${md[floor-rw]}" "${md[floor-cfr]}")
    echo
    echo "$label (best / median of $runs rounds)"
    TABLE_LABEL=44
    table_row "" best median
    times_row "cp -r" "${b[cp]}" "${md[cp]}"
    times_row "floor read/write, 62000 steps" "${b[floor-rw]}" "${md[floor-rw]}"
    times_row "floor copy_file_range, 62000" "${b[floor-cfr]}" "${md[floor-cfr]}"
    times_row "floor durable (stage, flush, rename, flush)" "${b[floor-durable]}" "${md[floor-durable]}"
    times_row "  of which the two volume flushes" "${b[flush]}" "${md[flush]}"
    times_row "engine QuickCopy (transaction)" "${b[engine]}" "${md[engine]}" "peak RSS $engine_rss KiB"
    echo "  best:   engine / faster floor = $(ratio "${b[engine]}" "$floor_b")x   engine / cp -r = $(ratio "${b[engine]}" "${b[cp]}")x"
    echo "  median: engine / faster floor = $(ratio "${md[engine]}" "$floor_md")x   engine / cp -r = $(ratio "${md[engine]}" "${md[cp]}")x"
    [ -n "${b[disk]:-}" ] &&
        times_row "the disk alone (dd oflag=direct, 8 MiB blocks)" "${b[disk]}" "${md[disk]}"
    echo "  engine / in-kernel floor: best $(ratio "${b[engine]}" "${b[floor-cfr]}")x, median $(ratio "${md[engine]}" "${md[floor-cfr]}")x;" \
        "engine / durable floor: best $(ratio "${b[engine]}" "${b[floor-durable]}")x, median $(ratio "${md[engine]}" "${md[floor-durable]}")x"
    if [ -n "${b[engine-sha]:-}" ]; then
        times_row "engine QuickCopy + update.sha256" "${b[engine-sha]}" "${md[engine-sha]}"
        times_row "  hashed on the copying thread" "${b[engine-sha-1t]}" "${md[engine-sha-1t]}"
        echo "  hashing overhead: best $(ratio "${b[engine-sha]}" "${b[engine]}")x, median $(ratio "${md[engine-sha]}" "${md[engine]}")x of the engine's copy" \
            "(target at most 1.30x on a machine with SHA instructions: median $(verdict "${md[engine-sha]}" "${md[engine]}" 1.30));" \
            "on the copying thread: median $(ratio "${md[engine-sha-1t]}" "${md[engine]}")x"
    fi
    last_rss=$engine_rss
}

report_scan() {
    local tree=$1 best_find="" best_scan="" start t line
    for _ in $(seq "$runs"); do
        start=$(now)
        find "$tree" -printf '%s\n' >/dev/null
        t=$(since "$start")
        best_find=$(minimum "$best_find" "$t")
        line=$("$bench" scan "$tree")
        best_scan=$(minimum "$best_scan" "${line%% *}")
    done
    echo
    echo "scan of 100,000 entries"
    table_row "" best
    table_row "find -printf '%s\\n'" "$(secs "$best_find") s"
    table_row "engine CopyINI" "$(secs "$best_scan") s"
    echo "  engine / find = $(ratio "$best_scan" "$best_find")x"
}

make_fixtures
echo "$runs rounds each, warm cache"
report_copy "1 GiB file" "$fixtures/big" with-disk
report_copy "20,000 small files in 200 folders" "$fixtures/small"
report_copy "100,000 empty files" "$fixtures/empty"
echo "  engine peak memory on 100,000 files: $((last_rss / 1024)) MiB (limit 64 MiB)"
report_scan "$fixtures/empty"
rm -rf "$out"
