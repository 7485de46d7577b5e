#!/usr/bin/env bash
# The installer's main job on the demo bundle: copies the patch tree demo/update/ with the copy
# engine into a fresh demo game folder (build/demo-game/), printing progress and result.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
build=${QLY_BUILD_DIR:-build/native}
cmake --preset native -B "$build" >/dev/null
cmake --build "$build" --target qly-copy-demo

rm -rf build/demo-game
mkdir -p build/demo-game
"$build/src/app/qly-copy-demo" demo/update/ build/demo-game/
