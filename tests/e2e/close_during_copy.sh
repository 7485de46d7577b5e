# End-to-end scenarios of the window closed while the patch is being copied. Its own close
# button is held off while the run works: the copy runs on to its end. A close that comes from
# outside the window (Alt+F4, or Close on its task bar button) stops the run and undoes it: the
# game folder is exactly as before, with nothing of the installer's left, and the exit code is
# 2. Sourced by tests/e2e/run.sh, whose helpers and session it uses; adds its scenarios to
# SCENARIOS.

# A file large enough for the copy to last a few seconds, added to the staged bundle's patch.
LARGE_PATCH_FILE=big.bin

add_large_patch_file() {
  truncate -s 400M "$(session_unix_path "$INSTALL_DIR")/update/$LARGE_PATCH_FILE"
}

remove_large_patch_file() {
  rm -f "$(session_unix_path "$INSTALL_DIR")/update/$LARGE_PATCH_FILE"
}

# Waits up to RUN_SECONDS until the run has staged more than 20 MB, well short of the whole.
copy_under_way() {
  local staged size end=$((SECONDS + RUN_SECONDS))
  staged="$(session_unix_path "$GAME_DIR")/qlypatch-stage-1"
  while ((SECONDS < end)); do
    size=$(du -bc "$staged"/*.new 2>/dev/null | tail -n 1 | cut -f 1)
    ((${size:-0} > 20 * 1024 * 1024)) && return 0
    sleep 0.05
  done
  return 1
}

# Presses Alt+F4 with the keyboard focus on window ID, as a user closes a window whose frame
# offers no close box of its own.
press_alt_f4() {
  xdotool windowfocus "$1" 2>/dev/null
  sleep 0.2
  xdotool key --clearmodifiers alt+F4
}

# Starts the installer on a game holding an old copy of a file the patch replaces, with the
# large file in the patch, and presses "Update Now!"; true once the copy is under way.
start_long_copy() {
  make_game_with_old_file
  add_large_patch_file
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 || return 1
  window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS" || true
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  copy_under_way || { fail "the copy of the large file gets under way"; return 1; }
}

scenario_close_button_during_copy() {
  local game expected="$work/expected"
  game=$(session_unix_path "$GAME_DIR")
  start_long_copy || { remove_large_patch_file; return; }
  window_geometry "$WIN"
  # The close button stands 10 pixels from the right edge and 8 from the top, 20 by 20.
  window_click "$WIN" $((WIN_W - 20)) 18
  check "the window stays after its close button is pressed during the copy" window_alive "$WIN"
  check "the copy runs on to the success lines" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  rm -rf "$expected" && cp -R "$work/game-before" "$expected" &&
    cp -R "$(session_unix_path "$INSTALL_DIR")/update/." "$expected/"
  # The success lines come before the run has put its own folder away: wait for the tree.
  local i
  for i in $(seq 1 "$RUN_SECONDS"); do same_tree "$expected" "$game" 2>/dev/null && break; sleep 1; done
  check "the whole patch is installed" same_tree "$expected" "$game"
  rm -rf "$expected"
  remove_large_patch_file
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0
}

scenario_close_during_copy() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  start_long_copy || { remove_large_patch_file; return; }
  press_alt_f4 "$WIN"
  if window_wait_gone "$WIN" 30 && session_wait_app_exit 60; then
    pass "Alt+F4 during the copy closes the window and ends the program"
  else
    fail "Alt+F4 during the copy closes the window and ends the program"
  fi
  remove_large_patch_file
  check "exit code 2 (closed before installing)" exit_code_is 2
  check "game folder exactly as before, nothing of the installer's left" \
    same_tree "$work/game-before" "$game"
  check "no success lines, and no failure told" not_logged "$ENG_LNG" poz1 error
  check "the log says the user stopped the run and it was undone" \
    logged_line "copy stopped by the user; the run was undone"
  check "outcome logged: closed, nothing copied" \
    outcome_is "outcome: exit code 2, the user closed the installer before installing; nothing copied"
  check "Favorites shortcut written at close" favorites_written
}

SCENARIOS+=(close_button_during_copy close_during_copy)
