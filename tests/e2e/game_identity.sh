# End-to-end scenarios of a bundle for another studio's game (demo/other-game/qlypatch.ini):
# the game found under the studio's own registry key with its own program in another letter
# case, through a Steam library on a second drive letter, and in the folder browser when nothing
# names it; the window shows the bundle's title and caption. Sourced by tests/e2e/run.sh, whose
# helpers and session it uses; adds its scenarios to SCENARIOS.

OTHER_INI=$root/demo/other-game/qlypatch.ini
OTHER_TITLE=$(ini_get "$OTHER_INI" game title)
STUDIO_KEY_MACHINE='HKLM\SOFTWARE\Pixel Forge'
STUDIO_KEY_USER='HKCU\Software\Pixel Forge'
STEAM_KEY='HKCU\Software\Valve\Steam'
OTHER_GAME_DIR='C:\Games\Emberfall'
OTHER_BROWSED_DIR='C:\Program Files (x86)\Emberfall'
STEAM_DIR='C:\Program Files (x86)\Steam'

# The studio's bundle in place of the demo's layout file, and nothing of the studio's game or
# of Steam left from before (reset_state puts the demo's layout file back for the next one).
other_game_state() {
  cp "$OTHER_INI" "$(session_unix_path "$INSTALL_DIR")/qlypatch.ini"
  session_reg delete "$STUDIO_KEY_MACHINE" /f /reg:32 || true
  session_reg delete "$STUDIO_KEY_MACHINE" /f /reg:64 || true
  session_reg delete "$STUDIO_KEY_USER" /f || true
  session_reg delete "$STEAM_KEY" /f || true
  rm -rf "$(session_unix_path "$OTHER_BROWSED_DIR")" "$(session_unix_path "$STEAM_DIR")" \
    "$WINEPREFIX/dosdevices/e:" "$work/drive-e"
}

# A game folder (Unix path) holding the studio's program, named in capitals unlike the layout
# file's "Emberfall.exe".
make_other_game() {
  rm -rf "$1" && mkdir -p "$1/data" &&
    printf 'MZ placeholder for the studio game\r\n' >"$1/EMBERFALL.EXE" &&
    printf 'Emberfall 1.0\r\n' >"$1/data/changes.txt"
}

other_patched_like() {
  local expected="$work/expected"
  rm -rf "$expected" && cp -R "$2" "$expected" && cp -R "$BUNDLE/update/." "$expected/" &&
    same_tree "$expected" "$1"
}

# Registered only under the studio's key of the user, value InstallDir; the window shows the
# bundle's title, the caption with the percentage, and installs; the exit button ends with 0.
scenario_studio_key_window() {
  local game
  other_game_state
  game=$(session_unix_path "$OTHER_GAME_DIR")
  make_other_game "$game" && rm -rf "$work/game-before" && cp -R "$game" "$work/game-before"
  session_reg add "$STUDIO_KEY_USER\\Emberfall" /v InstallDir /t REG_SZ /d "$OTHER_GAME_DIR" /f
  start_installer en_US.UTF-8 || return
  check "window title is the bundle's ('$OTHER_TITLE')" window_wait_caption "$WIN" "$OTHER_TITLE" 10
  check "log names the studio's key" \
    wait_log_matches 30 'game folder: C:.Games.Emberfall \(registry, HKCU.Software.Pixel Forge.Emberfall'
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "caption shows ' 100% Emberfall' after the copy" window_wait_caption "$WIN" " 100% Emberfall" "$RUN_SECONDS"
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  # The run lets go of the game folder (its lock file) once its last line has scrolled in.
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  check "patch tree copied into the studio's game folder" other_patched_like "$game" "$work/game-before"
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0
}

# The same game unattended, registered under the studio's key of the machine (32-bit view).
scenario_studio_key_verysilent() {
  local game
  other_game_state
  game=$(session_unix_path "$OTHER_GAME_DIR")
  make_other_game "$game" && rm -rf "$work/game-before" && cp -R "$game" "$work/game-before"
  session_reg add "$STUDIO_KEY_MACHINE\\Emberfall" /v InstallDir /t REG_SZ /d "$OTHER_GAME_DIR" /f /reg:32
  run_unattended /VERYSILENT
  check "exit code 0 (installed)" exit_code_is 0
  check "patch tree copied into the studio's game folder" other_patched_like "$game" "$work/game-before"
  check "log names the studio's key and view" \
    log_matches 'game folder: C:.Games.Emberfall \(registry, HKLM.SOFTWARE.Pixel Forge.Emberfall, 32-bit view\)'
}

