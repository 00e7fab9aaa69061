#!/usr/bin/env bash
# Takes the README's picture of the open action menu: builds Quietfall, opens
# its menu in a virtual display and saves the area around it as docs/menu.png
# (or the path given as the first argument).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="${1:-$root/docs/menu.png}"
cd "$root"
scripts/bootstrap.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Quietfall qf_lang_files

source scripts/wine-env.sh
source scripts/xvfb.sh
program=
cleanup() {
  if [ -n "$program" ] && kill -0 "$program" 2>/dev/null; then kill "$program" 2>/dev/null || true; fi
  qf_session_down
}
trap cleanup EXIT
qf_session_up

x=60 y=40
xdotool mousemove "$x" "$y"
wine "$root/build/win32/bin/Quietfall.exe" >/dev/null 2>&1 &
program=$!

# Wait for the menu: a window whose top-left corner is at the pointer.
shown=
for _ in $(seq 80); do
  if xwininfo -root -tree 2>/dev/null | grep -q -- "+$x+$y\$"; then shown=1; break; fi
  sleep 0.25
done
sleep 1
mkdir -p "$(dirname "$out")"
# The menu opens with its top-left corner at the pointer.
import -window root -crop "240x160+$((x - 16))+$((y - 16))" +repage "$out"
if [ -n "$shown" ]; then
  echo "screenshot-menu: saved $out"
else
  echo "screenshot-menu: saved $out, but no menu window was seen at $x,$y" >&2
fi

# Keys reach the menu while the pointer is over it: Escape closes it.
xdotool mousemove "$((x + 10))" "$((y + 10))" key Escape
wait "$program" || true
program=
