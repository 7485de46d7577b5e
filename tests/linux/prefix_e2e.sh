#!/usr/bin/env bash
# qlypatch-linux against the Windows program in one real Wine prefix made with wineboot: the
# Windows exe installs the demo patch unattended (/VERYSILENT) into a registered game whose
# folders differ in letter case from the patch's; then qlypatch-linux installs it natively into
# a fresh copy of the same game, found through the prefix's registry, given by --dir as a
# Windows path, and from the patch packed into one exe. Each time the game folder and the
# Favorites shortcut must equal what the Windows program produced. Also checks --list.
#
# Environment: QLY_E2E_EXE (default build/win64/src/app/qlypatch.exe), QLY_LINUX_E2E_WORK
# (default build/linux-e2e). Ends with "linux e2e: N passed, M failed".
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cd "$root"
source tests/e2e/lib/session.sh

EXE=${QLY_E2E_EXE:-$root/build/win64/src/app/qlypatch.exe}
LINUX=$root/build/native/src/app/qlypatch-linux
TOOL=$root/build/native/src/app/qlypatch-tool
work=${QLY_LINUX_E2E_WORK:-$root/build/linux-e2e}
install_dir='C:\Downloads\Quillory Patch'
game_dir='C:\Games\Quillory'
passed=0
failed=0

check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "  ok: $what"
  else
    failed=$((failed + 1))
    echo "  FAILED: $what"
  fi
}

for f in "$EXE" "$LINUX" "$TOOL"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "linux e2e: $f is not built" >&2; exit 1; }
done

rm -rf "$work" && mkdir -p "$work"
trap session_end EXIT
session_start_display "$work" || exit 1
session_wine_env "$work/prefix"
echo "linux e2e: making the prefix $WINEPREFIX with wineboot"
session_make_prefix || exit 1
session_stage_bundle "$EXE" demo "$install_dir" || exit 1
game=$(session_unix_path "$game_dir")

