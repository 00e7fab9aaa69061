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
# Wine reads both when a program starts. The same rule is in
# tests/lang/language_table.h.

qf_lang_face() {
  case "$1" in
    Japanese | Korean | ChineseSimplified | ChineseTraditional) echo "WenQuanYi Micro Hei" ;;
    Greek | Vietnamese | Arabic | Persian | Hebrew) echo "DejaVu Sans" ;;
  esac
}

QF_FACE_IN_USE=/
qf_lang_menu() {
  case "$1" in
    Greek | Vietnamese | Arabic | Persian | Hebrew) echo menu ;;
  esac
}

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
