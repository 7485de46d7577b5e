#!/usr/bin/env bash
# End-to-end tests of the Windows installer: the x86_64 exe runs under wine64 on a virtual
# display, in a Wine prefix made fresh for this run, with the demo bundle staged beside it. The
# checks press the controls where the layout file puts them and look at what really happened:
# the files in the game folder, the Favorites shortcut, the window caption, the lines the
# installer logged, and screenshots against the references in tests/e2e/reference/.
#
# Environment: QLY_E2E_EXE (default build/win64/src/app/qlypatch.exe), QLY_E2E_HOLD_FILE
# (default build/win64/tests/e2e/tools/hold_file.exe), QLY_E2E_TOOL (default
# build/native/src/app/qlypatch-tool, which packs the bundle behind the exe), QLY_E2E_BUNDLE
# (default demo/), QLY_E2E_OUT (default tests/e2e/out/), QLY_E2E_ONLY (names of the scenarios
# to run), QLY_E2E_UPDATE_REFERENCE=1 (take the screenshots as the new references).
# Ends with "e2e: N passed, M failed" and a non-zero status when a check failed.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=lib/session.sh
source "$here/lib/session.sh"
# shellcheck source=lib/window.sh
source "$here/lib/window.sh"
# shellcheck source=lib/check.sh
source "$here/lib/check.sh"

EXE=${QLY_E2E_EXE:-$root/build/win64/src/app/qlypatch.exe}
# Opens a file with no sharing and holds it: another program using a game file.
HOLD_FILE=${QLY_E2E_HOLD_FILE:-$root/build/win64/tests/e2e/tools/hold_file.exe}
TOOL=${QLY_E2E_TOOL:-$root/build/native/src/app/qlypatch-tool}
BUNDLE=${QLY_E2E_BUNDLE:-$root/demo}
OUT=${QLY_E2E_OUT:-$here/out}
REFERENCE=$here/reference
UPDATE_REFERENCE=${QLY_E2E_UPDATE_REFERENCE:-0}
LANG_TEXT=$here/lib/lang_text.py
INI=$BUNDLE/qlypatch.ini

# Where things live inside the prefix. The install folder has blanks in its name on purpose.
INSTALL_DIR='C:\Downloads\Quillory Patch'
GAME_DIR='C:\Games\Quillory'
DEMO_ROOT='C:\Games'
LOG_WIN='C:\qlypatch-e2e.log'
# The packed patch is started from a folder that holds nothing else.
PACKED_DIR='C:\Downloads\Packed Patch'

# Screenshot tolerance: a pixel counts as different beyond FUZZ percent of the colour range,
# and a screenshot passes with at most LIMIT_PER_MILLE of its pixels different. Both runs of
# the same build under the same wine draw identically once the text has come to rest, so the
# limit only absorbs small rendering noise; a missing skin, a missing control or a control
# moved by a few pixels goes well beyond it (the run proves that on the reference itself).
FUZZ=10
LIMIT_PER_MILLE=2

STARTUP_SECONDS=60
RUN_SECONDS=60
# The longest the text area takes to come to rest (the introduction scrolls in line by line).
STILL_SECONDS=40

