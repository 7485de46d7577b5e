#!/usr/bin/env bash
# Installing a patch from the packed exe against installing it from the folder: the copy
# engine reads the 1 GiB file and the 20,000 small files straight from a payload (through its
# read-only file system, every file's SHA-256 checked on the way), from the folder, and from
# the folder with every file hashed as it is read (what a check against update.sha256 costs);
# as in the installer, a large file is hashed on a worker thread beside the copy.
# Prints best and median of BENCH_RUNS rounds (default 5) and their ratios; the target is at
# most 1.10. Warm cache; `sync` before every timed copy.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QLY_BUILD_DIR:-build/native}
runs=${BENCH_RUNS:-5}
fixtures=bench/fixtures
out=$fixtures/out

cmake --preset native -B "$build" >/dev/null
cmake --build "$build" --target qly-payload-bench >/dev/null
bench="$build/bench/qly-payload-bench"

# shellcheck source=fixtures.sh
source bench/fixtures.sh
# shellcheck source=stats.sh
source bench/stats.sh


# One timed install by mode $1 from $2; sets t (seconds).
time_install() {
    rm -rf "$out" && mkdir -p "$out" && sync
    local line
    line=$("$bench" "$1" "$2" "$out")
    t=${line%% *}
}

report() {
    local label=$1 tree=$2 packed=$fixtures/$(basename "$2").packed
    if [ ! -f "$packed" ] || [ "$packed" -ot "$bench" ]; then
        echo "packing $tree into $packed: $("$bench" pack "$tree" "$packed" | cut -d' ' -f1) s"
    fi
    declare -A times=()
    local m
    for _ in $(seq "$runs"); do
        for m in folder folder-sha256 packed; do
            if [ "$m" = packed ]; then time_install packed "$packed"; else time_install "$m" "$tree"; fi
            times[$m]="${times[$m]:-} $t"
        done
    done
    declare -A b=() md=()
    for m in folder folder-sha256 packed; do
        b[$m]=$(echo "${times[$m]}" | best)
        md[$m]=$(echo "${times[$m]}" | median)
    done
    echo
    echo "$label (best / median of $runs rounds)"
    table_row "" best median
    times_row "from the folder" "${b[folder]}" "${md[folder]}"
    times_row "from the folder, SHA-256 checked" "${b[folder-sha256]}" "${md[folder-sha256]}"
    times_row "from the packed exe (checked)" "${b[packed]}" "${md[packed]}"
    echo "  packed / folder:         best $(ratio "${b[packed]}" "${b[folder]}")x   median $(ratio "${md[packed]}" "${md[folder]}")x   (target at most 1.10: median $(verdict "${md[packed]}" "${md[folder]}" 1.10))"
    # The packed exe always checks each file's SHA-256 while staging it; a folder does so only
    # with an update.sha256. This ratio is the cost of reading from the exe itself.
    echo "  packed / folder checked: best $(ratio "${b[packed]}" "${b[folder-sha256]}")x   median $(ratio "${md[packed]}" "${md[folder-sha256]}")x   (the same check on both sides: median $(verdict "${md[packed]}" "${md[folder-sha256]}" 1.10))"
}

make_fixtures
echo "$runs rounds each, warm cache"
report "1 GiB file" "$fixtures/big"
report "20,000 small files in 200 folders" "$fixtures/small"
rm -rf "$out"
