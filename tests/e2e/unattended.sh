# End-to-end scenarios of the unattended runs (/SILENT, /VERYSILENT, /DIR, /LANG) and of the
# switches refused before any run. Sourced by tests/e2e/run.sh, whose helpers and session it
# uses; adds its scenarios to SCENARIOS.

# /VERYSILENT with the game registered: no window, the patch installed, exit 0.
scenario_verysilent_registered() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  run_unattended /VERYSILENT
  exits_with 0
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
  exits_with 0
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
  exits_with 3
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
  exits_with 5
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
  exits_with 1
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
  exits_with 0
  check "the window was shown" [ -n "$SAW_WINDOW" ]
  check "patch tree copied into the game folder" patched_like "$game" "$work/game-before"
  check "success lines logged" logged "$ENG_LNG" poz1
}

SCENARIOS+=(verysilent_registered verysilent_dir_german verysilent_not_found verysilent_file_in_use
  unknown_switch silent_window)
