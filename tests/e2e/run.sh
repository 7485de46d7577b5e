#!/usr/bin/env bash
# End-to-end tests of the Windows installer: the x86_64 exe runs under wine64 on a virtual
# display, in a Wine prefix made fresh for this run, with the demo bundle staged beside it. The
# checks press the controls where the layout file puts them and look at what really happened:
# the files in the game folder, the Favorites shortcut, the window caption, the lines the
# installer logged, and screenshots against the references in tests/e2e/reference/. This file
# is the runner: the scenarios live in the files it sources below, one per topic, each adding
# its names to SCENARIOS; the steps they share are in lib/steps.sh.
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
# shellcheck source=lib/steps.sh
source "$here/lib/steps.sh"

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
  session_exit_codes "$work" "$INSTALL_DIR\\qlypatch.exe" >"$work/exit-codes" && [ -s "$work/exit-codes" ] ||
    { fail "the installer's usage text (/?) lists the exit codes"; return 1; }
  FAVORITES=$(session_favorites_dir) || { fail "prefix has a Favorites folder"; return 1; }
  LOG=$(session_unix_path "$LOG_WIN")
  FAV_TITLE=$(ini_get "$INI" favorites title)
  FAV_LINK=$(ini_get "$INI" favorites link)
  read -r BUTTON_X BUTTON_Y < <(ini_centre "$INI" button)
  SKIN_SIZE=$(identify -format '%w %h' "$BUNDLE/gfx.bmp")
  echo "session: display $DISPLAY, prefix $WINEPREFIX ready in $((SECONDS - t0)) s"
}

# ---- main ----------------------------------------------------------------------------------

SCENARIOS=()
source "$here/window_flow.sh"
source "$here/all_or_nothing.sh"
source "$here/unattended.sh"
source "$here/packed_exe.sh"
source "$here/security_process.sh"
source "$here/security_links.sh"
source "$here/game_identity.sh"
source "$here/packed_face.sh"
source "$here/close_during_copy.sh"
source "$here/delta_patch.sh"
source "$here/two_windows.sh"

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
