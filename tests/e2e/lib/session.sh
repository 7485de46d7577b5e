# The wine session the installer runs in: a virtual display, a private 64-bit Wine prefix, the
# bundle staged in it, the game folder and the registry keys that point at it. Sourced by
# tests/e2e/run.sh and scripts/demo.sh; every function returns non-zero instead of exiting (and
# is safe under set -e), and every wait has a time limit, so that a broken wine never hangs a CI
# run.

# Registry keys and folders of the installed game, as the installer looks them up.
QLY_REG_FULL='HKLM\SOFTWARE\Brantmoor Games\Quillory'
QLY_REG_DEMO='HKLM\SOFTWARE\Brantmoor Games\Quillory DEMO'
QLY_REG_VENDOR='HKLM\SOFTWARE\Brantmoor Games'

# Starts Xvfb on the first free display (the server picks it, so parallel runs never collide)
# and exports DISPLAY. Sets XVFB_PID. Usage: session_start_display WORKDIR
session_start_display() {
  local work=$1 fdfile="$1/xvfb.display" i
  : >"$fdfile"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >"$work/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for ((i = 0; i < 100; i++)); do
    if [ -s "$fdfile" ]; then
      DISPLAY=":$(tr -d '\n' <"$fdfile")"
      export DISPLAY
      return 0
    fi
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "e2e: Xvfb did not start (see $work/xvfb.log)" >&2
  return 1
}

# Exports the wine environment for a prefix folder: 64-bit, quiet, no Mono or Gecko installer
# prompts, no desktop menu entries. Usage: session_wine_env PREFIX
session_wine_env() {
  export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  unset WINELOADER WINESERVER
}

# Creates the prefix (or brings an existing one up to date) and switches off wine's crash
# dialog, which would otherwise wait for a click nobody makes. Usage: session_make_prefix
session_make_prefix() {
  if ! timeout 300 wineboot -i >"$WINEPREFIX.boot.log" 2>&1; then
    echo "e2e: wineboot failed (see $WINEPREFIX.boot.log)" >&2
    return 1
  fi
  timeout 120 wineserver -w || true
  session_reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
}

# Runs wine's reg tool quietly, with a time limit. Usage: session_reg ARGS...
session_reg() {
  timeout 60 wine reg "$@" >/dev/null 2>&1
}

# Unix path of a C: path inside the prefix. Usage: session_unix_path 'C:\Games\Quillory'
session_unix_path() {
  local p=${1#[Cc]:}
  printf '%s/drive_c%s\n' "$WINEPREFIX" "${p//\\//}"
}

# The user's Favorites folder inside the prefix.
session_favorites_dir() {
  local d
  for d in "$WINEPREFIX"/drive_c/users/*/Favorites; do
    case $d in */users/Public/*) continue ;; esac
    [ -d "$d" ] && { printf '%s\n' "$d"; return 0; }
  done
  return 1
}

# Puts the exe and the bundle (qlypatch.ini, gfx.bmp, lang\, update\) into one folder of the
# prefix, replacing what was there. Usage: session_stage_bundle EXE BUNDLE_DIR 'C:\folder'
session_stage_bundle() {
  local exe=$1 bundle=$2 dir
  dir=$(session_unix_path "$3")
  rm -rf "$dir" && mkdir -p "$dir" || return 1
  cp "$exe" "$dir/qlypatch.exe" || return 1
  cp -R "$bundle/qlypatch.ini" "$bundle/gfx.bmp" "$bundle/lang" "$bundle/update" "$dir/"
}

# Makes a fresh game folder holding only the game's program file. Usage:
# session_make_game 'C:\Games\Quillory'
session_make_game() {
  local dir
  dir=$(session_unix_path "$1")
  rm -rf "$dir" && mkdir -p "$dir" || return 1
  printf 'MZ placeholder for the game program\r\n' >"$dir/main.exe"
}

# Removes every registration of the game in both registry views.
session_unregister() {
  session_reg delete "$QLY_REG_VENDOR" /f /reg:32 || true
  session_reg delete "$QLY_REG_VENDOR" /f /reg:64 || true
}

# Registers an edition where a 32-bit game's installer puts it (the 32-bit view).
# Usage: session_register full|demo 'C:\path' [/reg:32|/reg:64]
session_register() {
  local key=$QLY_REG_FULL
  [ "$1" = demo ] && key=$QLY_REG_DEMO
  session_reg add "$key" /v 'Install Path' /t REG_SZ /d "$2" /f "${3:-/reg:32}"
}

# Starts the installer in the background from another working folder, so that it must find
# its bundle by its own location. Sets APP_PID. Usage:
# session_start_app WORKDIR 'C:\folder\qlypatch.exe' [ARGS...]  (extra environment as exported)
session_start_app() {
  local work=$1 exe=$2
  shift 2
  mkdir -p "$work/elsewhere"
  (cd "$work/elsewhere" && exec wine "$exe" "$@" </dev/null >>"$work/app.out" 2>&1) &
  APP_PID=$!
}

# Waits up to SECONDS for the installer's process to end; sets APP_EXIT to its exit code.
# Usage: session_wait_app_exit SECONDS
session_wait_app_exit() {
  local end=$((SECONDS + $1))
  APP_EXIT=
  while ((SECONDS < end)); do
    kill -0 "$APP_PID" 2>/dev/null || { wait "$APP_PID" 2>/dev/null; APP_EXIT=$?; return 0; }
    sleep 0.1
  done
  return 1
}

# Runs the installer to its end in the foreground, from another working folder, with a time
# limit; sets APP_EXIT to its exit code (124 when it had to be stopped). Usage:
# session_run_app WORKDIR SECONDS 'C:\folder\qlypatch.exe' [ARGS...]
session_run_app() {
  local work=$1 seconds=$2 exe=$3
  shift 3
  mkdir -p "$work/elsewhere"
  (cd "$work/elsewhere" && timeout "$seconds" wine "$exe" "$@" </dev/null >>"$work/app.out" 2>&1)
  APP_EXIT=$?
}

# Prints the exit codes as the installer's own usage text (/?) lists them, one "CODE  MEANING"
# line each; /VERYSILENT keeps its message box away.
# Usage: session_exit_codes WORKDIR 'C:\folder\qlypatch.exe'
session_exit_codes() {
  : >"$1/app.out"
  session_run_app "$1" 60 "$2" /VERYSILENT /?
  tr -d '\r' <"$1/app.out" | sed -n '/^Exit codes:$/,$p' | grep -E '^[0-9]+  '
}

# The meaning of exit code CODE in a table that session_exit_codes printed.
# Usage: session_exit_meaning TABLE-FILE CODE
session_exit_meaning() {
  awk -v c="$2" '$1 == c { $1 = ""; sub(/^ +/, ""); print; exit }' "$1"
}

# Ends the installer if it still runs. Usage: session_stop_app
session_stop_app() {
  if [ -n "${APP_PID:-}" ] && kill -0 "$APP_PID" 2>/dev/null; then
    kill "$APP_PID" 2>/dev/null || true
    session_wait_app_exit 5 || kill -9 "$APP_PID" 2>/dev/null || true
  fi
  APP_PID=
}

# Ends everything the session started: the installer, wine's server and the display.
session_end() {
  session_stop_app
  if [ -n "${WINEPREFIX:-}" ]; then
    timeout 30 wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
  return 0
}
