#!/usr/bin/env bash
# Takes one picture of the open action menu, its timer sub-menu open, in a
# private virtual display: docs/menu-English.png, or the path given first, in English or the
# language given second (see scripts/screenshot-lib.sh; make screenshots
# takes them all).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="${1:-$root/docs/menu-English.png}"
language="${2:-English}"
cd "$root"
scripts/bootstrap.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Quietfall qf_lang_files

source scripts/wine-env.sh
source scripts/xvfb.sh
source scripts/lang-fonts.sh
source scripts/screenshot-lib.sh
trap 'qf_shot_restore; qf_session_down' EXIT
unset DISPLAY
qf_session_up
qf_shot_language "$language"
qf_shot_menu "$out"
