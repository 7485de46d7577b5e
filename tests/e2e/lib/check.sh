# Bookkeeping of the end-to-end checks: one line per check, a failure count per scenario, and
# the closing tally. Sourced by tests/e2e/run.sh.

E2E_PASSED=0
E2E_FAILED=0
SCENARIO_FAILED=0

# Records one check: runs COMMAND and counts it as passed when it succeeds.
# Usage: check "what must hold" COMMAND [ARGS...]
check() {
  local what=$1
  shift
  if "$@"; then
    pass "$what"
  else
    fail "$what"
  fi
}

pass() {
  E2E_PASSED=$((E2E_PASSED + 1))
  printf '  ok    %s\n' "$1"
}

# Records a failed check; DETAIL, when given, says what was seen instead.
# Usage: fail "what must hold" [DETAIL]
fail() {
  E2E_FAILED=$((E2E_FAILED + 1))
  SCENARIO_FAILED=$((SCENARIO_FAILED + 1))
  printf '  FAIL  %s\n' "$1"
  [ -z "${2:-}" ] || printf '        %s\n' "$2"
}

# Compares a file's exact bytes with the expected bytes given as a printf format.
# Usage: file_has_bytes FILE FORMAT [ARGS...]
file_has_bytes() {
  local file=$1
  shift
  [ -f "$file" ] && cmp -s "$file" <(printf "$@")
}

# True when the two folder trees hold the same names with the same bytes.
same_tree() {
  diff -r -q "$1" "$2" >/dev/null 2>&1
}
