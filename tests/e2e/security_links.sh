# End-to-end scenarios of what a player (or another user of the machine) may have placed in the
# game folder: links to folders elsewhere, journals the installer did not write, files named
# like the installer's own. The run may be elevated, so none of it may turn the run against a
# folder outside the game or against the player's files. Sourced by tests/e2e/run.sh, whose
# helpers and session it uses; adds its scenarios to SCENARIOS.

# A folder of the prefix outside the game, reached through a link from the game folder.
OUTSIDE_DIR='C:\Outside'

# A fresh OUTSIDE_DIR holding one file, and its snapshot in $work/outside-before.
make_outside() {
  local outside
  outside=$(session_unix_path "$OUTSIDE_DIR")
  rm -rf "$outside" && mkdir -p "$outside" &&
    printf 'a file that is not the game%s\r\n' "'s" >"$outside/victim.txt" &&
    rm -rf "$work/outside-before" && cp -R "$outside" "$work/outside-before"
}

# The game folder's entries and, below it, everything but what lies behind a link: what the
# run must leave as it was. Links are listed with their targets.
game_listing() {
  (cd "$1" && find . -printf '%y %p %l\n' | sort)
}

# The game's data folder is a link (a Unix symlink, which Wine reports as a reparse point) to a
# folder outside the game; the patch writes into data\. The run must refuse before any change
# (exit 5), name the link, change nothing behind it and leave the game folder as it was.
scenario_link_to_outside() {
  local game outside
  game=$(session_unix_path "$GAME_DIR")
  outside=$(session_unix_path "$OUTSIDE_DIR")
  make_outside || { fail "folder outside the game made"; return 1; }
  ln -s "$outside" "$game/data" || { fail "link made in the game folder"; return 1; }
  game_listing "$game" >"$work/game-listing-before"
  session_register full "$GAME_DIR"
  run_unattended /VERYSILENT
  exits_with 5
  check "nothing behind the link changed" same_tree "$work/outside-before" "$outside"
  check "no file of the patch written behind the link" [ ! -e "$outside/levels.dat" ]
  check "the game folder is as it was, the link still in place" \
    cmp -s "$work/game-listing-before" <(game_listing "$game")
  check "the text names the link" grep -qE "text: data(: |\\\\)" "$LOG"
  check "the log says it is a link" logged_line "copy failed: data.*link"
  check "no success lines" not_logged "$ENG_LNG" poz1
  rm -f "$game/data"
  rm -rf "$outside"
}

# Journals the installer did not write. First one of the current format in a run folder,
# naming things behind a link: a folder the run would have made (an empty folder outside the
# game, which an undo would remove), a removal with its backup and a file the run would have
# put there. Then one of the previous release's format in the game folder as well. Starting the
# installer must act on neither: nothing outside the game is deleted or replaced, the journals
# stay, and the log says the journal was found and nothing touched.
scenario_planted_journal() {
  local game outside stage
  game=$(session_unix_path "$GAME_DIR")
  outside=$(session_unix_path "$OUTSIDE_DIR")
  make_outside || { fail "folder outside the game made"; return 1; }
  mkdir -p "$outside/empty"
  cp "$outside/victim.txt" "$outside/other.txt"
  rm -rf "$work/outside-before" && cp -R "$outside" "$work/outside-before"
  ln -s "$outside" "$game/linked" || { fail "link made in the game folder"; return 1; }
  stage="$game/qlypatch-stage-1"
  mkdir -p "$stage"
  printf 'a backup that is not one\r\n' >"$stage/0.old"
  printf '%s\n' 'qlypatch journal 2' 'phase commit' 'stage qlypatch-stage-1' 'folder linked\empty' \
    'remove - - linked\victim.txt' 'file new - - linked\other.txt' >"$stage/journal"
  game_listing "$game" >"$work/game-listing-before"
  rm -rf "$work/game-before" && cp -R "$game" "$work/game-before"
  session_register full "$GAME_DIR"
  run_unattended /VERYSILENT
  check "a journal naming what is behind a link: nothing outside the game changed" \
    same_tree "$work/outside-before" "$outside"
  check "the planted journal stays" cmp -s "$work/game-before/qlypatch-stage-1/journal" "$stage/journal"
  check "the planted backup stays" [ -f "$stage/0.old" ]
  check "the log reports the journal and that nothing was touched" \
    logged_line "recovery: the journal of an interrupted run is damaged; nothing was touched"
  check "no success lines" not_logged "$ENG_LNG" poz1
  check "the game folder is as it was" cmp -s "$work/game-listing-before" <(game_listing "$game")

  rm -f "$LOG"
  printf '%s\r\n' 'phase commit' 'remove linked\victim.txt' 'file new linked\victim.txt' \
    >"$game/qlypatch.journal"
  game_listing "$game" >"$work/game-listing-before"
  run_unattended /VERYSILENT
  check "a journal of the old format as well: nothing outside the game changed" \
    same_tree "$work/outside-before" "$outside"
  check "the old-format journal stays" cmp -s <(printf '%s\r\n' 'phase commit' \
    'remove linked\victim.txt' 'file new linked\victim.txt') "$game/qlypatch.journal"
  check "the log reports it and that nothing was touched" \
    logged_line "recovery: the journal of an interrupted run is damaged; nothing was touched"
  check "the game folder is as it was" cmp -s "$work/game-listing-before" <(game_listing "$game")
  rm -f "$game/linked"
  rm -rf "$outside"
}

# The player's own files named like the installer's staging and backup files, and a run folder
# of the player's holding a file: a successful run leaves all of them as they were. A patch
# that ships a file and one named like its backup installs both.
scenario_names_like_ours() {
  local game bundle_update expected="$work/expected"
  game=$(session_unix_path "$GAME_DIR")
  bundle_update=$(session_unix_path "$INSTALL_DIR")/update
  mkdir -p "$game/data" "$game/qlypatch-stage-1"
  printf 'the player%s notes\r\n' "'s" >"$game/readme.txt.qlybak"
  printf 'a mod of the player%s\r\n' "'s" >"$game/data/x.qlytmp"
  printf 'kept by the player\r\n' >"$game/qlypatch-stage-1/notes.txt"
  printf 'the player%s backup of the levels\r\n' "'s" >"$game/data/levels.dat.qlybak"
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  run_unattended /VERYSILENT
  exits_with 0
  check "patch installed, every file of the player's kept byte for byte" \
    patched_like "$game" "$work/game-before"

  # A patch shipping a.txt and a.txt.qlybak: both are installed.
  rm -f "$LOG"
  printf 'the patch%s a.txt\r\n' "'s" >"$bundle_update/a.txt"
  printf 'the patch%s a.txt.qlybak\r\n' "'s" >"$bundle_update/a.txt.qlybak"
  snapshot_game "$GAME_DIR"
  run_unattended /VERYSILENT
  check "a patch shipping a.txt and a.txt.qlybak installs (exit code 0)" exit_code_is 0
  rm -rf "$expected" && cp -R "$work/game-before" "$expected" && cp -R "$bundle_update/." "$expected/"
  check "both a.txt and a.txt.qlybak installed, nothing else changed" same_tree "$expected" "$game"
  rm -rf "$expected"
  rm -f "$bundle_update/a.txt" "$bundle_update/a.txt.qlybak"
}

SCENARIOS+=(link_to_outside planted_journal names_like_ours)
