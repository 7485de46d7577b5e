# End-to-end scenarios of patches made by `qlypatch-tool make` from two game folders: the bundle
# carries update.qlypatch (deltas, whole files, a removal) instead of an update\ tree, as a folder
# beside the installer and packed into one exe, installed by the window and by /VERYSILENT; a
# game already patched, and one with a modified file. Sourced by tests/e2e/run.sh, whose helpers
# and session it uses; adds its scenarios to SCENARIOS.

DELTA_DIR='C:\Downloads\Delta Patch'
DELTA_PACKED_DIR='C:\Downloads\Delta Packed'

# The two game versions (old and new, each with main.exe as session_make_game writes it), the
# bundle made from them and the same bundle packed into one exe, all made once in $work/delta.
delta_prepare() {
  local d=$work/delta
  [ -f "$d/packed.exe" ] && return 0
  rm -rf "$d" && mkdir -p "$d/old/data" "$d/new/data" "$d/bundle" || return 1
  printf 'MZ placeholder for the game program\r\n' >"$d/old/main.exe"
  cp "$d/old/main.exe" "$d/new/main.exe"
  head -c 400000 /dev/urandom >"$d/old/data/levels.pak"
  # An edit in the middle and a longer end: a delta far smaller than the file.
  { head -c 100000 "$d/old/data/levels.pak"; printf 'the new level'; tail -c +100001 "$d/old/data/levels.pak"
    printf 'appended'; } >"$d/new/data/levels.pak"
  printf 'Quillory 1.0\r\n' >"$d/old/readme.txt"
  printf 'Quillory 1.1: new levels\r\n' >"$d/new/readme.txt"
  printf 'an old library\r\n' >"$d/old/data/old.dll"
  printf 'a new file\r\n' >"$d/new/data/new.dat"
  "$TOOL" make "$d/old" "$d/new" -o "$d/bundle" >"$d/make.out" || return 1
  cp -R "$BUNDLE/qlypatch.ini" "$BUNDLE/gfx.bmp" "$BUNDLE/lang" "$d/bundle/" &&
    "$TOOL" check "$d/bundle" >"$d/check.out" &&
    "$TOOL" pack "$d/bundle" -o "$d/packed.exe" --installer "$EXE" >"$d/pack.out"
}

# The old game in GAME_DIR, the delta bundle beside the installer in DELTA_DIR and packed in
# DELTA_PACKED_DIR, the game registered, and the game's snapshot taken.
delta_setup() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  check "patch made from two game folders, checked and packed" delta_prepare || return 1
  rm -rf "$game" && cp -R "$work/delta/old" "$game" &&
    session_stage_delta "$DELTA_DIR" && rm -rf "$(session_unix_path "$DELTA_PACKED_DIR")" &&
    mkdir -p "$(session_unix_path "$DELTA_PACKED_DIR")" &&
    cp "$work/delta/packed.exe" "$(session_unix_path "$DELTA_PACKED_DIR")/qlypatch.exe" ||
    { fail "delta bundle staged"; return 1; }
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
}

# The installer and the delta bundle (no update\ tree) in the folder 'C:\...' $1.
session_stage_delta() {
  local dir
  dir=$(session_unix_path "$1")
  rm -rf "$dir" && mkdir -p "$dir" && cp "$EXE" "$dir/qlypatch.exe" &&
    cp -R "$work/delta/bundle/." "$dir/"
}

# Bytes the patch makes: the new sizes of the files that change or come new.
delta_made_bytes() {
  local d=$work/delta
  echo $(($(stat -c %s "$d/new/data/levels.pak") + $(stat -c %s "$d/new/readme.txt") +
    $(stat -c %s "$d/new/data/new.dat")))
}

delta_game_is_new() { same_tree "$work/delta/new" "$(session_unix_path "$GAME_DIR")"; }
delta_game_unchanged() { same_tree "$work/game-before" "$(session_unix_path "$GAME_DIR")"; }

# The window installs the folder bundle: progress to 100% by the bytes made, the game exactly
# the new version (the removed file gone), nothing of the run's own left, exit 0.
scenario_delta_window() {
  delta_setup || return
  INSTALLER_WIN="$DELTA_DIR\\qlypatch.exe" start_installer en_US.UTF-8 || return
  check "introduction shown in English" wait_logged "$STILL_SECONDS" "$ENG_LNG" przed1
  # A click while the text still scrolls in can be lost: the window comes to rest first.
  window_wait_still "$WIN" "$SCENARIO_OUT/intro.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "caption shows ' 100% QLY!' after the patch" window_wait_caption "$WIN" " 100% QLY!" "$RUN_SECONDS"
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  check "the game is exactly the new version" delta_game_is_new
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0 || return
  check "outcome logged with the bytes made" \
    outcome_is "outcome: exit code 0, the patch was installed; $(delta_made_bytes) bytes copied"
}

