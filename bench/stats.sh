# The benchmark scripts' arithmetic on timings and their side-by-side tables, sourced by each of
# them. Rounds are given as
# one line of space-separated seconds. On a virtual disk single rounds vary several-fold, so
# each method's best round and its median round are printed; the median is the steadier figure.

now() { date +%s.%N; }
median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
best() { tr ' ' '\n' | sed '/^$/d' | sort -g | head -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# "met" when $1 / $2 is at most $3, else "NOT met".
verdict() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { print (a / b <= t) ? "met" : "NOT met" }'; }
# "met" when $1 / $2 is at least $3, else "NOT met".
at_least() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { print (a / b >= t) ? "met" : "NOT met" }'; }
# Seconds to the millisecond.
secs() { awk -v a="$1" 'BEGIN { printf "%.3f", a }'; }
# Seconds since START, a reading of now().
since() { secs "$(awk -v a="$1" -v b="$(now)" 'BEGIN { print b - a }')"; }

# One row of a side-by-side table: LABEL left-aligned in TABLE_LABEL columns (default 34), each
# further cell right-aligned in TABLE_CELL columns (default 10). Usage: table_row LABEL CELL...
table_row() {
    local cell
    printf '  %-*s' "${TABLE_LABEL:-34}" "$1"
    shift
    for cell in "$@"; do
        printf ' %*s' "${TABLE_CELL:-10}" "$cell"
    done
    echo
}

# A method's row: its best and its median round in seconds, then any further cells.
# Usage: times_row LABEL BEST MEDIAN [CELL...]
times_row() {
    local label=$1 best=$2 median=$3
    shift 3
    table_row "$label" "$(secs "$best") s" "$(secs "$median") s" "$@"
}
