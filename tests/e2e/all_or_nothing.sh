# End-to-end scenarios of the update run as one transaction: a game file that cannot be replaced,
# the installer killed in the middle of the copy, a damaged patch file and a game of the wrong
# version all leave the game exactly as it was. Sourced by tests/e2e/run.sh, whose helpers and
# session it uses; adds its scenarios to SCENARIOS.

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
  rest_shot done
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
  rest_shot start
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
  press_update start
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
  press_update restarted
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  local expected="$work/expected"
  rm -rf "$expected" && cp -R "$work/game-before" "$expected" && cp -R "$bundle_update/." "$expected/"
  check "a new run installs the whole patch" same_tree "$expected" "$game"
  rm -rf "$expected"
  rm -f "$bundle_update/big.bin"
  press_exit 0
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
  press_update start
  check "error line logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" error
  check "the damaged file is named and a new download asked for" \
    wait_logged_line "$RUN_SECONDS" "data\\levels.dat: $(lang_text_of "$ENG_LNG" uszkodzona)"
  check "the damaged file is told before the general error line" \
    logged_in_order "text: data\\levels.dat: " "text: $(lang_text_of "$ENG_LNG" error)"
  check "no success lines" not_logged "$ENG_LNG" poz1
  check "game folder untouched" same_tree "$work/game-before" "$game"
  press_exit 5
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
  press_update start
  check "refused, naming the version found and the one required" \
    wait_logged_line "$RUN_SECONDS" "The game here is version 1.0.0.0, but this patch is for version 1.1.0.0 of Quillory. Nothing has been changed."
  check "no success lines" not_logged "$ENG_LNG" poz1
  check "game folder untouched" same_tree "$work/game-before" "$game"
  press_exit 6
}

SCENARIOS+=(read_only_game_file killed_mid_copy damaged_patch wrong_game_version)
