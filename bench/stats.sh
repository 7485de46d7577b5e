# The benchmark scripts' arithmetic on timings, sourced by each of them. Rounds are given as
# one line of space-separated seconds. On a virtual disk single rounds vary several-fold, so
# each method's best round and its median round are printed; the median is the steadier figure.

now() { date +%s.%N; }
median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
best() { tr ' ' '\n' | sed '/^$/d' | sort -g | head -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# "met" when $1 / $2 is at most $3, else "NOT met".
verdict() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { print (a / b <= t) ? "met" : "NOT met" }'; }
