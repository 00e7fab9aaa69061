#!/usr/bin/env bash
# Reads the open action menu of the real Quietfall.exe from the screen (OCR),
# once with English alone and once with a language that the registry names:
# its texts are shown, and English fills in what it lacks or leaves empty.
# Runs outside Wine, on the tests' display. Usage: menu_screen_texts_e2e.sh <bin dir>
set -u
bin=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-env.sh"
source "$root/tests/support/screen_menu.sh"
work=$(mktemp -d)
key=$qf_language_key
qf_save_language_choice
cleanup() {
  qf_restore_language_choice
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/app/lang"
cp "$bin/Quietfall.exe" "$work/app/"
cp "$bin/lang/English.ini" "$work/app/lang/"
# UTF-16LE with the FF FE mark and CR LF, as language files come.
python3 - "$work/app/lang/Testish.ini" <<'PY'
import sys
text = "\r\n".join([
    "[MENU]",
    "MENUSTR_SHUTDOWN=Ausschalten",
    "MENUSTR_LOGOUT=Abmelden",
    "MENUSTR_RESTART=",
    "MENUSTR_TIMER=Zeitschaltung",
    "MENUSTR_ETC=Weitere Aktionen",
    "",
])
open(sys.argv[1], "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))
PY

# Shows the menu at (100, 100), reads it and dismisses it; prints the text.
read_menu() {
  qf_photograph_menu "$work/app/Quietfall.exe" "$work/menu-large.png" 260x200 || { echo "(no menu)"; return; }
  tesseract "$work/menu-large.png" stdout --psm 6 2>/dev/null
}

fail=0
expect_lines() {  # expect_lines <what> <text> <line>...
  local what=$1 text=$2; shift 2
  for line in "$@"; do
    grep -q -x -F "$line" <<<"$text" || { echo "FAIL: $what: no line \"$line\" in:"; echo "$text"; fail=1; }
  done
}
refuse_lines() {
  local what=$1 text=$2; shift 2
  for line in "$@"; do
    if grep -q -F "$line" <<<"$text"; then echo "FAIL: $what: \"$line\" shown"; fail=1; fi
  done
}

wine reg delete "$key" /v langFileName /f >/dev/null 2>&1
english=$(read_menu | sed 's/ *[=>»a]*$//' | sed '/^$/d')
expect_lines "English" "$english" "Shut down" "Log off" "Restart" "Timed shutdown" "Other actions" "Help"

wine reg add "$key" /v langFileName /t REG_SZ /d Testish /f >/dev/null 2>&1
chosen=$(read_menu | sed 's/ *[=>»a]*$//' | sed '/^$/d')
expect_lines "Testish" "$chosen" "Ausschalten" "Abmelden" "Restart" "Zeitschaltung" "Weitere Aktionen" "Help"
refuse_lines "Testish" "$chosen" "Shut down" "Log off" "MENUSTR"

if [ "$fail" = 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; fi
exit "$fail"
