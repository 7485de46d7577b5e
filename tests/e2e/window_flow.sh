# End-to-end scenarios of the window as a player meets it: start-up, the run with its progress,
# the exit and close buttons, the languages, the registry's editions and views, the folder
# browser, the link areas and the system's scale. Sourced by tests/e2e/run.sh, whose helpers and
# session it uses; adds its scenarios to SCENARIOS.

# Full edition registered in the 32-bit view, English locale: start-up, the copy with progress
# in the caption, the exit button and the Favorites shortcut. The bundle carries a matching
# update.sha256, so every file is hashed (by the system's CNG) on its way in.
scenario_full_edition() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  write_manifest || { fail "manifest written"; return; }
  start_installer en_US.UTF-8 || return
  check "caption at start is 'Quillory - Install'" [ "$(window_caption "$WIN")" = "Quillory - Install" ]
  look_like start
  check "introduction shown in English" logged "$ENG_LNG" przed1
  tolerance_rejects_moved_button

  window_click "$WIN" "$BUTTON_X" "$BUTTON_Y"
  check "caption shows ' 100% QLY!' after the copy" window_wait_caption "$WIN" " 100% QLY!" "$RUN_SECONDS"
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  look_like done
  check "patch tree copied byte for byte into the game folder" patched_like "$game" "$work/game-before"
  check "caption keeps ' 100% QLY!' after the run" [ "$(window_caption "$WIN")" = " 100% QLY!" ]
  check "no Favorites shortcut before the window closes" [ ! -e "$(favorites_file)" ]

  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0 || return
  check "Favorites shortcut written at close, exact bytes" favorites_written
  check "outcome logged: game found, every byte copied" \
    outcome_is "outcome: exit code 0, the patch was installed; $(patch_bytes) bytes copied"
  check "every log line is timestamped" all_lines_stamped
  check "log names the game folder and its registry view" \
    logged_line "game folder: C:.Games.Quillory (registry, full edition, 32-bit view)"
}

# The harness's own guard: the screenshot tolerance must be tight enough to notice a control
# out of place. The button's area of the reference is pasted 6 pixels to the right.
tolerance_rejects_moved_button() {
  local ref="$REFERENCE/start.png" moved="$SCENARIO_OUT/start-moved-button.png" x y w h n limit
  [ -f "$ref" ] || { fail "tolerance rejects a window whose button moved 6 px" "no $ref"; return; }
  x=$(ini_number "$INI" button x) y=$(ini_number "$INI" button y)
  w=$(ini_number "$INI" button szer) h=$(ini_number "$INI" button wys)
  convert "$ref" \( "$ref" -crop "${w}x${h}+${x}+${y}" +repage \) -geometry "+$((x + 6))+${y}" \
    -composite "$moved" || { fail "tolerance rejects a window whose button moved 6 px" "convert failed"; return; }
  n=$(images_differ_by "$ref" "$moved" "$FUZZ")
  limit=$(($(identify -format '%w*%h' "$ref") * LIMIT_PER_MILLE / 1000))
  if [[ $n =~ ^[0-9]+$ ]] && ((n > limit)); then
    pass "tolerance rejects a window whose button moved 6 px ($n pixels differ, limit $limit)"
  else
    fail "tolerance rejects a window whose button moved 6 px" "$n pixels differ (limit $limit)"
  fi
}

# "-reset" as the only argument: the copy happens, but neither bar nor caption shows progress.
scenario_reset_argument() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 -reset || return
  press_update start
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  rest_shot done
  check "patch tree copied into the game folder" patched_like "$game" "$work/game-before"
  check "caption stays 'Quillory - Install'" [ "$(window_caption "$WIN")" = "Quillory - Install" ]
  check "no progress bar drawn" not_logged_line 'bar: '
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0 || return
  check "outcome logged: installed, every byte copied" \
    outcome_is "outcome: exit code 0, the patch was installed; $(patch_bytes) bytes copied"
}

