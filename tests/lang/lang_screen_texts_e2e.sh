#!/usr/bin/env bash
# The menu texts of each language are drawn as letters, not as empty boxes:
# the language is chosen by importing its lang\<Name>.reg, the real
# Quietfall.exe opens its menu, and the menu is read back from the screen
# with the OCR data of that language. Enough of each text must be recognised;
# boxes are not recognised as anything; then the countdown line of a
# right-to-left language. The fonts are those of
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

# A right-to-left countdown: the line of the Hebrew file is read back from
# the real dialog, and the time must stand as one left-to-right run at the
# line's left end, where a right-to-left line ends.
QF_SHOT_BIN=$bin source "$root/scripts/screenshot-lib.sh"
qf_shot_language Hebrew
if ! qf_shot_dialog "$work/dialog-Hebrew.png" >/dev/null; then
  echo "FAIL: Hebrew: no countdown dialog shown"; fail=1
else
  convert "$work/dialog-Hebrew.png" -colorspace Gray -resize 300% "$work/dialog-Hebrew-big.png"
  tesseract "$work/dialog-Hebrew-big.png" "$work/dialog-Hebrew" -l heb+eng --psm 6 tsv >/dev/null 2>&1
  if ! python3 - "$bin/lang/Hebrew.ini" "$work/dialog-Hebrew.tsv" <<'PY'
import csv, difflib, re, sys
ini, tsv = sys.argv[1:]
values = dict(l.split("=", 1) for l in open(ini, "rb").read().decode("utf-16").split("\r\n") if "=" in l)
expected = values["TEXT_COUNTDOWN_SHUTDOWN"].replace(" ", "")
words = [w for w in csv.DictReader(open(tsv, encoding="utf-8"), delimiter="\t", quoting=csv.QUOTE_NONE)
         if w["level"] == "5" and w["text"].strip()]
times = [w for w in words if re.search(r"\d\d:\d\d:\d\d", w["text"])]
if not times:
    sys.exit(f"  no time on the line; read {[w['text'] for w in words]}")
time = times[0]
line = [w for w in words if w["line_num"] == time["line_num"] and w["block_num"] == time["block_num"]]
hebrew = [w for w in line if re.search("[\u05d0-\u05ea]", w["text"])]
def share(read):
    blocks = difflib.SequenceMatcher(None, expected, read, autojunk=False).get_matching_blocks()
    return sum(b.size for b in blocks) / len(expected)
# The words in either order: reading order or the order on the screen.
texts = [w["text"] for w in hebrew]
read = max(("".join(texts), "".join(reversed(texts))), key=share)
share = share(read)
print(f"  Hebrew countdown: time {time['text']!r}, words {read!r}, {share:.2f} of the letters read")
if share < 0.6:
    sys.exit("  the line's words were not read")
if not hebrew or int(time["left"]) > min(int(w["left"]) for w in hebrew):
    sys.exit("  the time is not at the left end of the line")
PY
  then
    echo "FAIL: Hebrew: the countdown line does not read as the file says"; fail=1
  fi
fi
qf_shot_restore

if [ "$fail" = 0 ]; then echo "${#table[@]} passed, 0 failed"; else echo "some failed"; fi
exit "$fail"
