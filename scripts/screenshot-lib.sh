# Sourced by the screenshot scripts, after wine-env.sh, xvfb.sh and
# lang-fonts.sh, with a display and Wine server up. Drives the real
# Quietfall.exe of build/$QF_ARCH/bin (or of QF_SHOT_BIN) as a person would and photographs it:
#   qf_shot_language <Name>     chooses the language as a user does (imports
#                               lang\<Name>.reg) and sets the fonts for its
#                               script (scripts/lang-fonts.sh)
#   qf_shot_menu <out.png>      the open menu with its timer sub-menu open
#   qf_shot_dialog <out.png>    the countdown dialog ("in 10 minutes")
#   qf_shot_restore             puts the language and fonts back to English
qf_shot_bin="${QF_SHOT_BIN:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/$QF_ARCH/bin}"
QF_SHOT_PROGRAM=

qf_shot_language() {
  local bin=$qf_shot_bin
  WINEDEBUG=-all wine regedit /S "Z:${bin//\//\\}\\lang\\$1.reg" >/dev/null 2>&1
  qf_use_face "$(qf_lang_face "$1")" "$(qf_lang_menu "$1")"
  QF_SHOT_TITLE=$(python3 -c '
import sys
for line in open(sys.argv[1], "rb").read().decode("utf-16").splitlines():
    if line.startswith("APP_TITLE="): print(line[10:]); break' "$bin/lang/$1.ini")
}

qf_shot_restore() {
  qf_shot_stop
  local bin=$qf_shot_bin
  WINEDEBUG=-all wine regedit /S "Z:${bin//\//\\}\\lang\\English.reg" >/dev/null 2>&1
  qf_use_face ""
}

# Waits up to 10 s for the program to end, then ends it.
_qf_shot_wait() {
  for _ in $(seq 40); do
    kill -0 "$QF_SHOT_PROGRAM" 2>/dev/null || break
    sleep 0.25
  done
  qf_shot_stop
}

qf_shot_stop() {
  if [ -n "$QF_SHOT_PROGRAM" ] && kill -0 "$QF_SHOT_PROGRAM" 2>/dev/null; then kill "$QF_SHOT_PROGRAM" 2>/dev/null || true; fi
  QF_SHOT_PROGRAM=
}

# Starts the program with the pointer at (x, y), waits for its menu (which
# opens at the pointer) and opens the timer sub-menu with the keyboard.
_qf_shot_open_timer_menu() {
  local x=$1 y=$2
  xdotool mousemove "$x" "$y"
  wine "$qf_shot_bin/Quietfall.exe" >/dev/null 2>&1 &
  QF_SHOT_PROGRAM=$!
  # The menu is the program's first visible window (its owner is hidden).
  for _ in $(seq 80); do
    if xdotool search --onlyvisible --class quietfall.exe >/dev/null 2>&1; then break; fi
    sleep 0.25
  done
  sleep 0.5
  # Keys reach the menu while the pointer is over it; the pointer selects the
  # first item, three steps down is the timer sub-menu.
  xdotool mousemove "$((x + 4))" "$((y + 4))"
  xdotool key Down Down Down Right
  sleep 0.8
}

# Saves the screen area of the program's visible windows, with a margin.
_qf_shot_crop() {
  local out=$1 margin=$2 shot
  shot=$(mktemp --suffix=.png)
  import -window root "$shot"
  # The bounding box of everything that is not the black background.
  local w h ox oy
  read -r w h ox oy < <(convert "$shot" -fuzz 1% -trim -format '%w %h %X %Y\n' info:)
  mkdir -p "$(dirname "$out")"
  convert "$shot" -crop "$((w + 2 * margin))x$((h + 2 * margin))+$((ox - margin))+$((oy - margin))" +repage "$out"
  rm -f "$shot"
}

qf_shot_menu() {
  _qf_shot_open_timer_menu 60 40
  _qf_shot_crop "$1" 16
  echo "screenshot: saved $1"
  xdotool key Escape Escape
  _qf_shot_wait
}

qf_shot_dialog() {
  _qf_shot_open_timer_menu 300 200
  xdotool key Return
  local dialog=
  for _ in $(seq 80); do
    dialog=$(xdotool search --onlyvisible --name "^${QF_SHOT_TITLE:-Quietfall}\$" 2>/dev/null | head -1 || true)
    [ -n "$dialog" ] && break
    sleep 0.25
  done
  if [ -z "$dialog" ]; then
    echo "screenshot: the countdown dialog did not appear" >&2
    qf_shot_stop
    return 1
  fi
  # Pointer away from the dialog, so the link shows in its plain colour.
  xdotool mousemove 5 5
  sleep 1
  _qf_shot_crop "$1" 12
  echo "screenshot: saved $1"
  # Keys go to the window under the pointer (no window manager).
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  xdotool mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 2))" key Escape
  _qf_shot_wait
}
