# Steps the end-to-end scenarios share: the prefix put back before each scenario, the installer
# started and its window found, screenshots at rest and against the references, presses on the
# button, and what the support log, the game folder and the exit code must show afterwards.
# Sourced by tests/e2e/run.sh after its settings and the session, check and window helpers.

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

# The support log from its last "cls" on: what the text area shows since it was last cleared.
log_since_last_cls() {
  log_lines | awk '/^cls$/ { n = NR } { line[NR] = $0 } END { for (i = n + 1; i <= NR; i++) print line[i] }'
}

# The text of KEY in the language file LNG (a plain ASCII one). Usage: lang_text_of LNG KEY
lang_text_of() {
  python3 -c 'import sys; b = open(sys.argv[1], "rb").read(); n = ("/" + sys.argv[2] + "/").encode(); s = b.find(n) + len(n) + 2; print(b[s:b.find(b"\x27", s)].decode("latin-1"))' "$1" "$2"
}

# The game folder after the run must be what it was before with update\ laid over it, byte for
# byte, and nothing else. Usage: patched_like GAME_UNIX_DIR SNAPSHOT_DIR
patched_like() {
  local expected="$work/expected"
  rm -rf "$expected" && cp -R "$2" "$expected" && cp -R "$BUNDLE/update/." "$expected/" &&
    same_tree "$expected" "$1"
}

snapshot_game() {
  rm -rf "$work/game-before" && cp -R "$(session_unix_path "$1")" "$work/game-before"
}

# Writes the staged bundle's update.sha256 as a patch maker makes it: sha256sum run inside
# update/. Usage: write_manifest
write_manifest() {
  (cd "$(session_unix_path "$INSTALL_DIR")/update" &&
    find . -type f -printf '%P\0' | sort -z | xargs -0 sha256sum) >"$(session_unix_path "$INSTALL_DIR")/update.sha256"
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
  exits_with "$4"
}

# The meaning of an exit code, as the installer's usage text gives it (read at the session's
# start). Usage: exit_meaning CODE
exit_meaning() { session_exit_meaning "$work/exit-codes" "$1"; }

# The installer ended with exit code CODE, named with its meaning. Usage: exits_with CODE
exits_with() { check "exit code $1 ($(exit_meaning "$1"))" exit_code_is "$1"; }

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

# Waits for the window to come to rest and keeps its screenshot as NAME.png in the scenario's
# output, for a person to look at afterwards; nothing is compared. Usage: rest_shot NAME
rest_shot() { window_wait_still "$WIN" "$SCENARIO_OUT/$1.png" "$STILL_SECONDS" || true; }

# The window at rest (screenshot NAME.png), then a press on the button ("Update Now!" until the
# run has ended). Usage: press_update NAME
press_update() {
  rest_shot "$1"
  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
}

# The window at rest after the run (screenshot done.png), then the exit button must end the
# program with exit code CODE. Usage: press_exit CODE
press_exit() {
  rest_shot done
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" "$1"
}
