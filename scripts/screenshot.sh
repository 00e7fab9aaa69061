#!/usr/bin/env bash
# Takes one picture in a private virtual display: the open action menu with
# its timer sub-menu open, or the countdown dialog.
#   scripts/screenshot.sh menu|dialog [out.png] [Name]
# By default docs/<menu|dialog>-English.png, in English (see
# scripts/screenshot-lib.sh; make screenshots takes them all).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what="${1:-}"
case "$what" in
  menu | dialog) ;;
  *) echo "usage: $0 menu|dialog [out.png] [Name]" >&2; exit 2 ;;
esac
out="${2:-$root/docs/$what-English.png}"
language="${3:-English}"
cd "$root"
scripts/bootstrap.sh --packages-only
source scripts/wine-env.sh
QF_ARCH=$(qf_choose_arch "${ARCH:-}")
export QF_ARCH
scripts/bootstrap.sh
cmake --preset "$QF_ARCH" >/dev/null
cmake --build --preset "$QF_ARCH" --target Quietfall qf_lang_files

source scripts/wine-env.sh
source scripts/xvfb.sh
source scripts/lang-fonts.sh
source scripts/screenshot-lib.sh
trap 'qf_shot_restore; qf_session_down' EXIT
unset DISPLAY
qf_session_up
qf_shot_language "$language"
"qf_shot_$what" "$out"
