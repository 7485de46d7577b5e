# End-to-end scenario of the face a packed patch shows before it runs: the version resource
# (file properties, the administrator prompt) and the icon, read back from the file by
# wrestool, before and after signing; then the signed exe installs the patch unattended.
# Sourced by tests/e2e/run.sh, whose helpers and session it uses; adds its scenario to
# SCENARIOS.

# The value of KEY in the layout file's [product] section. Usage: product_value KEY
product_value() {
  awk -F= -v key="$1" '
    /^\[/ { inside = tolower($0) ~ /^\[product\]/ }
    inside && $1 == key { sub(/\r$/, "", $2); print $2; exit }' "$INI"
}

# The version resource of an exe as "Name=Value" lines and "fixed=a.b.c.d" (the file version of
# its fixed part), read by wrestool. Usage: version_of EXE
version_of() {
  wrestool -x --type=16 --raw "$1" 2>/dev/null | python3 -c '
import struct, sys
data = sys.stdin.buffer.read()
at = data.find(struct.pack("<I", 0xFEEF04BD))
if at < 0:
    sys.exit(1)
ms, ls = struct.unpack_from("<II", data, at + 8)
print("fixed=%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF))
def block(pos, end):
    # length, value length (words for text), type, key, padding, value, children
    while pos + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", data, pos)
        if length == 0:
            return
        key_end = pos + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[pos + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        if kind == 1 and value_length and key not in ("StringFileInfo", "VarFileInfo"):
            text = data[value_at:value_at + 2 * value_length].decode("utf-16-le").rstrip("\0")
            print("%s=%s" % (key, text))
        children = (value_at + (2 * value_length if kind == 1 else value_length) + 3) & ~3
        if key in ("VS_VERSION_INFO", "StringFileInfo") or (len(key) == 8 and kind == 1 and not value_length):
            block(children, pos + length)
        pos = (pos + length + 3) & ~3
block(0, len(data))'
}

# The exe shows the layout file's [product] in its version resource and icon.ico as its
# icon; its header checksum is the file's. Usage: shows_face EXE WHICH
shows_face() {
  local exe=$1 which=$2 strings
  strings=$(version_of "$exe") || { fail "$which: version resource read back"; return; }
  local version
  version=$(product_value version)
  check "$which: CompanyName from [product]" grep -qxF "CompanyName=$(product_value company)" <<<"$strings"
  check "$which: FileDescription from [product]" grep -qxF "FileDescription=$(product_value description)" <<<"$strings"
  check "$which: ProductName from [product]" grep -qxF "ProductName=$(product_value name)" <<<"$strings"
  check "$which: FileVersion from [product]" grep -qxF "FileVersion=$version" <<<"$strings"
  check "$which: fixed file version $version" grep -qxF "fixed=$version" <<<"$strings"
  check "$which: its icon's pictures are icon.ico's" same_icon "$exe"
  check "$which: its header checksum is the file's" \
    not_grep_output "Calculated PE checksum" osslsigncode verify -in "$exe"
}

# Succeeds when the icon group of EXE holds the pictures of the bundle's icon.ico, compared
# picture by picture (wrestool pads the file it assembles). Usage: same_icon EXE
same_icon() {
  rm -rf "$work/icons" && mkdir -p "$work/icons/bundle" "$work/icons/exe"
  cp "$BUNDLE/icon.ico" "$work/icons/bundle/face.ico" &&
    wrestool -x --type=14 "$1" >"$work/icons/exe/face.ico" 2>/dev/null &&
    (cd "$work/icons/bundle" && icotool -x face.ico) &&
    (cd "$work/icons/exe" && icotool -x face.ico) &&
    [ -n "$(ls "$work/icons/exe"/*.png 2>/dev/null)" ] &&
    diff -r -x face.ico "$work/icons/bundle" "$work/icons/exe" >/dev/null
}

# Runs a command and succeeds when its output (both streams) does not match PATTERN.
# Usage: not_grep_output PATTERN COMMAND...
not_grep_output() {
  local pattern=$1
  shift
  ! "$@" 2>&1 | grep -q "$pattern"
}

# Every subcommand of the tool answers --help with its usage, and the Linux programs say the
# version the installer's own resource carries. Usage: tools_answer_help_and_version
tools_answer_help_and_version() {
  local s version
  for s in check preview manifest lang pack make; do
    "$TOOL" "$s" --help | grep -q "^usage: qlypatch-tool $s " || return 1
  done
  version=$(version_of "$EXE" | sed -n 's/^FileVersion=//p')
  [ -n "$version" ] && [ "$("$TOOL" --version)" = "qlypatch-tool $version" ] &&
    [ "$("$(dirname "$TOOL")/qlypatch-linux" --version)" = "qlypatch-linux $version" ]
}

scenario_packed_face() {
  local game dir
  game=$(session_unix_path "$GAME_DIR")
  dir=$(session_unix_path "$PACKED_DIR")
  rm -rf "$dir" && mkdir -p "$dir"
  [ -f "$BUNDLE/icon.ico" ] && [ -n "$(product_value name)" ] ||
    { fail "the bundle has [product] and icon.ico"; return; }
  check "bundle packed into one exe and signed" pack_signed "$dir/qlypatch.exe"
  check "the packed exe is a program anyone may run" [ -x "$work/unsigned.exe" ]
  check "every subcommand answers --help, the tools --version" tools_answer_help_and_version
  check "the installer's own icon and version are not the bundle's" \
    not_grep_output "^FileDescription=$(product_value description)$" version_of "$EXE"
  shows_face "$work/unsigned.exe" "packed"
  shows_face "$dir/qlypatch.exe" "signed"
  check "the signature verifies" \
    grep_output "Signature verification: ok" osslsigncode verify -CAfile "$work/sign.crt" -in "$dir/qlypatch.exe"

  session_register full "$GAME_DIR"
  snapshot_game "$GAME_DIR"
  : >"$work/app.out"
  QLYPATCH_LOG=$LOG_WIN session_run_app "$work" "$RUN_SECONDS" "$PACKED_DIR\\qlypatch.exe" /VERYSILENT
  check "the signed exe installs unattended: exit code 0" exit_code_is 0
  check "patch tree copied byte for byte into the game folder" patched_like "$game" "$work/game-before"
}

# Succeeds when the command's output (both streams) matches PATTERN. Usage: grep_output PATTERN COMMAND...
grep_output() {
  local pattern=$1
  shift
  "$@" 2>&1 | grep -q "$pattern"
}

SCENARIOS+=(packed_face)
