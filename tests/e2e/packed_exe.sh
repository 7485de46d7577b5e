# End-to-end scenarios of the patch packed into one signed exe, as a patch maker ships it: whole,
# and cut short as by an interrupted download. Sourced by tests/e2e/run.sh, whose helpers and
# session it uses; adds its scenarios to SCENARIOS.

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
  press_exit 0 || return
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

SCENARIOS+=(packed_exe packed_exe_cut_short)