work=$(mktemp -d /tmp/qly-e2e.XXXXXX)
cleanup() {
  session_end
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

finish() {
  echo "e2e: $E2E_PASSED passed, $E2E_FAILED failed"
  ((E2E_FAILED == 0))
  exit
}

# ---- the session ---------------------------------------------------------------------------

preflight() {
  local tool missing=()
  for tool in Xvfb wine wineserver xdotool xwininfo import compare identify convert python3 \
    localedef openssl osslsigncode "$TOOL"; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  ((${#missing[@]} == 0)) || { fail "tools present" "missing: ${missing[*]} (bash scripts/deps.sh)"; return 1; }
  [ -f "$EXE" ] || { fail "installer built" "no exe at $EXE"; return 1; }
  [ -f "$INI" ] && [ -f "$BUNDLE/gfx.bmp" ] && [ -d "$BUNDLE/lang" ] && [ -d "$BUNDLE/update" ] ||
    { fail "demo bundle complete" "$BUNDLE needs qlypatch.ini, gfx.bmp, lang/ and update/"; return 1; }
  ENG_LNG=$("$LANG_TEXT" file "$BUNDLE/lang" ENG) || { fail "bundle has an ENG language file"; return 1; }
  POL_LNG=$("$LANG_TEXT" file "$BUNDLE/lang" POL) || { fail "bundle has a POL language file"; return 1; }
  DEU_LNG=$("$LANG_TEXT" file "$BUNDLE/lang" DEU) || { fail "bundle has a DEU language file"; return 1; }
  [ -f "$HOLD_FILE" ] || { fail "helper built" "no hold_file.exe at $HOLD_FILE"; return 1; }
}

# Wine takes the thread locale from the Unix locale, which must exist: both are compiled into a
# private folder, so the run changes nothing on the machine.
make_locales() {
  local l
  mkdir -p "$work/locale"
  for l in en_US pl_PL; do
    localedef -i "$l" -f UTF-8 "$work/locale/$l.UTF-8" >/dev/null 2>&1 ||
      { fail "locale $l.UTF-8 compiled" "localedef needs the locales package"; return 1; }
  done
}

start_session() {
  local t0=$SECONDS
  session_start_display "$work" || { fail "virtual display started"; return 1; }
  session_wine_env "$work/prefix"
  session_make_prefix || { fail "wine prefix created"; return 1; }
  session_stage_bundle "$EXE" "$BUNDLE" "$INSTALL_DIR" || { fail "bundle staged"; return 1; }
  cp "$HOLD_FILE" "$(session_unix_path "$INSTALL_DIR")/" || { fail "helper staged"; return 1; }
  FAVORITES=$(session_favorites_dir) || { fail "prefix has a Favorites folder"; return 1; }
  LOG=$(session_unix_path "$LOG_WIN")
  FAV_TITLE=$(ini_get "$INI" favorites title)
  FAV_LINK=$(ini_get "$INI" favorites link)
  read -r BUTTON_X BUTTON_Y < <(ini_centre "$INI" button)
  SKIN_SIZE=$(identify -format '%w %h' "$BUNDLE/gfx.bmp")
  echo "session: display $DISPLAY, prefix $WINEPREFIX ready in $((SECONDS - t0)) s"
}

# ---- steps shared by the scenarios ---------------------------------------------------------

# Puts the prefix back to a known state: no installer running, nothing registered, a fresh game
# folder holding main.exe, no Favorites shortcut, no log, the bundle's own layout file and no
# update.sha256 beside the patch.
reset_state() {
  session_stop_app
  rm -f "$(session_unix_path "$INSTALL_DIR")/update.sha256"
  cp "$INI" "$(session_unix_path "$INSTALL_DIR")/qlypatch.ini"
  session_unregister
  rm -rf "$(session_unix_path "$DEMO_ROOT")"
  session_make_game "$GAME_DIR"
  rm -f "$FAVORITES"/*.URL "$FAVORITES"/*.url "$LOG"
}

# Starts the installer (INSTALLER_WIN, default the one in INSTALL_DIR) with a Unix locale and
# arguments, and waits for its window. Usage: start_installer LANG [ARGS...]; sets WIN.
start_installer() {
  local lang=$1
  shift
  : >"$work/app.out"
  LC_ALL='' LC_CTYPE='' LC_MESSAGES='' LANGUAGE='' LOCPATH="$work/locale" LANG=$lang \
    QLYPATCH_LOG=$LOG_WIN session_start_app "$work" "${INSTALLER_WIN:-$INSTALL_DIR\\qlypatch.exe}" "$@"
  WIN=$(window_wait "$STARTUP_SECONDS" $SKIN_SIZE) ||
    { fail "installer window of the skin's size appears" "$(tail -n 5 "$work/app.out")"; return 1; }
}

# Screenshot of the window once it has come to rest, compared with reference NAME.
# Usage: look_like NAME
look_like() {
  local name=$1 shot="$SCENARIO_OUT/$1.png" ref="$REFERENCE/$1.png" n limit
  if ! window_wait_still "$WIN" "$shot" "$STILL_SECONDS"; then
    fail "window comes to rest for screenshot $name" "last shot: $shot"
    return 1
  fi
  if [ "$UPDATE_REFERENCE" = 1 ]; then
    cp "$shot" "$ref" && pass "reference $name taken from this run"
    return
  fi
  [ -f "$ref" ] || { fail "window looks like reference $name" "no reference at $ref"; return 1; }
  n=$(images_differ_by "$ref" "$shot" "$FUZZ" "$SCENARIO_OUT/$name-diff.png")
  limit=$(($(identify -format '%w*%h' "$ref") * LIMIT_PER_MILLE / 1000))
  if [[ $n =~ ^[0-9]+$ ]] && ((n <= limit)); then
    pass "window looks like reference $name ($n of at most $limit pixels differ)"
  else
    fail "window looks like reference $name" "$n pixels differ (limit $limit); see $SCENARIO_OUT/$name-diff.png"
  fi
}

# Waits up to SECONDS for the texts of KEYS of language file LNG to be in the log.
# Usage: wait_logged SECONDS LNG KEY...
wait_logged() {
  local end=$((SECONDS + $1))
  shift
  while ((SECONDS < end)); do
    "$LANG_TEXT" has "$LOG" "$@" 2>/dev/null && return 0
    sleep 0.2
  done
  return 1
}

logged() { "$LANG_TEXT" has "$LOG" "$@"; }
# The log's lines without their timestamps ("YYYY-MM-DD HH:MM:SS.mmm "), CR removed.
log_lines() { tr -d '\r' <"$LOG" 2>/dev/null | sed -E 's/^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]{12} //'; }
not_logged_line() { [ -f "$LOG" ] && ! log_lines | grep -q "^$1"; }
logged_line() { log_lines | grep -q "^$1"; }
# Every line of the log carries its timestamp.
all_lines_stamped() {
  [ -s "$LOG" ] && ! tr -d '\r' <"$LOG" | grep -qvE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} '
}
not_logged() { "$LANG_TEXT" lacks "$LOG" "$@"; }
# The first log line starting with FIRST comes before the first one starting with SECOND.
logged_in_order() {
  log_lines | A=$1 B=$2 awk 'index($0, ENVIRON["A"]) == 1 && !a { a = NR }
    index($0, ENVIRON["B"]) == 1 && !b { b = NR } END { exit !(a && b && a < b) }'
}

# The game folder after the run must be what it was before with update\ laid over it, byte for
# byte, and nothing else. Usage: patched_like GAME_UNIX_DIR SNAPSHOT_DIR
patched_like() {
  local expected="$work/expected"
  rm -rf "$expected" && cp -R "$2" "$expected" && cp -R "$BUNDLE/update/." "$expected/" &&
    same_tree "$expected" "$1"
}

# The support log's last line, written when the program ends, equals EXPECTED.
outcome_is() {
  [ -f "$LOG" ] && [ "$(log_lines | tail -n 1)" = "$1" ]
}

# The installer ended with exit code CODE. Usage: exit_code_is CODE
exit_code_is() { [ "${APP_EXIT:-none}" = "$1" ]; }

# Bytes in the patch tree: what a complete copy reports as its result.
patch_bytes() {
  find "$BUNDLE/update" -type f -printf '%s\n' | awk '{ n += $1 } END { print n + 0 }'
}

favorites_file() { printf '%s/%s.URL\n' "$FAVORITES" "$FAV_TITLE"; }

favorites_written() {
  file_has_bytes "$(favorites_file)" '[InternetShortcut]\r\nURL=%s\r\n' "$FAV_LINK"
}

# Presses the button that ends the program and checks that the program really ends, with
# exit code CODE. Usage: exits_on_click X Y WHAT CODE
exits_on_click() {
  window_click "$WIN" "$1" "$2"
  if window_wait_gone "$WIN" 20 && session_wait_app_exit 20; then
    pass "$3 ends the program"
  else
    fail "$3 ends the program"
    return 1
  fi
  check "exit code $4 ($(exit_meaning "$4"))" exit_code_is "$4"
}

# The meaning of an exit code, as the README's table gives it.
exit_meaning() {
  case $1 in
    0) echo "installed" ;; 1) echo "could not start" ;; 2) echo "closed before installing" ;;
    3) echo "game not found" ;; 5) echo "installation failed" ;; *) echo "code $1" ;;
  esac
}

# The demo bundle packed into one exe behind the installer and signed afterwards, as a patch
# maker ships it (a throwaway self-signed certificate). Usage: pack_signed OUT
pack_signed() {
  [ -f "$work/sign.key" ] || openssl req -x509 -newkey rsa:2048 -nodes -days 2 \
    -subj "/CN=Quillory patch e2e" -keyout "$work/sign.key" -out "$work/sign.crt" >/dev/null 2>&1 ||
    return 1
  rm -f "$1" "$work/signature.der"
  "$TOOL" pack "$BUNDLE" -o "$work/unsigned.exe" --installer "$EXE" >"$work/pack.out" &&
    osslsigncode sign -certs "$work/sign.crt" -key "$work/sign.key" -n "Quillory patch" \
      -in "$work/unsigned.exe" -out "$1" >/dev/null &&
    osslsigncode extract-signature -in "$1" -out "$work/signature.der" >/dev/null
}

snapshot_game() {
  rm -rf "$work/game-before" && cp -R "$(session_unix_path "$1")" "$work/game-before"
}

# ---- scenarios -----------------------------------------------------------------------------

# Full edition registered in the 32-bit view, English locale: start-up, the copy with progress
# in the caption, the exit button and the Favorites shortcut. The bundle carries a matching
# update.sha256, so every file is hashed (by the system's CNG) on its way in.
scenario_full_edition() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  write_manifest || { fail "manifest written"; return; }
  start_installer en_US.UTF-8 || return
  check "caption at start is 'Quillory - Install'" [ "$(window_caption "$WIN")" = "Quillory - Install" ]
  look_like start
  check "introduction shown in English" logged "$ENG_LNG" przed1
  tolerance_rejects_moved_button

  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "caption shows ' 100% QLY!' after the copy" window_wait_caption "$WIN" " 100% QLY!" "$RUN_SECONDS"
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  look_like done
  check "patch tree copied byte for byte into the game folder" patched_like "$game" "$work/game-before"
  check "caption keeps ' 100% QLY!' after the run" [ "$(window_caption "$WIN")" = " 100% QLY!" ]
  check "no Favorites shortcut before the window closes" [ ! -e "$(favorites_file)" ]

  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0 || return
  check "Favorites shortcut written at close, exact bytes" favorites_written
  check "outcome logged: game found, every byte copied" \
    outcome_is "outcome: exit code 0, the patch was installed; $(patch_bytes) bytes copied"
  check "every log line is timestamped" all_lines_stamped
  check "log names the game folder and its registry view" \
    logged_line "game folder: C:.Games.Quillory (registry, full edition, 32-bit view)"
}

# The harness's own guard: the screenshot tolerance must be tight enough to notice a control
# out of place. The button's area of the reference is pasted 6 pixels to the right.
tolerance_rejects_moved_button() {
  local ref="$REFERENCE/start.png" moved="$SCENARIO_OUT/start-moved-button.png" x y w h n limit
  [ -f "$ref" ] || { fail "tolerance rejects a window whose button moved 6 px" "no $ref"; return; }
  x=$(ini_number "$INI" button x) y=$(ini_number "$INI" button y)
  w=$(ini_number "$INI" button szer) h=$(ini_number "$INI" button wys)
  convert "$ref" \( "$ref" -crop "${w}x${h}+${x}+${y}" +repage \) -geometry "+$((x + 6))+${y}" \
    -composite "$moved" || { fail "tolerance rejects a window whose button moved 6 px" "convert failed"; return; }
  n=$(images_differ_by "$ref" "$moved" "$FUZZ")
  limit=$(($(identify -format '%w*%h' "$ref") * LIMIT_PER_MILLE / 1000))
  if [[ $n =~ ^[0-9]+$ ]] && ((n > limit)); then
    pass "tolerance rejects a window whose button moved 6 px ($n pixels differ, limit $limit)"
  else
    fail "tolerance rejects a window whose button moved 6 px" "$n pixels differ (limit $limit)"
  fi
}

# "-reset" as the only argument: the copy happens, but neither bar nor caption shows progress.
scenario_reset_argument() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 -reset || return
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  check "patch tree copied into the game folder" patched_like "$game" "$work/game-before"
  check "caption stays 'Quillory - Install'" [ "$(window_caption "$WIN")" = "Quillory - Install" ]
  check "no progress bar drawn" not_logged_line 'bar: '
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0 || return
  check "outcome logged: installed, every byte copied" \
    outcome_is "outcome: exit code 0, the patch was installed; $(patch_bytes) bytes copied"
}

# A Polish locale picks the Polish language file; the close button ends the program and the
# unload still writes the Favorites shortcut.
scenario_polish_locale() {
  session_register full "$GAME_DIR"
  start_installer pl_PL.UTF-8 || return
  check "introduction shown in Polish" wait_logged 60 "$POL_LNG" przed1
  check "no English introduction" not_logged "$ENG_LNG" przed1
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  link_opens_through_the_shell linkleft
  window_geometry "$WIN"
  # The close button stands 10 pixels from the right edge and 8 from the top, 20 by 20.
  exits_on_click $((WIN_W - 20)) 18 "the close button" 2 &&
    check "Favorites shortcut written at close" favorites_written
  check "log tells the run never started" \
    logged_line "outcome: exit code 2, the user closed the installer before installing"
}

# A click on the link area of SECTION opens its link. The installer runs elevated under wine
# too; it opens the link through the desktop's shell (wine's explorer answers for it) or, where
# that fails, by itself, and the log says which. Usage: link_opens_through_the_shell SECTION
link_opens_through_the_shell() {
  local x y link end=$((SECONDS + 20)) how=
  read -r x y < <(ini_centre "$INI" "$1")
  link=$(ini_get "$INI" "$1" link)
  window_click "$WIN" "$x" "$y"
  while ((SECONDS < end)) && [ -z "$how" ]; do
    how=$(log_lines | grep -E "^shell: .*(opened as the desktop's user|opened elevated): " |
      grep -F ": $link" | head -n 1)
    sleep 0.2
  done
  if [ -n "$how" ]; then
    pass "$1 opens its link and logs how ($how)"
  else
    fail "$1 opens its link and logs how" "no 'shell:' line for $link in the log"
  fi
}

# Nothing registered: the "neg" lines, nothing copied, and the button turns into exit.
scenario_nothing_registered() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 || return
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "'game not found' lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" neg1
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  check "no success lines" not_logged "$ENG_LNG" poz1
  check "game folder untouched" same_tree "$work/game-before" "$game"
  check "caption stays 'Quillory - Install'" [ "$(window_caption "$WIN")" = "Quillory - Install" ]
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 3 || return
  check "outcome logged: no game, nothing copied" \
    outcome_is "outcome: exit code 3, the game was not found (and no folder was chosen); nothing copied"
}

# Only the DEMO edition, registered in the 64-bit view: the installer falls back to that view
# and patches "<value>\Quillory DEMO"; the full edition's folder stays as it was.
scenario_demo_edition_64bit_view() {
  local demo_game full_game demo_dir="$DEMO_ROOT\\Quillory DEMO"
  demo_game=$(session_unix_path "$demo_dir")
  full_game=$(session_unix_path "$GAME_DIR")
  session_make_game "$demo_dir"
  session_register demo "$DEMO_ROOT" /reg:64
  snapshot_game "$demo_dir"
  cp -R "$full_game" "$work/full-before"
  start_installer en_US.UTF-8 || return
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  check "patch tree copied into the DEMO folder" patched_like "$demo_game" "$work/game-before"
  check "full edition's folder untouched" same_tree "$work/full-before" "$full_game"
  rm -rf "$work/full-before"
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0
}

# The registered folder lacks main.exe: the installer says so, opens the folder browser, and a
# cancel ends the run as if no game were installed.
scenario_folder_browser_cancel() {
  local game dialog
  game=$(session_unix_path "$GAME_DIR")
  rm -f "$game/main.exe"
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 || return
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "'cannot find' and 'give the folder' lines logged" \
    wait_logged 60 "$ENG_LNG" "nie moge znalezc" "podaj folder"
  if dialog=$(window_wait_dialog "$WIN" 30); then
    pass "folder browser opens"
    window_shot "$dialog" "$SCENARIO_OUT/browser.png"
    xdotool windowfocus --sync "$dialog" key --clearmodifiers Escape 2>/dev/null
    check "folder browser closes on Escape" window_wait_gone "$dialog" 20 || return
  else
    fail "folder browser opens"
    return
  fi
  check "'game not found' lines logged after the cancel" wait_logged "$RUN_SECONDS" "$ENG_LNG" neg1
  check "game folder untouched" same_tree "$work/game-before" "$game"
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 3 || return
  check "outcome logged: no game after the cancel" \
    outcome_is "outcome: exit code 3, the game was not found (and no folder was chosen); nothing copied"
}

# Choosing another language in the selector clears the text area and shows the introduction in
# that language; the update run then reports in it too.
scenario_language_switch() {
  local game cx cy lng chosen=
  game=$(session_unix_path "$GAME_DIR")
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 || return
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  # The closed selector's height is the system's; 10 pixels down hits it.
  read -r cx cy < <(ini_centre "$INI" select 20)
  window_click "$WIN" "$cx" "$cy"
  sleep 0.5
  xdotool key Down sleep 0.3 key Return
  # The catalogue's order is the folder listing's, so any language but English may come next.
  local end=$((SECONDS + 60))
  while ((SECONDS < end)) && [ -z "$chosen" ]; do
    log_since_last_cls >"$work/switched.log"
    for lng in "$BUNDLE"/lang/*.lng; do
      [ "$lng" = "$ENG_LNG" ] && continue
      "$LANG_TEXT" has "$work/switched.log" "$lng" przed1 2>/dev/null && chosen=$lng
    done
    sleep 0.5
  done
  if [ -z "$chosen" ]; then
    fail "selector switches to another language" "log after the last cls: $(head -c 200 "$work/switched.log")"
    return
  fi
  pass "selector switches to $(basename "$chosen"): text area cleared, introduction shown in it"
  window_wait_still "$WIN" "$SCENARIO_OUT/switched.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "success lines logged in the chosen language" wait_logged "$RUN_SECONDS" "$chosen" poz1
  check "patch tree copied into the game folder" patched_like "$game" "$work/game-before"
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0
}

# ---- unattended runs -----------------------------------------------------------------------

# Runs the installer with ARGS in the background, English locale, the log in LOG, and waits for
# its end; a window of the installer seen meanwhile sets SAW_WINDOW. Sets APP_EXIT.
# Usage: run_unattended ARGS...
run_unattended() {
  local end id
  : >"$work/app.out"
  SAW_WINDOW=
  LC_ALL='' LC_CTYPE='' LC_MESSAGES='' LANGUAGE='' LOCPATH="$work/locale" LANG=en_US.UTF-8 \
    QLYPATCH_LOG=$LOG_WIN session_start_app "$work" "$INSTALL_DIR\\qlypatch.exe" "$@"
  end=$((SECONDS + RUN_SECONDS))
  while ((SECONDS < end)) && kill -0 "$APP_PID" 2>/dev/null; do
    id=$(xdotool search --classname '^qlypatch\.exe$' 2>/dev/null | head -n 1)
    [ -n "$id" ] && SAW_WINDOW=$id
    sleep 0.1
  done
  session_wait_app_exit 5 || { fail "unattended run ends by itself within $RUN_SECONDS s"; session_stop_app; }
}

# /VERYSILENT with the game registered: no window, the patch installed, exit 0.
scenario_verysilent_registered() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  run_unattended /VERYSILENT
  check "exit code 0 (installed)" exit_code_is 0
  check "no window created" [ -z "$SAW_WINDOW" ]
  check "patch tree copied byte for byte into the game folder" patched_like "$game" "$work/game-before"
  check "texts logged instead of shown" logged "$ENG_LNG" przed1 poz1
  check "outcome logged: installed" logged_line "outcome: exit code 0, the patch was installed"
  check "every log line is timestamped" all_lines_stamped
}

# /VERYSILENT /DIR to a game that is not registered, in German: exit 0, the log in German. The
# folder is given relative to the caller's working folder, which is what it means (not the
# installer's folder).
scenario_verysilent_dir_german() {
  local game="$work/elsewhere/Spiele/Quillory Gold"
  rm -rf "$game" && mkdir -p "$game" && printf 'MZ\r\n' >"$game/main.exe"
  rm -rf "$work/game-before" && cp -R "$game" "$work/game-before"
  run_unattended /VERYSILENT '/DIR=Spiele\Quillory Gold' /lang=deu
  check "exit code 0 (installed)" exit_code_is 0
  check "patch tree copied into the /DIR folder" patched_like "$game" "$work/game-before"
  check "log names the folder and /DIR as its source" logged_line "game folder: .*Spiele.Quillory Gold (/DIR)"
  check "log's texts are the German ones" logged "$DEU_LNG" przed1 poz1
  check "no English texts" not_logged "$ENG_LNG" przed1
  check "log says why German" logged_line "language: DEU (/LANG)"
  rm -rf "$work/elsewhere/Spiele" "$work/game-before"
}

# /VERYSILENT with nothing registered: exit 3, nothing copied.
scenario_verysilent_not_found() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  snapshot_game "$GAME_DIR"
  run_unattended /VERYSILENT
  check "exit code 3 (game not found)" exit_code_is 3
  check "game folder untouched" same_tree "$work/game-before" "$game"
  check "'game not found' lines logged" logged "$ENG_LNG" neg1
}

# A game file held open by another program (the game, its launcher) without sharing: the run
# ends before changing anything with exit 5, and the text area (here: the log) names the file
# and the reason.
scenario_verysilent_file_in_use() {
  local game held='data\levels.dat' hold_pid
  game=$(session_unix_path "$GAME_DIR")
  session_register full "$GAME_DIR"
  # The game already has the patch's files, older: each one the run must replace.
  (cd "$BUNDLE/update" && find . -type f) | while read -r f; do
    mkdir -p "$game/$(dirname "$f")" && printf 'old %s\r\n' "$f" >"$game/$f"
  done
  snapshot_game "$GAME_DIR"
  rm -f "$work/hold.out"
  (sleep "$RUN_SECONDS" | wine "$INSTALL_DIR\\hold_file.exe" "$GAME_DIR\\$held" >"$work/hold.out" 2>&1) &
  hold_pid=$!
  local end=$((SECONDS + 30))
  until grep -q holding "$work/hold.out" 2>/dev/null || ((SECONDS > end)); do sleep 0.2; done
  check "another program holds $held" grep -q holding "$work/hold.out"
  run_unattended /VERYSILENT
  kill "$hold_pid" 2>/dev/null
  pkill -P "$hold_pid" 2>/dev/null
  wait "$hold_pid" 2>/dev/null
  check "exit code 5 (installation failed)" exit_code_is 5
  check "held file unchanged" cmp -s "$game/data/levels.dat" "$work/game-before/data/levels.dat"
  check "game folder exactly as before, no temporary file left" same_tree "$work/game-before" "$game"
  check "log names the held file" logged_line "copy failed: .*levels.dat"
  check "'error' line logged" logged "$ENG_LNG" error
  check "the text names the file and the reason" logged "$ENG_LNG" "w uzyciu"
  check "the named file is $held" grep -qF "text: $held: " "$LOG"
}

# An unknown switch: exit 1, no run.
scenario_unknown_switch() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  run_unattended /VERYSILENT /NOSUCHSWITCH
  check "exit code 1 (could not start)" exit_code_is 1
  check "no window created" [ -z "$SAW_WINDOW" ]
  check "game folder untouched" same_tree "$work/game-before" "$game"
  check "log names the refused switch" logged_line "refused: unknown switch /NOSUCHSWITCH"
  check "usage text printed" grep -q "/VERYSILENT" "$work/app.out"
}

# /SILENT: the window shows the run by itself and closes at the end.
scenario_silent_window() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  run_unattended /SILENT
  check "exit code 0 (installed)" exit_code_is 0
  check "the window was shown" [ -n "$SAW_WINDOW" ]
  check "patch tree copied into the game folder" patched_like "$game" "$work/game-before"
  check "success lines logged" logged "$ENG_LNG" poz1
}

# ---- the update run as one transaction ------------------------------------------------------

REPLACED_FILE='data\levels.dat'

# A game folder that already holds an old copy of a file the patch replaces.
make_game_with_old_file() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  mkdir -p "$game/data" && printf 'old levels of the game\r\n' >"$game/data/levels.dat"
}

# Presses "Update Now!" and waits for the "error" line and the line naming REPLACED_FILE with
# the reason KEY. Usage: run_fails_naming KEY
run_fails_naming() {
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "'error' line logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" error
  check "the failure names the file and the reason" wait_logged 20 "$ENG_LNG" "$1"
  check "the named file is $REPLACED_FILE" grep -qF "text: $REPLACED_FILE: " "$LOG"
  check "no success lines" not_logged "$ENG_LNG" poz1
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
}

# A read-only game file keeps its refusal: the run fails before anything changes.
scenario_read_only_game_file() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  make_game_with_old_file
  chmod a-w "$game/data/levels.dat"
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 || return
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  run_fails_naming "tylko odczyt"
  check "game folder exactly as before, nothing of the installer's left" \
    same_tree "$work/game-before" "$game"
  chmod u+w "$game/data/levels.dat"
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 5
}

# The installer is killed in the middle of a large file. The next start undoes the interrupted
# run before anything else and says so; a new run then installs the whole patch.
scenario_killed_mid_copy() {
  local game bundle_update staged size=0 end
  game=$(session_unix_path "$GAME_DIR")
  bundle_update=$(session_unix_path "$INSTALL_DIR")/update
  make_game_with_old_file
  head -c $((400 * 1024 * 1024)) /dev/zero | tr '\0' 'q' >"$bundle_update/big.bin"
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 || { rm -f "$bundle_update/big.bin"; return; }
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  # The run stages every file in its own folder; the large one is most of what is there.
  staged="$game/qlypatch-stage-1"
  end=$((SECONDS + RUN_SECONDS))
  while ((SECONDS < end)); do
    size=$(du -bc "$staged"/*.new 2>/dev/null | tail -n 1 | cut -f 1)
    size=${size:-0}
    ((size > 20 * 1024 * 1024)) && break
    sleep 0.05
  done
  kill -9 "$APP_PID" 2>/dev/null
  session_wait_app_exit 10
  APP_PID=
  check "killed in the middle of the large file ($size bytes staged), journal left" \
    test "$size" -gt 0 -a "$size" -lt $((400 * 1024 * 1024)) -a -f "$staged/journal"

  start_installer en_US.UTF-8 || { rm -f "$bundle_update/big.bin"; return; }
  check "the next start says it undid the interrupted update" wait_logged 60 "$ENG_LNG" cofnieto
  check "game folder exactly as before, nothing of the installer's left" \
    same_tree "$work/game-before" "$game"
  window_wait_still "$WIN" "$SCENARIO_OUT/restarted.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  local expected="$work/expected"
  rm -rf "$expected" && cp -R "$work/game-before" "$expected" && cp -R "$bundle_update/." "$expected/"
  check "a new run installs the whole patch" same_tree "$expected" "$game"
  rm -rf "$expected"
  rm -f "$bundle_update/big.bin"
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0
}

# The system's scale in the prefix, in dots per inch; a program started afterwards sees it.
set_dpi() {
  session_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f
}

# Region SECTION of the layout file in the screenshot FILE against the same region of the
# reference NAME. Usage: region_like NAME SECTION FILE
region_like() {
  local ref="$REFERENCE/$1.png" x y w h n limit
  x=$(ini_number "$INI" "$2" x) y=$(ini_number "$INI" "$2" y)
  w=$(ini_number "$INI" "$2" szer) h=$(ini_number "$INI" "$2" wys)
  convert "$ref" -crop "${w}x${h}+${x}+${y}" +repage "$SCENARIO_OUT/$2-ref.png" &&
    convert "$3" -crop "${w}x${h}+${x}+${y}" +repage "$SCENARIO_OUT/$2.png" ||
    { fail "$2 looks like in reference $1" "convert failed"; return 1; }
  n=$(images_differ_by "$SCENARIO_OUT/$2-ref.png" "$SCENARIO_OUT/$2.png" "$FUZZ" "$SCENARIO_OUT/$2-diff.png")
  limit=$((w * h * LIMIT_PER_MILLE / 1000))
  if [[ $n =~ ^[0-9]+$ ]] && ((n <= limit)); then
    pass "$2 looks like in reference $1 ($n of at most $limit pixels differ)"
  else
    fail "$2 looks like in reference $1" "$n pixels differ (limit $limit); see $SCENARIO_OUT/$2-diff.png"
  fi
}

# At 150% (144 dots per inch) the window keeps the pixel sizes it has at 96: the introduction
# wraps into the same lines of the same font, so the text area looks as in the reference taken
# at 96. The rest of the window is compared as a figure only: the system draws the selector's
# arrow button at the system's scale.
scenario_raised_dpi() {
  local n
  session_register full "$GAME_DIR"
  set_dpi 144
  if start_installer en_US.UTF-8 && window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS"; then
    region_like start textscroll "$SCENARIO_OUT/start.png"
    check "window keeps the skin's size" [ "$(identify -format '%w %h' "$SCENARIO_OUT/start.png")" = "$SKIN_SIZE" ]
    n=$(images_differ_by "$REFERENCE/start.png" "$SCENARIO_OUT/start.png" "$FUZZ")
    echo "  whole window at 144 dpi against the reference at 96: $n pixels differ"
  else
    fail "installer comes to rest at 144 dpi"
  fi
  session_stop_app
  set_dpi 96
}

# The support log from its last "cls" on: what the text area shows since it was last cleared.
# The demo bundle packed into one signed exe, started from a folder that holds nothing else:
# installs the patch as the folder bundle does, writes nothing beside itself and leaves no
# unpacked files behind when it ends.
scenario_packed_exe() {
  local game dir temp
  game=$(session_unix_path "$GAME_DIR")
  dir=$(session_unix_path "$PACKED_DIR")
  temp=$(session_unix_path 'C:\users')
  rm -rf "$dir" && mkdir -p "$dir"
  check "bundle packed into one exe and signed" pack_signed "$dir/qlypatch.exe"
  check "the signature follows the payload" [ -s "$work/signature.der" ]
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  INSTALLER_WIN="$PACKED_DIR\\qlypatch.exe" start_installer en_US.UTF-8 || return
  check "introduction shown in English" wait_logged "$STILL_SECONDS" "$ENG_LNG" przed1
  look_like start
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "caption shows ' 100% QLY!' after the copy" window_wait_caption "$WIN" " 100% QLY!" "$RUN_SECONDS"
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  check "patch tree copied byte for byte into the game folder" patched_like "$game" "$work/game-before"
  check "nothing written beside the packed exe" [ "$(ls -A "$dir")" = qlypatch.exe ]
  check "window files unpacked into a private folder while it runs" \
    [ -n "$(find "$temp" -maxdepth 6 -type d -name 'qlypatch-*' 2>/dev/null)" ]
  # The run is over only when its last line has scrolled in: until then the button is busy.
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0 || return
  check "outcome logged: game found, every byte copied" \
    outcome_is "outcome: exit code 0, the patch was installed; $(patch_bytes) bytes copied"
  check "private folder removed at the end" \
    [ -z "$(find "$temp" -maxdepth 6 -type d -name 'qlypatch-*' 2>/dev/null)" ]
}

# The same signed exe cut short by one byte, as by an interrupted download: the installer says
# the download is damaged and ends, and the game stays as it was.
scenario_packed_exe_cut_short() {
  local game dir box
  game=$(session_unix_path "$GAME_DIR")
  dir=$(session_unix_path "$PACKED_DIR")
  rm -rf "$dir" && mkdir -p "$dir"
  pack_signed "$work/whole.exe" || { fail "bundle packed into one exe and signed"; return; }
  head -c "$(($(stat -c %s "$work/whole.exe") - 1))" "$work/whole.exe" >"$dir/qlypatch.exe"
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  : >"$work/app.out"
  QLYPATCH_LOG=$LOG_WIN session_start_app "$work" "$PACKED_DIR\\qlypatch.exe"
  box=$(window_wait_dialog none "$STARTUP_SECONDS") ||
    { fail "a message box appears"; return; }
  check "the message box is no installer window" [ "$(window_caption "$box")" != "Quillory - Install" ]
  check "damaged download logged with its reason" logged_line "damaged download: .*cut short"
  check "no installer window shown" [ -z "$(window_wait 1 $SKIN_SIZE)" ]
  xdotool key --window "$box" Return >/dev/null 2>&1
  check "the program ends once the message is closed" session_wait_app_exit 20
  check "game folder untouched" same_tree "$work/game-before" "$game"
}

log_since_last_cls() {
  log_lines | awk '/^cls$/ { n = NR } { line[NR] = $0 } END { for (i = n + 1; i <= NR; i++) print line[i] }'
}

# Writes the staged bundle's update.sha256 as a patch maker makes it: sha256sum run inside
# update/. Usage: write_manifest
write_manifest() {
  (cd "$(session_unix_path "$INSTALL_DIR")/update" &&
    find . -type f -printf '%P\0' | sort -z | xargs -0 sha256sum) >"$(session_unix_path "$INSTALL_DIR")/update.sha256"
}

# A manifest that does not match one file: nothing in the game folder changes, and the user is
# told which file is damaged and to download the patch again.
scenario_damaged_patch() {
  local game manifest
  game=$(session_unix_path "$GAME_DIR")
  manifest="$(session_unix_path "$INSTALL_DIR")/update.sha256"
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  write_manifest || { fail "manifest written"; return; }
  # One digit of the digest of data/levels.dat changes, as one flipped bit in the file would.
  awk '/  data\/levels\.dat$/ { $0 = (substr($0, 1, 1) == "0" ? "1" : "0") substr($0, 2) } { print }' \
    "$manifest" >"$manifest.new" && mv "$manifest.new" "$manifest"
  start_installer en_US.UTF-8 || return
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "error line logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" error
  check "the damaged file is named and a new download asked for" \
    wait_logged_line "$RUN_SECONDS" "data\\levels.dat: $(lang_text_of "$ENG_LNG" uszkodzona)"
  check "the damaged file is told before the general error line" \
    logged_in_order "text: data\\levels.dat: " "text: $(lang_text_of "$ENG_LNG" error)"
  check "no success lines" not_logged "$ENG_LNG" poz1
  check "game folder untouched" same_tree "$work/game-before" "$game"
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 5
}

# The layout file asks for game version 1.1.0.0, the game's main.exe is 1.0.0.0: refused before
# anything changes, naming both versions.
scenario_wrong_game_version() {
  local game ini
  game=$(session_unix_path "$GAME_DIR")
  ini="$(session_unix_path "$INSTALL_DIR")/qlypatch.ini"
  # The installer itself carries the file version 1.0.0.0: it stands in for the game program.
  cp "$(session_unix_path "$INSTALL_DIR")/qlypatch.exe" "$game/main.exe"
  printf '\r\n[game]\r\nversion=1.1.0.0\r\n' >>"$ini"
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 || return
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "refused, naming the version found and the one required" \
    wait_logged_line "$RUN_SECONDS" "The game here is version 1.0.0.0, but this patch is for version 1.1.0.0 of Quillory. Nothing has been changed."
  check "no success lines" not_logged "$ENG_LNG" poz1
  check "game folder untouched" same_tree "$work/game-before" "$game"
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 6
}

# The text of KEY in the language file LNG (a plain ASCII one). Usage: lang_text_of LNG KEY
lang_text_of() {
  python3 -c 'import sys; b = open(sys.argv[1], "rb").read(); n = ("/" + sys.argv[2] + "/").encode(); s = b.find(n) + len(n) + 2; print(b[s:b.find(b"\x27", s)].decode("latin-1"))' "$1" "$2"
}

# Waits up to SECONDS for a line of the support log that holds TEXT.
# Usage: wait_logged_line SECONDS TEXT
wait_logged_line() {
  local end=$((SECONDS + $1))
  while ((SECONDS < end)); do
    tr -d '\r' <"$LOG" 2>/dev/null | grep -qF -- "$2" && return 0
    sleep 0.2
  done
  return 1
}

# ---- main ----------------------------------------------------------------------------------

SCENARIOS=(full_edition reset_argument polish_locale nothing_registered
  demo_edition_64bit_view folder_browser_cancel language_switch read_only_game_file
  killed_mid_copy verysilent_registered verysilent_dir_german verysilent_not_found
  verysilent_file_in_use unknown_switch silent_window raised_dpi damaged_patch
  wrong_game_version packed_exe packed_exe_cut_short)
source "$here/security_process.sh"
source "$here/security_links.sh"
source "$here/game_identity.sh"
source "$here/packed_face.sh"
source "$here/close_during_copy.sh"

run_scenario() {
  local name=$1 t0=$SECONDS
  SCENARIO_OUT=$OUT/$name
  SCENARIO_FAILED=0
  mkdir -p "$SCENARIO_OUT"
  echo "scenario: $name"
  reset_state
  "scenario_$name"
  session_stop_app
  [ -f "$LOG" ] && cp "$LOG" "$SCENARIO_OUT/qlypatch.log"
  cp "$work/app.out" "$SCENARIO_OUT/wine.out" 2>/dev/null
  if ((SCENARIO_FAILED > 0)); then
    echo "  -> failed in $((SECONDS - t0)) s; screenshots and log kept in $SCENARIO_OUT"
  else
    echo "  -> passed in $((SECONDS - t0)) s"
  fi
}

t_start=$SECONDS
rm -rf "$OUT" && mkdir -p "$OUT"
preflight && make_locales && start_session || finish
for s in "${SCENARIOS[@]}"; do
  if [ -z "${QLY_E2E_ONLY:-}" ] || [[ " $QLY_E2E_ONLY " == *" $s "* ]]; then
    run_scenario "$s"
  fi
done
echo "e2e: whole run took $((SECONDS - t_start)) s; output in $OUT"
finish
