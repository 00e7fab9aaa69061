#!/usr/bin/env bash
# make run [ARGS=/switch] [ARCH=win32|win64]: builds both programs and starts
# Quietfall under Wine: the 32-bit build, or the 64-bit one where this machine
# runs no 32-bit programs (or ARCH says so).
# On a real display it runs there. Without one it runs in a virtual display,
# saves a screenshot of what the program showed, then dismisses the menu.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh --packages-only
source scripts/wine-env.sh
arch=$(qf_choose_arch "${ARCH:-}")
if [ -z "${ARCH:-}" ] && [ "$arch" = win64 ]; then
  echo "run: $(qf_wine32_missing_reason); starting the 64-bit Quietfall"
fi
export QF_ARCH=$arch
source scripts/wine-env.sh
if ! qf_wine_runs; then
  echo "run: ARCH=$arch cannot start here: $(qf_wine32_missing_reason)" >&2
  exit 1
fi
scripts/bootstrap.sh
cmake --preset "$arch" >/dev/null
cmake --build --preset "$arch" --target Quietfall Warmlink
exe="$root/build/$arch/bin/Quietfall.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # On your own display: a prefix of its own with Wine's window defaults.
  desktop="$root/build/wineprefix-desktop"
  [ "$arch" = win32 ] || desktop+=64
  export QF_WINEPREFIX=$desktop QF_DESKTOP_PREFIX=1
  scripts/bootstrap.sh
  source scripts/wine-env.sh
  wine "$exe" "$@"
  exit 0
fi

source scripts/wine-env.sh
source scripts/xvfb.sh
trap qf_session_down EXIT
qf_session_up
xdotool mousemove 400 300
wine "$exe" "$@" &
program=$!
shot="$root/build/run-screenshot.png"
# Give the program time to show its menu (or to finish, for a switch).
for _ in $(seq 40); do
  kill -0 "$program" 2>/dev/null || break
  if xdotool search --onlyvisible --class 'quietfall.exe' >/dev/null 2>&1; then sleep 0.5; break; fi
  sleep 0.25
done
import -window root "$shot"
echo "run: screenshot of the virtual display saved to $shot"
if kill -0 "$program" 2>/dev/null; then
  # The menu opens at the pointer, so keys reach it; Escape dismisses it.
  xdotool mousemove_relative 4 4 key Escape
fi
wait "$program" || true
