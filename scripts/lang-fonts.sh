# Sourced (after wine-env.sh): fonts that draw a language's script in the test
# prefix. Wine's own Tahoma, which the prefix's dialogs and menus use, has
# Latin, Greek, Cyrillic and Arabic letters, and reaches Chinese, Japanese and
# Korean through its font link (scripts/bootstrap.sh); it has no Hebrew, and
# its bold face, which the countdown's message line uses, reaches nothing. So
# while a language of those scripts is shown, the dialog font ("MS Shell Dlg"
# and "MS Shell Dlg 2", through Wine's font replacements; Tahoma itself cannot
# be replaced while it is installed) is set to a face that has its letters,
# and for the scripts the link does not reach, the menu font as well:
#   qf_lang_face <Name>       prints the face a language needs, or nothing
#   qf_lang_menu <Name>       prints "menu" when its menus need it too
#   qf_use_face <face> [menu] sets it for dialogs, and with "menu" for menus
#                             too (no face: puts the prefix's fonts back)
# Wine reads both when a program starts. Which face a language needs, and
# whether its menus need it too, is read from the languages' table of the
# tests, tests/lang/language_table.h (its last two fields), so the rule is
# written once.
qf_lang_table="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/lang/language_table.h"

# The language's row of the table: {"Name", code page, ..., face, menu face}.
_qf_lang_row() {
  grep -E "^ *\{\"$1\"," "$qf_lang_table" || { echo "lang-fonts: no language $1 in $qf_lang_table" >&2; return 1; }
}

qf_lang_face() {
  local constant
  constant=$(_qf_lang_row "$1" | sed -nE 's/.*, *([A-Za-z]+), *(true|false)\}, *$/\1/p') || return 1
  [ "$constant" = nullptr ] && return 0
  sed -nE "s/^constexpr const char\* $constant = \"(.*)\";/\1/p" "$qf_lang_table"
}

qf_lang_menu() {
  local row
  row=$(_qf_lang_row "$1") || return 1
  if grep -qE ', *true\}, *$' <<<"$row"; then echo menu; fi
}

QF_FACE_IN_USE=/
qf_use_face() {
  local face=$1 menu=${2:-}
  [ "$face/$menu" = "$QF_FACE_IN_USE" ] && return 0
  local file; file=$(mktemp --suffix=.reg)
  python3 - "$face" "$menu" "$file" <<'PY'
import sys
face, menu, path = sys.argv[1:]
# The menu font as the prefix has it (8 points, normal weight, "MS Shell
# Dlg"), with only the face changed when one is given.
logfont = bytes.fromhex("f5ffffff000000000000000000000000900100000000000000000022")
name = (face if menu else "MS Shell Dlg").encode("utf-16-le")
logfont += name + bytes(64 - len(name))
data = '"' + face + '"' if face else "-"
lines = [
    "Windows Registry Editor Version 5.00", "",
    r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]",
    '"MS Shell Dlg"=' + data, '"MS Shell Dlg 2"=' + data, "",
    r"[HKEY_CURRENT_USER\Control Panel\Desktop\WindowMetrics]",
    '"MenuFont"=hex:' + ",".join("%02x" % b for b in logfont), "",
]
open(path, "wb").write(b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le"))
PY
  WINEDEBUG=-all wine regedit /S "Z:${file//\//\\}" >/dev/null 2>&1
  rm -f "$file"
  QF_FACE_IN_USE=$face/$menu
}