# A Polish locale picks the Polish language file; the close button ends the program and the
# unload still writes the Favorites shortcut.
scenario_polish_locale() {
  session_register full "$GAME_DIR"
  start_installer pl_PL.UTF-8 || return
  check "introduction shown in Polish" wait_logged 60 "$POL_LNG" przed1
  check "no English introduction" not_logged "$ENG_LNG" przed1
  rest_shot start
  link_opens_through_the_shell linkleft
  window_geometry "$WIN"
  # The close button stands 10 pixels from the right edge and 8 from the top, 20 by 20.
  exits_on_click $((WIN_W - 20)) 18 "the close button" 2 &&
    check "Favorites shortcut written at close" favorites_written
  check "log tells the run never started" \
    logged_line "outcome: exit code 2, the user closed the installer before installing"
}

# A click on the link area of SECTION opens its link. The installer runs elevated under wine
# too; it opens the link through the desktop's shell (wine's explorer answers for it) or, where
# that fails, by itself, and the log says which. Usage: link_opens_through_the_shell SECTION
link_opens_through_the_shell() {
  local x y link end=$((SECONDS + 20)) how=
  read -r x y < <(ini_centre "$INI" "$1")
  link=$(ini_get "$INI" "$1" link)
  window_click "$WIN" "$x" "$y"
  while ((SECONDS < end)) && [ -z "$how" ]; do
    how=$(log_lines | grep -E "^shell: .*(opened as the desktop's user|opened elevated): " |
      grep -F ": $link" | head -n 1)
    sleep 0.2
  done
  if [ -n "$how" ]; then
    pass "$1 opens its link and logs how ($how)"
  else
    fail "$1 opens its link and logs how" "no 'shell:' line for $link in the log"
  fi
}

# Nothing registered: the "neg" lines, nothing copied, and the button turns into exit.
scenario_nothing_registered() {
  local game
  game=$(session_unix_path "$GAME_DIR")
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 || return
  press_update start
  check "'game not found' lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" neg1
  rest_shot done
  check "no success lines" not_logged "$ENG_LNG" poz1
  check "game folder untouched" same_tree "$work/game-before" "$game"
  check "caption stays 'Quillory - Install'" [ "$(window_caption "$WIN")" = "Quillory - Install" ]
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 3 || return
  check "outcome logged: no game, nothing copied" \
    outcome_is "outcome: exit code 3, the game was not found (and no folder was chosen); nothing copied"
}

# Only the DEMO edition, registered in the 64-bit view: the installer falls back to that view
# and patches "<value>\Quillory DEMO"; the full edition's folder stays as it was.
scenario_demo_edition_64bit_view() {
  local demo_game full_game demo_dir="$DEMO_ROOT\\Quillory DEMO"
  demo_game=$(session_unix_path "$demo_dir")
  full_game=$(session_unix_path "$GAME_DIR")
  session_make_game "$demo_dir"
  session_register demo "$DEMO_ROOT" /reg:64
  snapshot_game "$demo_dir"
  cp -R "$full_game" "$work/full-before"
  start_installer en_US.UTF-8 || return
  press_update start
  check "success lines logged" wait_logged "$RUN_SECONDS" "$ENG_LNG" poz1
  rest_shot done
  check "patch tree copied into the DEMO folder" patched_like "$demo_game" "$work/game-before"
  check "full edition's folder untouched" same_tree "$work/full-before" "$full_game"
  rm -rf "$work/full-before"
  exits_on_click "$BUTTON_X" "$BUTTON_Y" "the exit button" 0
}

# The registered folder lacks main.exe: the installer says so, opens the folder browser, and a
# cancel ends the run as if no game were installed.
scenario_folder_browser_cancel() {
  local game dialog
  game=$(session_unix_path "$GAME_DIR")
  rm -f "$game/main.exe"
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 || return
  press_update start
  check "'cannot find' and 'give the folder' lines logged" \
    wait_logged 60 "$ENG_LNG" "nie moge znalezc" "podaj folder"
  if dialog=$(window_wait_dialog "$WIN" 30); then
    pass "folder browser opens"
    window_shot "$dialog" "$SCENARIO_OUT/browser.png"
    xdotool windowfocus --sync "$dialog" key --clearmodifiers Escape 2>/dev/null
    check "folder browser closes on Escape" window_wait_gone "$dialog" 20 || return
  else
    fail "folder browser opens"
    return
  fi
  check "'game not found' lines logged after the cancel" wait_logged "$RUN_SECONDS" "$ENG_LNG" neg1
  check "game folder untouched" same_tree "$work/game-before" "$game"
  press_exit 3 || return
  check "outcome logged: no game after the cancel" \
    outcome_is "outcome: exit code 3, the game was not found (and no folder was chosen); nothing copied"
}

