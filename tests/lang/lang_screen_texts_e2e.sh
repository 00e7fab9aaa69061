#!/usr/bin/env bash
# The menu texts of each language are drawn as letters, not as empty boxes:
# the language is chosen by importing its lang\<Name>.reg, the real
# Quietfall.exe opens its menu, and the menu is read back from the screen
# with the OCR data of that language. Enough of each text must be recognised;
# boxes are not recognised as anything. The fonts are those of
# scripts/lang-fonts.sh. Runs outside Wine, on the tests'
# display. Usage: lang_screen_texts_e2e.sh <bin dir> [Name...]
set -u
bin=$1
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-env.sh"
source "$root/scripts/lang-fonts.sh"
source "$root/tests/support/screen_menu.sh"

# Language file, OCR language.
table=(
  "English eng" "German deu" "Russian rus" "Japanese jpn" "ChineseSimplified chi_sim"
  "Korean kor" "Arabic ara" "Hebrew heb"
)
if (($#)); then
  chosen=()
  for row in "${table[@]}"; do
    for name in "$@"; do [ "${row%% *}" = "$name" ] && chosen+=("$row"); done
  done
  table=("${chosen[@]}")
fi

work=$(mktemp -d)
qf_save_language_choice
cleanup() {
  qf_use_face ""
  qf_restore_language_choice
  rm -rf "$work"
}
trap cleanup EXIT

winpath() { echo "Z:${1//\//\\}"; }

fail=0
for row in "${table[@]}"; do
  read -r name ocr <<<"$row"
  wine regedit /S "$(winpath "$bin/lang/$name.reg")" >/dev/null 2>&1
  qf_use_face "$(qf_lang_face "$name")" "$(qf_lang_menu "$name")"
  if ! qf_photograph_menu "$bin/Quietfall.exe" "$work/$name.png" 300x170; then
    echo "FAIL: $name: no menu shown"; fail=1; continue
  fi
  tesseract "$work/$name.png" "$work/$name" -l "$ocr" --psm 6 >/dev/null 2>&1
  # Scores each menu text of the file against the best line read.
  if ! python3 - "$bin/lang/$name.ini" "$work/$name.txt" "$name" <<'PY'
import difflib, re, sys
ini, ocr, name = sys.argv[1:]
text = open(ini, "rb").read().decode("utf-16")
section, items = None, []
for line in text.split("\r\n"):
    if line.startswith("["):
        section = line.strip("[]")
    elif section == "MENU" and "=" in line and not line.startswith(";"):
        key, value = line.split("=", 1)
        if key in ("MENUSTR_SHUTDOWN", "MENUSTR_LOGOUT", "MENUSTR_RESTART", "MENUSTR_TIMER",
                   "MENUSTR_ETC", "MENUSTR_HELP_PAGE"):
            # What is drawn: no "(&X)" suffix, no "&", nothing after a tab.
            value = re.sub(r"\(&.\)", "", value.split("\\t")[0]).replace("&", "")
            items.append((key, value))
squeeze = lambda s: re.sub(r"\s+", "", s)
lines = [squeeze(l) for l in open(ocr, encoding="utf-8").read().splitlines() if l.strip()]

def recall(expected, line):
    """Share of the expected letters found, in order, in the line read."""
    blocks = difflib.SequenceMatcher(None, expected, line, autojunk=False).get_matching_blocks()
    return sum(b.size for b in blocks) / len(expected)

scores = []
for key, value in items:
    best = max((recall(squeeze(value), l) for l in lines), default=0)
    scores.append(best)
    print(f"  {name} {key}: {best:.2f} \"{value}\"")
mean = sum(scores) / len(scores)
print(f"  {name}: {mean:.2f} of the letters read")
sys.exit(0 if mean >= 0.6 else 1)
PY
  then
    echo "FAIL: $name: the menu texts were not read from the screen; OCR gave:"
    cat "$work/$name.txt"
    fail=1
  fi
done

if [ "$fail" = 0 ]; then echo "${#table[@]} passed, 0 failed"; else echo "some failed"; fi
exit "$fail"
