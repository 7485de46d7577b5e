# shellcheck shell=bash
# Two windows of the installer on one game folder, side by side, both pressed while the first
# still copies a large patch: the first installs, the second waits a few seconds, says that
# another update is running and ends with exit code 1; the game ends exactly as the patch makes
# it, with nothing of either run left. Sourced by run.sh.

# Id of a visible installer window of the skin's size other than OTHER, waiting up to SECONDS.
# Usage: window_wait_other OTHER SECONDS
window_wait_other() {
  local id end=$((SECONDS + $2)) WIN_X WIN_Y WIN_W WIN_H
  read -r want_w want_h <<<"$SKIN_SIZE"
  while ((SECONDS < end)); do
    for id in $(xdotool search --onlyvisible --classname '^qlypatch\.exe$' 2>/dev/null); do
      [ "$id" != "$1" ] && window_geometry "$id" && [ "$WIN_W" = "$want_w" ] &&
        [ "$WIN_H" = "$want_h" ] && { echo "$id"; return 0; }
    done
    sleep 0.2
  done
  return 1
}

scenario_two_windows() {
  local game bundle_update staged size=0 end first_win first_pid second_log log1 expected
  game=$(session_unix_path "$GAME_DIR")
  bundle_update=$(session_unix_path "$INSTALL_DIR")/update
  head -c $((800 * 1024 * 1024)) /dev/zero | tr '\0' 'q' >"$bundle_update/big.bin"
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  log1=$LOG

  start_installer en_US.UTF-8 || { rm -f "$bundle_update/big.bin"; return; }
  first_win=$WIN
  first_pid=$APP_PID
  window_wait_still "$WIN" "$SCENARIO_OUT/first.png" "$STILL_SECONDS" || true
  xdotool windowmove "$first_win" 0 0

  # The second window logs to a file of its own.
  second_log='C:\qlypatch-e2e-second.log'
  : >"$work/app.out"
  LC_ALL='' LC_CTYPE='' LC_MESSAGES='' LANGUAGE='' LOCPATH="$work/locale" LANG=en_US.UTF-8 \
    QLYPATCH_LOG=$second_log session_start_app "$work" "$INSTALL_DIR\\qlypatch.exe"
  local second_pid=$APP_PID second_win
  second_win=$(window_wait_other "$first_win" "$STARTUP_SECONDS") ||
    { fail "a second installer window appears"; rm -f "$bundle_update/big.bin"; return; }
  window_wait_still "$second_win" "$SCENARIO_OUT/second.png" "$STILL_SECONDS" || true
  read -r _ sh <<<"$SKIN_SIZE"
  xdotool windowmove "$second_win" 0 $((sh + 20))
  sleep 1

  # The windows may stand over each other: the one pressed is raised first.
  xdotool windowraise "$first_win"
  sleep 0.5
  window_click "$first_win" "$BUTTON_X" "$BUTTON_Y"
  staged="$game/qlypatch-stage-1"
  end=$((SECONDS + RUN_SECONDS))
  while ((SECONDS < end)); do
    size=$(du -bc "$staged"/*.new 2>/dev/null | tail -n 1 | cut -f 1)
    ((${size:-0} > 0)) && break
    sleep 0.05
  done
  # A copy from the page cache can end before the second window has waited its few seconds:
  # the first is held still (its lock with it) until the second has given up.
  kill -STOP "$first_pid" 2>/dev/null
  xdotool windowraise "$second_win"
  sleep 0.5
  window_click "$second_win" "$BUTTON_X" "$BUTTON_Y"
  LOG=$(session_unix_path "$second_log")
  check "the second window says that another update is running" \
    wait_logged 30 "$ENG_LNG" 'inna aktualizacja'
  check "the first was still copying when the second gave up" \
    test -d "$staged" -a ! -f "$game/big.bin"
  check "the second window's log says it changed nothing" \
    logged_line "lock: another update of .* is running; nothing was changed"
  WIN=$second_win
  APP_PID=$second_pid
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the second window's exit button" 1
  kill -CONT "$first_pid" 2>/dev/null

  LOG=$log1
  WIN=$first_win
  APP_PID=$first_pid
  check "the first window installs" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  expected="$work/expected"
  rm -rf "$expected" && cp -R "$work/game-before" "$expected" && cp -R "$bundle_update/." "$expected/"
  check "the game ends exactly as the patch makes it, nothing of either run left" \
    same_tree "$expected" "$game"
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the first window's exit button" 0
  cp "$(session_unix_path "$second_log")" "$SCENARIO_OUT/second.log" 2>/dev/null
  rm -rf "$expected" "$bundle_update/big.bin"
  rm -f "$(session_unix_path "$second_log")"
}

SCENARIOS+=(two_windows)
