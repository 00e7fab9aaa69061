#!/usr/bin/env bash
# Takes the picture of the countdown dialog for the README (docs/dialog.png):
# starts Quietfall in a virtual display, picks "in 10 minutes" from its menu
# with the keyboard, photographs the screen around the dialog and cancels it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Quietfall

source scripts/wine-env.sh
source scripts/xvfb.sh
program=
cleanup() {
  if [ -n "$program" ]; then kill "$program" 2>/dev/null || true; fi
  qf_session_down
}
trap cleanup EXIT
# Always a private virtual display, so the picture has nothing else on it.
unset DISPLAY
qf_session_up
xdotool mousemove 300 200
wine build/win32/bin/Quietfall.exe &
program=$!

for _ in $(seq 80); do
  xdotool search --onlyvisible --class 'quietfall.exe' >/dev/null 2>&1 && break
  sleep 0.25
done
sleep 0.5
# Keys reach the menu while the pointer is over it.
xdotool mousemove_relative 4 4
# The pointer over the first item selects it; three steps down is the timer sub-menu.
xdotool key Down Down Down Right
sleep 0.3
xdotool key Return

dialog=
for _ in $(seq 80); do
  dialog=$(xdotool search --onlyvisible --name '^Quietfall$' 2>/dev/null | head -1 || true)
  [ -n "$dialog" ] && break
  sleep 0.25
done
if [ -z "$dialog" ]; then
  echo "screenshot-dialog: the countdown dialog did not appear" >&2
  exit 1
fi
# Pointer away from the dialog, so the link shows in its plain colour.
xdotool mousemove 5 5
sleep 1
eval "$(xdotool getwindowgeometry --shell "$dialog")"
mkdir -p docs
shot=$(mktemp --suffix=.png)
import -window root "$shot"
# With Decorated=N in the prefix Wine draws the caption inside the geometry.
margin=12
top=12
convert "$shot" -crop "$((WIDTH + 2 * margin))x$((HEIGHT + margin + top))+$((X - margin))+$((Y - top))" +repage docs/dialog.png
rm -f "$shot"
echo "screenshot-dialog: saved docs/dialog.png (${WIDTH}x${HEIGHT} dialog)"
xdotool key --window "$dialog" Escape || true
wait "$program" || true
program=