# /VERYSILENT installs the folder bundle, then (on the old game again) the one-file patch; and
# the window installs the one-file patch.
scenario_delta_verysilent_and_packed() {
  delta_setup || return
  INSTALL_DIR=$DELTA_DIR run_unattended /VERYSILENT
  check "folder bundle, /VERYSILENT: exit code 0 (installed)" exit_code_is 0
  check "folder bundle, /VERYSILENT: the game is exactly the new version" delta_game_is_new

  delta_setup || return
  rm -f "$LOG"
  INSTALL_DIR=$DELTA_PACKED_DIR run_unattended /VERYSILENT
  check "one-file patch, /VERYSILENT: exit code 0 (installed)" exit_code_is 0
  check "one-file patch, /VERYSILENT: the game is exactly the new version" delta_game_is_new
  check "nothing written beside the packed exe" \
    [ "$(ls -A "$(session_unix_path "$DELTA_PACKED_DIR")")" = qlypatch.exe ]

  delta_setup || return
  rm -f "$LOG"
  INSTALLER_WIN="$DELTA_PACKED_DIR\\qlypatch.exe" start_installer en_US.UTF-8 || return
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "one-file patch, window: success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  check "one-file patch, window: the game is exactly the new version" delta_game_is_new
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0
}

# A game that already has the patch: told so, nothing changes, exit 0.
scenario_delta_already_patched() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  delta_setup || return
  rm -rf "$game" && cp -R "$work/delta/new" "$game" && snapshot_game "$GAME_DIR"
  INSTALL_DIR=$DELTA_DIR run_unattended /VERYSILENT
  check "exit code 0" exit_code_is 0
  check "'already up to date' logged" logged "$ENG_LNG" aktualna
  check "no success lines of an installation" not_logged "$ENG_LNG" poz1
  check "the game folder is unchanged" delta_game_unchanged
  check "the log says nothing was changed" \
    logged_line "copy not needed: the game is already at the patch's version; nothing was changed"
}

# A game with one file modified by the player: refused before anything changes, naming the file,
# exit 6; the same in the window.
scenario_delta_modified_file() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  delta_setup || return
  printf 'a mod' >>"$game/data/levels.pak"
  snapshot_game "$GAME_DIR"
  INSTALL_DIR=$DELTA_DIR run_unattended /VERYSILENT
  check "exit code 6 (not the version the patch is for)" exit_code_is 6
  check "the game folder is unchanged" delta_game_unchanged
  check "the log names the file" \
    logged_line 'copy refused: data.levels\.pak is not the version the patch was made for'
  check "the text names the file" grep -q 'The file data.levels\.pak is not the version' "$LOG"
  check "no success lines" not_logged "$ENG_LNG" poz1
}

# A patch whose new version turns the file Mods into the folder mods\ (other letter case, one
# name to Windows) and the folder cfg\ (with a folder in it) into a file, installed by
# /VERYSILENT: the game is exactly the new tree. Then a save of the player's in cfg\: refused,
# exit 6, the folder named, nothing changed.
swaps_prepare() {
  local d=$work/swaps
  [ -f "$d/bundle/update.qlypatch" ] && return 0
  rm -rf "$d" && mkdir -p "$d/old/cfg/sub" "$d/new/mods/deep" "$d/bundle" || return 1
  printf 'MZ placeholder for the game program\r\n' >"$d/old/main.exe"
  cp "$d/old/main.exe" "$d/new/main.exe"
  printf 'a list of mods\r\n' >"$d/old/Mods"
  printf 'a=1\r\n' >"$d/old/cfg/a.ini"
  printf 'b=2\r\n' >"$d/old/cfg/sub/b.ini"
  printf 'a mod\r\n' >"$d/new/mods/x.pak"
  head -c 200000 /dev/urandom >"$d/new/mods/deep/y.pak"
  printf 'the settings, now one file\r\n' >"$d/new/cfg"
  "$TOOL" make "$d/old" "$d/new" -o "$d/bundle" >"$d/make.out" &&
    cp -R "$BUNDLE/qlypatch.ini" "$BUNDLE/gfx.bmp" "$BUNDLE/lang" "$d/bundle/"
}

scenario_delta_file_and_folder_swapped() {
  local game dir
  game=$(session_unix_path "$GAME_DIR")
  dir=$(session_unix_path "$DELTA_DIR")
  check "patch made from two game folders" swaps_prepare || return
  rm -rf "$game" "$dir" && cp -R "$work/swaps/old" "$game" && mkdir -p "$dir" &&
    cp "$EXE" "$dir/qlypatch.exe" && cp -R "$work/swaps/bundle/." "$dir/" ||
    { fail "swaps bundle staged"; return 1; }
  session_register full "$GAME_DIR"
  INSTALL_DIR=$DELTA_DIR run_unattended /VERYSILENT
  check "/VERYSILENT: exit code 0 (installed)" exit_code_is 0
  check "the game is exactly the new version" same_tree "$work/swaps/new" "$game"

  rm -rf "$game" && cp -R "$work/swaps/old" "$game" &&
    printf 'the player' >"$game/cfg/sub/slot1.sav" && snapshot_game "$GAME_DIR"
  rm -f "$LOG"
  INSTALL_DIR=$DELTA_DIR run_unattended /VERYSILENT
  check "a save in cfg: exit code 6" exit_code_is 6
  check "a save in cfg: the game folder is unchanged" delta_game_unchanged
  check "a save in cfg: the log names the folder" \
    logged_line 'copy refused: cfg is not the version the patch was made for'
}

SCENARIOS+=(delta_window delta_verysilent_and_packed delta_already_patched delta_modified_file
  delta_file_and_folder_swapped)
