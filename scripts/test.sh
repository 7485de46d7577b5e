#!/usr/bin/env bash
# Builds everything (native, win32, win64) and passes every test: the native unit and
# integration tests (also once under the sanitizers), a short run of every parser's fuzzer, and
# the end-to-end tests of the Windows exe under wine64.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
jobs=$(nproc)

for preset in native win32 win64; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

echo "== Windows exe checks: system DLL imports only, stripped sizes"
bash tests/e2e/check_exe.sh build/win32/src/app/qlypatch.exe build/win64/src/app/qlypatch.exe

echo "== native tests"
ctest --preset native -j "$jobs"

echo "== native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

echo "== fuzzing: kept crash inputs replayed, then each parser for a short time"
bash scripts/fuzz.sh 15

bash tests/win32/run.sh

if [ -x tests/e2e/run.sh ]; then
  echo "== end-to-end tests (wine64)"
  bash tests/e2e/run.sh
fi

echo "== qlypatch-linux in a Wine prefix, against the Windows program (wine64)"
bash tests/linux/prefix_e2e.sh