# Choosing another language in the selector clears the text area and shows the introduction in
# that language; the update run then reports in it too.
scenario_language_switch() {
  local game cx cy lng chosen=
  game=$(session_unix_path "$GAME_DIR")
  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  start_installer en_US.UTF-8 || return
  rest_shot start
  # The closed selector's height is the system's; 10 pixels down hits it.
  read -r cx cy < <(ini_centre "$INI" select 20)
  window_click "$WIN" "$cx" "$cy"
  sleep 0.5
  xdotool key Down sleep 0.3 key Return
  # The catalogue's order is the folder listing's, so any language but English may come next.
  local end=$((SECONDS + 60))
  while ((SECONDS < end)) && [ -z "$chosen" ]; do
    log_since_last_cls >"$work/switched.log"
    for lng in "$BUNDLE"/lang/*.lng; do
      [ "$lng" = "$ENG_LNG" ] && continue
      "$LANG_TEXT" has "$work/switched.log" "$lng" przed1 2>/dev/null && chosen=$lng
    done
    sleep 0.5
  done
  if [ -z "$chosen" ]; then
    fail "selector switches to another language" "log after the last cls: $(head -c 200 "$work/switched.log")"
    return
  fi
  pass "selector switches to $(basename "$chosen"): text area cleared, introduction shown in it"
  press_update switched
  check "success lines logged in the chosen language" wait_logged "$RUN_SECONDS" "$chosen" poz1
  check "patch tree copied into the game folder" patched_like "$game" "$work/game-before"
  press_exit 0
}

# The system's scale in the prefix, in dots per inch; a program started afterwards sees it.
set_dpi() {
  session_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f
}

# Region SECTION of the layout file in the screenshot FILE against the same region of the
# reference NAME. Usage: region_like NAME SECTION FILE
region_like() {
  local ref="$REFERENCE/$1.png" x y w h n limit
  x=$(ini_number "$INI" "$2" x) y=$(ini_number "$INI" "$2" y)
  w=$(ini_number "$INI" "$2" szer) h=$(ini_number "$INI" "$2" wys)
  convert "$ref" -crop "${w}x${h}+${x}+${y}" +repage "$SCENARIO_OUT/$2-ref.png" &&
    convert "$3" -crop "${w}x${h}+${x}+${y}" +repage "$SCENARIO_OUT/$2.png" ||
    { fail "$2 looks like in reference $1" "convert failed"; return 1; }
  n=$(images_differ_by "$SCENARIO_OUT/$2-ref.png" "$SCENARIO_OUT/$2.png" "$FUZZ" "$SCENARIO_OUT/$2-diff.png")
  limit=$((w * h * LIMIT_PER_MILLE / 1000))
  if [[ $n =~ ^[0-9]+$ ]] && ((n <= limit)); then
    pass "$2 looks like in reference $1 ($n of at most $limit pixels differ)"
  else
    fail "$2 looks like in reference $1" "$n pixels differ (limit $limit); see $SCENARIO_OUT/$2-diff.png"
  fi
}

# At 150% (144 dots per inch) the window keeps the pixel sizes it has at 96: the introduction
# wraps into the same lines of the same font, so the text area looks as in the reference taken
# at 96. The rest of the window is compared as a figure only: the system draws the selector's
# arrow button at the system's scale.
scenario_raised_dpi() {
  local n
  session_register full "$GAME_DIR"
  set_dpi 144
  if start_installer en_US.UTF-8 && window_wait_still "$WIN" "$SCENARIO_OUT/start.png" "$STILL_SECONDS"; then
    region_like start textscroll "$SCENARIO_OUT/start.png"
    check "window keeps the skin's size" [ "$(identify -format '%w %h' "$SCENARIO_OUT/start.png")" = "$SKIN_SIZE" ]
    n=$(images_differ_by "$REFERENCE/start.png" "$SCENARIO_OUT/start.png" "$FUZZ")
    echo "  whole window at 144 dpi against the reference at 96: $n pixels differ"
  else
    fail "installer comes to rest at 144 dpi"
  fi
  session_stop_app
  set_dpi 96
}

SCENARIOS+=(full_edition reset_argument polish_locale nothing_registered demo_edition_64bit_view
  folder_browser_cancel language_switch raised_dpi)
