# The installer's window seen from outside: where the layout file puts its controls, finding
# the window on the X display, clicking, reading its caption, taking and comparing screenshots.
# Sourced by tests/e2e/run.sh and scripts/demo.sh; needs DISPLAY.

# Value of KEY in SECTION of a profile file: names without regard to case, blanks around the
# value removed, one pair of matching quotes removed. Empty when missing.
# Usage: ini_get FILE SECTION KEY
ini_get() {
  tr -d '\r' <"$1" | awk -v s="$2" -v k="$3" '
    /^[ \t]*\[/ { sub(/^[ \t]*\[/, ""); sub(/\].*$/, ""); in_s = (tolower($0) == tolower(s)); next }
    in_s {
      eq = index($0, "="); if (!eq) next
      name = substr($0, 1, eq - 1); gsub(/^[ \t]+|[ \t]+$/, "", name)
      if (tolower(name) != tolower(k)) next
      v = substr($0, eq + 1); gsub(/^[ \t]+|[ \t]+$/, "", v)
      if (length(v) >= 2 && (v ~ /^".*"$/ || v ~ /^\047.*\047$/)) v = substr(v, 2, length(v) - 2)
      print v; exit
    }'
}

# Whole-pixel number of KEY in SECTION (blanks ignored, halves rounded to even as the
# installer does), 0 when missing or not a number.
# Usage: ini_number FILE SECTION KEY
ini_number() {
  local v
  v=$(ini_get "$@" | tr -d ' \t')
  awk -v v="$v" 'BEGIN { if (v ~ /^[-+]?[0-9]*\.?[0-9]+/) printf "%.0f\n", v + 0; else print 0 }'
}

# Centre of a control placed by SECTION, relative to the window: prints "X Y".
# Usage: ini_centre FILE SECTION [DEFAULT_HEIGHT]
ini_centre() {
  local x y w h
  x=$(ini_number "$1" "$2" x)
  y=$(ini_number "$1" "$2" y)
  w=$(ini_number "$1" "$2" szer)
  h=$(ini_number "$1" "$2" wys)
  ((h > 0)) || h=${3:-0}
  echo "$((x + w / 2)) $((y + h / 2))"
}

# Id of the installer's main window, waiting up to SECONDS for it to appear. Wine gives the
# process's helper windows the same class (the exe's name), so the main window is the visible
# one of that class with the skin's size. Usage: window_wait SECONDS WIDTH HEIGHT
window_wait() {
  local id end=$((SECONDS + $1)) WIN_X WIN_Y WIN_W WIN_H
  while ((SECONDS < end)); do
    for id in $(xdotool search --onlyvisible --classname '^qlypatch\.exe$' 2>/dev/null); do
      window_geometry "$id" && [ "$WIN_W" = "$2" ] && [ "$WIN_H" = "$3" ] && { echo "$id"; return 0; }
    done
    sleep 0.2
  done
  return 1
}

# Id of another visible window of the installer than MAIN_ID (a dialog: its helper windows
# stay unmapped), waiting up to SECONDS. Usage: window_wait_dialog MAIN_ID SECONDS
window_wait_dialog() {
  local id end=$((SECONDS + $2))
  while ((SECONDS < end)); do
    for id in $(xdotool search --onlyvisible --classname '^qlypatch\.exe$' 2>/dev/null); do
      [ "$id" != "$1" ] && { echo "$id"; return 0; }
    done
    sleep 0.2
  done
  return 1
}

# True while the window with ID still exists and is mapped.
window_alive() {
  xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# Waits up to SECONDS for the window ID to go away.
window_wait_gone() {
  local end=$((SECONDS + $2))
  while ((SECONDS < end)); do
    window_alive "$1" || return 0
    sleep 0.2
  done
  return 1
}

# Current caption of window ID.
window_caption() {
  xdotool getwindowname "$1" 2>/dev/null
}

# Waits up to SECONDS for the caption of ID to equal TEXT. Usage: window_wait_caption ID TEXT SECONDS
window_wait_caption() {
  local end=$((SECONDS + $3))
  while ((SECONDS < end)); do
    [ "$(window_caption "$1")" = "$2" ] && return 0
    sleep 0.2
  done
  return 1
}

# Sets WIN_X WIN_Y WIN_W WIN_H to the window's place on the screen.
window_geometry() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null)" || return 1
  WIN_X=$X WIN_Y=$Y WIN_W=$WIDTH WIN_H=$HEIGHT
  [ -n "$WIN_W" ]
}

# Clicks BUTTON (1 left, 3 right) at X Y relative to the window's top-left corner.
# Usage: window_click ID X Y [BUTTON]
window_click() {
  window_geometry "$1" || return 1
  # No --sync: it waits for a motion event, which never comes when the pointer is already there.
  xdotool mousemove $((WIN_X + $2)) $((WIN_Y + $3)) sleep 0.1 click "${4:-1}"
}

# Screenshot of the window as it stands on the screen (cut from the root window, so that
# the rounded region shows as the desktop behind it). Usage: window_shot ID FILE
window_shot() {
  window_geometry "$1" || return 1
  import -silent -window root -crop "${WIN_W}x${WIN_H}+${WIN_X}+${WIN_Y}" +repage "$2" 2>/dev/null
}

# Waits up to SECONDS until the window stops changing (the scrolling text has come to rest:
# three shots in a row half a second apart are identical), leaving the last shot in FILE.
# Usage: window_wait_still ID FILE SECONDS
window_wait_still() {
  local id=$1 file=$2 same=0 prev="$2.prev.png" end=$((SECONDS + $3))
  rm -f "$prev"
  while ((SECONDS < end)); do
    window_shot "$id" "$file" || return 1
    if [ -f "$prev" ] && [ "$(images_differ_by "$prev" "$file" 0)" = 0 ]; then
      same=$((same + 1))
      ((same >= 2)) && { rm -f "$prev"; return 0; }
    else
      same=0
    fi
    cp "$file" "$prev"
    sleep 0.5
  done
  rm -f "$prev"
  return 1
}

# Number of pixels that differ between two images by more than FUZZ percent of the colour
# range; "size" when the sizes differ, "error" when an image cannot be read.
# Usage: images_differ_by A B FUZZ_PERCENT [DIFF_IMAGE]
images_differ_by() {
  local out rc size_a size_b
  size_a=$(identify -format '%wx%h' "$1" 2>/dev/null) || { echo error; return; }
  size_b=$(identify -format '%wx%h' "$2" 2>/dev/null) || { echo error; return; }
  [ "$size_a" = "$size_b" ] || { echo size; return; }
  rc=0
  out=$(compare -metric AE -fuzz "$3%" "$1" "$2" "${4:-null:}" 2>&1) || rc=$?
  ((rc <= 1)) || { echo error; return; }
  printf '%.0f\n' "${out%% *}"
}