# Nothing in the registry names the game but Steam: its folder (from its own key) lists a second
# library on drive E:, a link in the prefix's dosdevices to a folder outside drive C:, whose app
# manifest names the game's folder under steamapps\common.
scenario_steam_library_second_drive() {
  local steam library game
  other_game_state
  steam=$(session_unix_path "$STEAM_DIR")
  library="$work/drive-e/SteamLibrary"
  game="$library/steamapps/common/Emberfall"
  mkdir -p "$steam/steamapps" "$library/steamapps" && ln -s "$work/drive-e" "$WINEPREFIX/dosdevices/e:"
  printf '"libraryfolders"\r\n{\r\n\t"0"\r\n\t{\r\n\t\t"path"\t\t"C:\\\\Program Files (x86)\\\\Steam"\r\n\t}\r\n\t"1"\r\n\t{\r\n\t\t"path"\t\t"E:\\\\SteamLibrary"\r\n\t\t"apps"\r\n\t\t{\r\n\t\t\t"3141590"\t\t"123"\r\n\t\t}\r\n\t}\r\n}\r\n' \
    >"$steam/steamapps/libraryfolders.vdf"
  printf '"AppState"\r\n{\r\n\t"appid"\t\t"3141590"\r\n\t"name"\t\t"Emberfall"\r\n\t"installdir"\t\t"Emberfall"\r\n}\r\n' \
    >"$library/steamapps/appmanifest_3141590.acf"
  make_other_game "$game" && rm -rf "$work/game-before" && cp -R "$game" "$work/game-before"
  session_reg add "$STEAM_KEY" /v SteamPath /t REG_SZ /d 'c:/program files (x86)/steam' /f
  run_unattended /VERYSILENT
  check "exit code 0 (installed)" exit_code_is 0
  check "patch tree copied into the game on drive E:" other_patched_like "$game" "$work/game-before"
  check "log names the Steam app and its library" \
    log_matches 'game folder: E:.SteamLibrary.steamapps.common.Emberfall \(Steam app 3141590, library E:.SteamLibrary\)'
  other_game_state
}

# Nothing names the game and the bundle says browse=1: the browser opens at Program Files (x86);
# that folder itself is refused (no Emberfall.exe in it) and the browser opens again; the game's
# folder below it is chosen with the keyboard and patched.
scenario_browse_when_not_found() {
  local game dialog
  other_game_state
  game=$(session_unix_path "$OTHER_BROWSED_DIR")
  make_other_game "$game" && rm -rf "$work/game-before" && cp -R "$game" "$work/game-before"
  start_installer en_US.UTF-8 || return
  check "log says no game is registered" wait_log_matches 30 'game folder: not registered'
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  dialog=$(window_wait_dialog "$WIN" 30) || { fail "folder browser opens when nothing names the game"; return; }
  pass "folder browser opens when nothing names the game"
  sleep 1
  window_shot "$dialog" "$SCENARIO_OUT/browser.png"
  xdotool windowfocus --sync "$dialog" key --clearmodifiers Return 2>/dev/null
  check "the start folder (Program Files) is refused: no game in it" \
    wait_log_matches 20 'game folder: C:.Program Files \(x86\) \(folder browser\) refused, no Emberfall.exe in it'
  window_wait_gone "$dialog" 10 || true
  dialog=$(window_wait_dialog "$WIN" 30) || { fail "folder browser opens again"; return; }
  pass "folder browser opens again"
  sleep 1
  xdotool windowfocus --sync "$dialog" key --clearmodifiers Right sleep 0.5 \
    type --delay 100 Emberfall 2>/dev/null
  sleep 0.5
  window_shot "$dialog" "$SCENARIO_OUT/browser-chosen.png"
  xdotool windowfocus --sync "$dialog" key --clearmodifiers Return 2>/dev/null
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  check "log names the chosen folder" \
    log_matches 'game folder: C:.Program Files \(x86\).Emberfall \(folder browser\)'
  # The run lets go of the game folder (its lock file) once its last line has scrolled in.
  window_wait_still "$WIN" "$SCENARIO_OUT/done.png" "$STILL_SECONDS" || true
  check "patch tree copied into the chosen folder" other_patched_like "$game" "$work/game-before"
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0
  other_game_state
}

# Whether a line of the log (without its time) matches the extended regex REGEX from its start.
log_matches() { log_lines | grep -qE "^$1"; }

# Waits up to SECONDS for log_matches REGEX. Usage: wait_log_matches SECONDS REGEX
wait_log_matches() {
  local end=$((SECONDS + $1))
  while ((SECONDS < end)); do
    log_matches "$2" && return 0
    sleep 0.2
  done
  return 1
}

SCENARIOS+=(studio_key_window studio_key_verysilent steam_library_second_drive browse_when_not_found)