# The game before the patch: its program, and folders in the letter case of its own
# installer, which differs from the patch's (data\, config\).
fresh_game() {
  rm -rf "$(dirname "$game")"/*
  session_make_game "$game_dir"
  mkdir -p "$game/DATA" "$game/Config"
  printf 'old levels\r\n' >"$game/DATA/Levels.dat"
  printf 'old settings\r\n' >"$game/Config/user.cfg"
  rm -f "$(session_favorites_dir)"/*.URL
}

# Saves the game folder and the Favorites shortcuts as they are now. Usage: snapshot DIR
snapshot() {
  rm -rf "$1" && mkdir -p "$1/favorites"
  cp -a "$game" "$1/game"
  cp "$(session_favorites_dir)"/*.URL "$1/favorites/" 2>/dev/null || true
}

same_as_windows() {
  diff -r "$work/by-windows/game" "$1/game" && diff -r "$work/by-windows/favorites" "$1/favorites"
}

echo "linux e2e: the Windows program, /VERYSILENT, in the prefix"
fresh_game
session_unregister
session_register full "$game_dir" /reg:32
session_run_app "$work" 300 "$install_dir\\qlypatch.exe" /VERYSILENT
check "Windows program: exit code 0" [ "$APP_EXIT" = 0 ]
snapshot "$work/by-windows"
check "Windows program: the patch went into the game's own DATA folder" \
  cmp -s "$game/DATA/levels.dat" demo/update/data/levels.dat
check "Windows program: a Favorites shortcut" [ -n "$(ls "$work/by-windows/favorites")" ]
# The registry on disk (system.reg) is written when the server ends.
timeout 120 wineserver -k >/dev/null 2>&1 || true
timeout 60 wineserver -w || true

echo "linux e2e: qlypatch-linux, the game found in the prefix's registry"
fresh_game
"$LINUX" demo --yes --log "$work/linux.log" >"$work/linux.out" 2>&1
check "qlypatch-linux: exit code 0" [ $? = 0 ]
snapshot "$work/by-linux"
check "qlypatch-linux: game folder and shortcut equal the Windows program's" \
  same_as_windows "$work/by-linux"
check "qlypatch-linux: the 32-bit view answered" grep -q "32-bit view" "$work/linux.log"
check "qlypatch-linux: the outcome's exit code logged" grep -q "outcome: exit code 0" "$work/linux.log"

echo "linux e2e: qlypatch-linux --dir with a Windows path in other letter case, no answer"
fresh_game
snapshot "$work/before"
"$LINUX" demo --dir 'c:\GAMES\quillory' </dev/null >"$work/linux-no.out" 2>&1
check "no answer: exit code 2" [ $? = 2 ]
snapshot "$work/after-no"
check "no answer: the game untouched" diff -r "$work/before/game" "$work/after-no/game"
echo y | "$LINUX" demo --dir 'c:\GAMES\quillory' --lang DEU >"$work/linux-dir.out" 2>&1
check "--dir, yes: exit code 0" [ $? = 0 ]
snapshot "$work/by-linux-dir"
check "--dir: game folder and shortcut equal the Windows program's" \
  same_as_windows "$work/by-linux-dir"
check "--dir: the German question in UTF-8" grep -q "Den Patch in diesen Ordner installieren" \
  "$work/linux-dir.out"

echo "linux e2e: qlypatch-linux with the patch packed into one exe"
"$TOOL" pack demo -o "$work/packed.exe" --installer "$EXE" >/dev/null
fresh_game
"$LINUX" "$work/packed.exe" --yes >"$work/linux-packed.out" 2>&1
check "packed exe: exit code 0" [ $? = 0 ]
snapshot "$work/by-linux-packed"
check "packed exe: game folder and shortcut equal the Windows program's" \
  same_as_windows "$work/by-linux-packed"

echo "linux e2e: qlypatch-linux with a packed exe cut short"
head -c "$(($(stat -c %s "$work/packed.exe") - 5000))" "$work/packed.exe" >"$work/cut.exe"
fresh_game
snapshot "$work/before-cut"
"$LINUX" "$work/cut.exe" --yes >"$work/linux-cut.out" 2>&1
check "cut-short exe: exit code 1" [ $? = 1 ]
check "cut-short exe: told the download is damaged" grep -q "damaged" "$work/linux-cut.out"
snapshot "$work/after-cut"
check "cut-short exe: the game untouched" diff -r "$work/before-cut/game" "$work/after-cut/game"

echo "linux e2e: qlypatch-linux while another run holds the game folder"
fresh_game
snapshot "$work/before-held"
# Another run's lock, as this program and the Windows one under Wine take it: a POSIX record
# lock on the first byte of the game folder's lock file.
python3 -c '
import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDWR | os.O_CREAT, 0o644)
fcntl.lockf(fd, fcntl.LOCK_EX, 1, 0)
print("locked", flush=True)
time.sleep(60)
' "$game/qlypatch.lock" >"$work/held.out" 2>&1 &
holder=$!
for _ in $(seq 50); do grep -q locked "$work/held.out" && break; sleep 0.1; done
"$LINUX" demo --yes >"$work/linux-held.out" 2>&1
check "held folder: exit code 1" [ $? = 1 ]
check "held folder: told another update is running" \
  grep -q "Another update of this game folder is running" "$work/linux-held.out"
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null
rm -f "$game/qlypatch.lock"
snapshot "$work/after-held"
check "held folder: the game untouched" diff -r "$work/before-held/game" "$work/after-held/game"

echo "linux e2e: qlypatch-linux with the game's DATA folder a symlink to a folder outside it"
fresh_game
outside=$(session_unix_path 'C:\Outside')
rm -rf "$outside" && mv "$game/DATA" "$outside" && ln -s "$outside" "$game/DATA"
rm -rf "$work/outside-before" && cp -a "$outside" "$work/outside-before"
snapshot "$work/before-link"
"$LINUX" demo --yes --log "$work/linux-link.log" </dev/null >"$work/linux-link.out" 2>&1
check "link: exit code 5" [ $? = 5 ]
check "link: nothing behind the link changed" diff -r "$work/outside-before" "$outside"
snapshot "$work/after-link"
check "link: the game folder as it was, the link in place" \
  diff -r --no-dereference "$work/before-link/game" "$work/after-link/game"
check "link: the text names the link" grep -qiE "^DATA: .*link" "$work/linux-link.out"
rm -f "$game/DATA"
rm -rf "$outside"

echo "linux e2e: qlypatch-linux with a journal it did not write, naming files behind a symlink"
fresh_game
rm -rf "$outside" && mkdir -p "$outside/empty"
printf 'not the game%s\r\n' "'s" >"$outside/victim.txt"
cp "$outside/victim.txt" "$outside/other.txt"
rm -rf "$work/outside-before" && cp -a "$outside" "$work/outside-before"
ln -s "$outside" "$game/linked"
mkdir -p "$game/qlypatch-stage-1"
printf 'a backup that is not one\r\n' >"$game/qlypatch-stage-1/0.old"
printf '%s\n' 'qlypatch journal 2' 'phase commit' 'stage qlypatch-stage-1' 'folder linked\empty' \
  'remove - - linked\victim.txt' 'file new - - linked\other.txt' >"$game/qlypatch-stage-1/journal"
snapshot "$work/before-journal"
"$LINUX" demo --yes --log "$work/linux-journal.log" </dev/null >"$work/linux-journal.out" 2>&1
journal_exit=$?
check "planted journal: nothing behind the link changed" diff -r "$work/outside-before" "$outside"
snapshot "$work/after-journal"
if [ "$(id -u)" = 0 ]; then
  # Run as root, qlypatch-linux keeps its journals in root's own folder: one found in the game
  # folder is reported and left alone, and the update goes on.
  check "planted journal (root): its run folder left as it was" diff -r --no-dereference \
    "$work/before-journal/game/qlypatch-stage-1" "$work/after-journal/game/qlypatch-stage-1"
  check "planted journal (root): reported and left alone" grep -q \
    "recovery: qlypatch-stage-1.journal in the game folder was not written by an administrator's run; left alone" \
    "$work/linux-journal.log"
  check "planted journal (root): the update installed (exit code 0)" [ "$journal_exit" = 0 ]
else
  check "planted journal: the journal and the game folder left as they were" \
    diff -r --no-dereference "$work/before-journal/game" "$work/after-journal/game"
  check "planted journal: reported as damaged, nothing touched" grep -q \
    "recovery: the journal of an interrupted run is damaged; nothing was touched" "$work/linux-journal.log"
fi
rm -f "$game/linked"
rm -rf "$outside"

echo "linux e2e: qlypatch-linux, a studio's game under its own key of the user, its program in capitals"
# The second example bundle with the demo's skin and languages, for a game of version 1.0.0.0:
# the program is a copy of the installer, which carries that version.
other="$work/other-bundle"
rm -rf "$other" && mkdir -p "$other" && cp -R demo/other-game/. demo/gfx.bmp demo/lang "$other/"
sed -i 's/^\[game\]\r$/[game]\r\nversion=1.0.0.0\r/' "$other/qlypatch.ini"
other_game=$(session_unix_path 'C:\Games\Emberfall')
rm -rf "$other_game" && mkdir -p "$other_game" && cp "$EXE" "$other_game/EMBERFALL.EXE"
rm -rf "$work/other-before" && cp -a "$other_game" "$work/other-before"
session_reg add 'HKCU\Software\Pixel Forge\Emberfall' /v InstallDir /t REG_SZ /d 'C:\Games\Emberfall' /f
timeout 120 wineserver -k >/dev/null 2>&1 || true
timeout 60 wineserver -w || true
"$LINUX" "$other" --yes --log "$work/linux-other.log" >"$work/linux-other.out" 2>&1
check "studio's game: exit code 0" [ $? = 0 ]
check "studio's game: the patch in its folder" \
  cmp -s "$other_game/data/changes.txt" demo/other-game/update/data/changes.txt
check "studio's game: its program untouched" cmp -s "$other_game/EMBERFALL.EXE" "$EXE"
check "studio's game: found under the studio's key" \
  grep -q "game folder: .*Emberfall (registry, HKCU.Software.Pixel Forge.Emberfall)" "$work/linux-other.log"
(cd "$other" && HOME=$work/home "$LINUX" --list) >"$work/list-other.out" 2>&1
check "--list in the studio's bundle names its game and program" \
  grep -q "game: C:\\\\Games\\\\Emberfall -> $other_game (HKCU.Software.Pixel Forge.Emberfall, holds Emberfall.exe)" \
  "$work/list-other.out"

echo "linux e2e: qlypatch-linux, a patch turning the file Mods into mods\\ and cfg\\ into a file"
swaps="$work/swaps"
rm -rf "$swaps" && mkdir -p "$swaps/old/cfg/sub" "$swaps/new/mods/deep" "$swaps/bundle"
session_make_game "$game_dir"
cp -a "$game/." "$swaps/old/" && cp -a "$game/." "$swaps/new/"
printf 'a list of mods\r\n' >"$swaps/old/Mods"
printf 'a=1\r\n' >"$swaps/old/cfg/a.ini"
printf 'b=2\r\n' >"$swaps/old/cfg/sub/b.ini"
printf 'a mod\r\n' >"$swaps/new/mods/x.pak"
printf 'another mod\r\n' >"$swaps/new/mods/deep/y.pak"
printf 'the settings, now one file\r\n' >"$swaps/new/cfg"
"$TOOL" make "$swaps/old" "$swaps/new" -o "$swaps/bundle" >/dev/null &&
  cp -R demo/qlypatch.ini demo/gfx.bmp demo/lang "$swaps/bundle/"
rm -rf "$game" && cp -a "$swaps/old" "$game"
"$LINUX" "$swaps/bundle" --dir "$game_dir" --yes >"$work/linux-swaps.out" 2>&1
check "swaps: exit code 0" [ $? = 0 ]
check "swaps: the game is exactly the new version" diff -r "$swaps/new" "$game"
rm -rf "$game" && cp -a "$swaps/old" "$game" && printf 'the player' >"$game/cfg/sub/slot1.sav"
rm -rf "$swaps/before" && cp -a "$game" "$swaps/before"
"$LINUX" "$swaps/bundle" --dir "$game_dir" --yes >"$work/linux-swaps-save.out" 2>&1
check "swaps, a save in cfg: exit code 6" [ $? = 6 ]
check "swaps, a save in cfg: the game untouched" diff -r "$swaps/before" "$game"
check "swaps, a save in cfg: the folder named" grep -q "cfg" "$work/linux-swaps-save.out"

echo "linux e2e: --list"
HOME=$work/home "$LINUX" --list >"$work/list.out" 2>&1
check "--list names the prefix and its game" \
  grep -q "game: C:\\\\Games\\\\Quillory -> $game (32-bit view, holds main.exe)" "$work/list.out"

echo "linux e2e: $passed passed, $failed failed"
((failed == 0))
