# End-to-end scenarios of the installer as a process that may run elevated from a Downloads
# folder: what it loads and what it refuses. Sourced by tests/e2e/run.sh, whose helpers and
# session it uses; adds its scenarios to SCENARIOS.

# The DLL that leaves a marker when loaded; planted beside the installer under system names.
PLANTED_DLL=${QLY_E2E_PLANTED_DLL:-$(dirname "$HOLD_FILE")/planted_dll.dll}
# DLLs that are not KnownDLLs and that the installer loads, or that the system DLLs it uses
# load: Windows would look for them in the exe's folder first. Wine is told to prefer a DLL found
# on the search path over its own for these...
PLANTED_NAMES=(winmm bcrypt dwmapi cryptbase propsys profapi userenv)
# ...but not for these, which Wine's own DLLs take by name with the exe's folder first: user32
# imports version.dll (so it loads before the program runs) and delay-loads uxtheme.dll, which
# delay-loads msimg32.dll, without the program's restricted search. Windows's user32 does
# neither. Planted all the same: Wine's own copy must be the one loaded. The program's own loads
# of version.dll go through the system folder's full path, as those of the names above do.
PLANTED_BUILTIN_FIRST=(version uxtheme msimg32)

# Markers left by planted DLLs in FOLDER (a Unix path), one name a line; none prints nothing.
planted_markers() {
  local f
  for f in "$1"/*.dll.loaded; do
    [ -f "$f" ] && printf '%s (loaded by %s)\n' "$(basename "$f" .loaded)" "$(tr -d '\0' <"$f")"
  done
}

no_planted_dll_loaded() {
  local seen
  seen=$(planted_markers "$1")
  [ -z "$seen" ] || { echo "    loaded: $seen" | tr '\n' ' '; echo; return 1; }
}

# A DLL of each such name beside the exe, and wine told to prefer a DLL found on the search
# path over its own: the window's run by itself (/SILENT) must load none of them, and still
# install the patch.
scenario_planted_dlls() {
  local game install names name
  game=$(session_unix_path "$GAME_DIR")
  install=$(session_unix_path "$INSTALL_DIR")
  [ -f "$PLANTED_DLL" ] || { fail "planted DLL built" "no DLL at $PLANTED_DLL"; return 1; }
  for name in "${PLANTED_NAMES[@]}" "${PLANTED_BUILTIN_FIRST[@]}"; do
    cp "$PLANTED_DLL" "$install/$name.dll" || { fail "DLL planted as $name.dll"; return 1; }
  done
  names=$(IFS=,; echo "${PLANTED_NAMES[*]}")
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$names=n,b" run_unattended /SILENT
  check "no planted DLL beside the exe is loaded" no_planted_dll_loaded "$install"
  exits_with 0
  check "patch tree copied into the game folder" patched_like "$game" "$work/game-before"
  check "log says the DLL search is the system folder's" \
    logged_line "hardening: DLLs from the system folder only; redirection trust [a-z ]*; 2 system DLLs pinned"
  for name in "${PLANTED_NAMES[@]}" "${PLANTED_BUILTIN_FIRST[@]}"; do
    rm -f "$install/$name.dll" "$install/$name.dll.loaded"
  done
}

SCENARIOS+=(planted_dlls)

# Tries a POSIX record lock on the first byte of FILE, as qlypatch-linux takes the game folder's
# lock; holds it for SECONDS when it gets it. Prints "locked" or "busy" first.
# Usage: posix_lock FILE SECONDS
posix_lock() {
  python3 -c '
import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDWR | os.O_CREAT, 0o644)
try:
    fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB, 1, 0)
except OSError:
    print("busy", flush=True)
    sys.exit(0)
print("locked", flush=True)
time.sleep(float(sys.argv[2]))
' "$1" "$2"
}

# One run per game folder, seen by the Windows program and by a Linux program on the same
# prefix alike. A run in progress holds its folder (seen from Linux), and a second instance
# started meanwhile never changes it; a Linux program's lock makes the Windows program wait a
# few seconds, then refuse with exit code 1 without touching the folder. Nothing of the lock is
# left in the game folder afterwards.
scenario_two_instances() {
  local game bundle_update staged size=0 end t0 holder first
  game=$(session_unix_path "$GAME_DIR")
  bundle_update=$(session_unix_path "$INSTALL_DIR")/update
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"

  # Held from Linux: the Windows program waits, then refuses.
  posix_lock "$game/qlypatch.lock" 60 >"$work/posix_lock.out" &
  holder=$!
  for _ in $(seq 50); do grep -q locked "$work/posix_lock.out" 2>/dev/null && break; sleep 0.1; done
  t0=$SECONDS
  run_unattended /VERYSILENT
  check "a Linux program's lock refuses the Windows program (exit code 1)" exit_code_is 1
  check "the Windows program waited a few seconds first" [ $((SECONDS - t0)) -ge 5 ]
  check "it says another update is running" logged "$ENG_LNG" 'inna aktualizacja'
  kill "$holder" 2>/dev/null
  wait "$holder" 2>/dev/null
  rm -f "$game/qlypatch.lock"
  check "game folder untouched while Linux held it" same_tree "$work/game-before" "$game"

  # A run in progress holds the folder: seen from Linux, and by a second instance.
  rm -f "$LOG"
  head -c $((400 * 1024 * 1024)) /dev/zero | tr '\0' 'q' >"$bundle_update/big.bin"
  run_unattended_in_background /VERYSILENT
  first=$APP_PID
  # The run stages in its own folder; the large file is most of what is there.
  staged="$game/qlypatch-stage-1"
  end=$((SECONDS + RUN_SECONDS))
  while ((SECONDS < end)); do
    size=$(du -bc "$staged"/*.new 2>/dev/null | tail -n 1 | cut -f 1)
    ((${size:-0} > 0)) && break
    sleep 0.05
  done
  check "while the first run copies, its lock is seen from Linux" \
    [ "$(posix_lock "$game/qlypatch.lock" 0)" = busy ]
  APP_PID=$first
  session_wait_app_exit "$RUN_SECONDS"
  check "the first run installs (exit code 0)" exit_code_is 0
  local expected="$work/expected"
  rm -rf "$expected" && cp -R "$work/game-before" "$expected" && cp -R "$bundle_update/." "$expected/"
  check "patch installed and no lock file left" same_tree "$expected" "$game"
  rm -rf "$expected" "$bundle_update/big.bin"
}

# Starts the installer with ARGS like run_unattended, without waiting. Sets APP_PID.
run_unattended_in_background() {
  : >"$work/app.out"
  LC_ALL='' LC_CTYPE='' LC_MESSAGES='' LANGUAGE='' LOCPATH="$work/locale" LANG=en_US.UTF-8 \
    QLYPATCH_LOG=$LOG_WIN session_start_app "$work" "$INSTALL_DIR\\qlypatch.exe" "$@"
}

SCENARIOS+=(two_instances)
