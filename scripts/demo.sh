#!/usr/bin/env bash
# The installer's main job on the demo bundle: builds the Windows exe, stages it with demo/ and
# a demo game folder in a private Wine prefix (build/demo/prefix), registers the game there and
# starts the installer; then does the same with the demo patch packed into one exe
# (qlypatch-tool pack), started from a folder that holds nothing else. With a display you use
# each window by hand; without one it runs on a virtual display, presses "Update Now!", waits
# for the end and prints what happened.
#
# Environment: QLY_BUILD_DIR (default build/win64), QLY_DEMO_HEADLESS=1 (ignore DISPLAY).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/deps.sh
build=${QLY_BUILD_DIR:-build/win64}
echo "demo: building the Windows installer in $build"
cmake --preset win64 -B "$build" >/dev/null
cmake --build "$build" --target qlypatch >/dev/null
exe=$root/$build/src/app/qlypatch.exe
echo "demo: building qlypatch-tool and packing the demo patch into one exe"
cmake --preset native >/dev/null
cmake --build --preset native --target qlypatch-tool >/dev/null

source tests/e2e/lib/session.sh
source tests/e2e/lib/window.sh

demo=$root/build/demo
install_dir='C:\Downloads\Quillory Patch'
packed_dir='C:\Downloads\Quillory Patch in one file'
game_dir='C:\Games\Quillory'
log_win='C:\qlypatch-demo.log'
mkdir -p "$demo"
trap session_end EXIT

headless=${QLY_DEMO_HEADLESS:-0}
if [ "$headless" != 1 ] && { [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; }; then
  headless=1
fi
if [ "$headless" = 1 ]; then
  session_start_display "$demo"
  echo "demo: no usable display; running on the virtual display $DISPLAY"
fi

session_wine_env "$demo/prefix"
echo "demo: preparing the Wine prefix $WINEPREFIX"
session_make_prefix
session_stage_bundle "$exe" demo "$install_dir"
favorites=$(session_favorites_dir)
log=$(session_unix_path "$log_win")
game=$(session_unix_path "$game_dir")
packed=$(session_unix_path "$packed_dir")
rm -rf "$packed" && mkdir -p "$packed"
build/native/src/app/qlypatch-tool pack demo -o "$packed/qlypatch.exe" --installer "$exe" |
  sed 's/^/demo: /'

# Runs one installer against a fresh demo game folder and reports what it did.
# Usage: run_demo LABEL 'C:\folder\qlypatch.exe' SCREENSHOT_PREFIX
run_demo() {
  local label=$1 exe_win=$2 prefix=$3
  echo
  echo "demo: === $label ==="
  session_make_game "$game_dir"
  session_unregister
  session_register full "$game_dir"
  rm -f "$log" "$favorites"/*.URL
  echo "demo: installer $exe_win"
  echo "demo: game registered at $game_dir ($game)"

  QLYPATCH_LOG=$log_win session_start_app "$demo" "$exe_win"

  if [ "$headless" != 1 ]; then
    echo "demo: the installer is open on $DISPLAY; close it when you are done"
    if wait "$APP_PID"; then window_exit=0; else window_exit=$?; fi
  else
    local shots=$demo/screenshots win bx by before end
    mkdir -p "$shots"
    win=$(window_wait 90 $(identify -format '%w %h' demo/gfx.bmp)) ||
      { echo "demo: the installer's window did not appear" >&2; return 1; }
    window_wait_still "$win" "$shots/${prefix}start.png" 60 || true
    read -r bx by < <(ini_centre demo/qlypatch.ini button)
    echo "demo: pressing \"Update Now!\" at $bx,$by of the window"
    before=$(wc -l <"$log")
    window_click "$win" "$bx" "$by"
    # The run is over when it has written its lines and the text area has come to rest.
    end=$((SECONDS + 120))
    while ((SECONDS < end)); do
      (($(wc -l <"$log") > before + 2)) && window_wait_still "$win" "$shots/${prefix}done.png" 5 && break
      sleep 0.5
    done
    echo "demo: caption after the run: \"$(window_caption "$win")\""
    echo "demo: pressing the exit button"
    window_click "$win" "$bx" "$by"
    session_wait_app_exit 30 || echo "demo: the installer did not end by itself" >&2
    window_exit=${APP_EXIT:-none}
    echo "demo: screenshots: $shots/${prefix}start.png $shots/${prefix}done.png"
  fi

  echo "demo: files in the game folder $game:"
  (cd "$game" && find . -type f -printf '  %P (%s bytes)\n' | sort)
  # Everything but the game's own main.exe must match demo/update/.
  mismatch=$(diff -r -q demo/update "$game" 2>&1 | grep -v "^Only in $game: main.exe\$" || true)
  if [ -n "$mismatch" ]; then
    echo "demo: the game folder does not hold the patch:"
    printf '%s\n' "$mismatch" | sed 's/^/  /'
  else
    echo "demo: every file of demo/update/ is in the game folder, byte for byte"
  fi
  shortcut=$(ls "$favorites"/*.URL 2>/dev/null | head -n 1 || true)
  [ -n "$shortcut" ] && echo "demo: Favorites shortcut $shortcut: $(tr -d '\r' <"$shortcut" | paste -sd ' ')"
  echo "demo: the installer's log ($log):"
  sed 's/^/  /' "$log" 2>/dev/null || echo "  (none)"
}

window_exit=none
run_demo "the installer beside the demo bundle folder" "$install_dir\\qlypatch.exe" ""
run_demo "the demo patch packed into one exe" "$packed_dir\\qlypatch.exe" packed-

# The same patch without anyone at the computer: a second copy of the game that is not
# registered, given by /DIR, in German, no window at all; the exit code tells the outcome.
silent_dir='C:\Games\Quillory Zweit'
silent_log_win='C:\qlypatch-demo-silent.log'
silent_log=$(session_unix_path "$silent_log_win")
session_make_game "$silent_dir"
rm -f "$silent_log"
echo "demo: unattended run: qlypatch.exe /VERYSILENT /DIR=\"$silent_dir\" /LANG=DEU /LOG=\"$silent_log_win\""
session_run_app "$demo" 120 "$install_dir\\qlypatch.exe" /VERYSILENT "/DIR=$silent_dir" /LANG=DEU \
  "/LOG=$silent_log_win"
silent_exit=$APP_EXIT
# The installer's own usage text (/?) gives each code's meaning.
session_exit_codes "$demo" "$install_dir\\qlypatch.exe" >"$demo/exit-codes" || true
exit_meaning() { session_exit_meaning "$demo/exit-codes" "$1"; }
echo "demo: the window's exit code (packed exe): $window_exit ($(exit_meaning "$window_exit"))"
echo "demo: unattended exit code: $silent_exit ($(exit_meaning "$silent_exit"))"
if diff -r -q demo/update "$(session_unix_path "$silent_dir")" 2>&1 | grep -qv 'main.exe$'; then
  echo "demo: the unattended run's folder does not hold the patch"
else
  echo "demo: every file of demo/update/ is in $silent_dir, byte for byte"
fi
echo "demo: the unattended run's log ($silent_log):"
sed 's/^/  /' "$silent_log" 2>/dev/null || echo "  (none)"

