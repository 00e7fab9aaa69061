#!/usr/bin/env bash
# make screenshots: builds Quietfall and takes the README's pictures in a
# private virtual display, driving the real program: the open menu with its
# timer sub-menu, and the countdown dialog, in English, Japanese, Arabic, Thai
# and Lithuanian (docs/menu-<Name>.png, docs/dialog-<Name>.png).
#
# --dpi (make screenshots DPI=1): also at 96, 144 and 192 DPI, in a copy of
# the test prefix whose LogPixels is set (the test prefix itself stays at
# 96): English pictures to build/screenshots/{menu,dialog}-English-<dpi>.png,
# and at each DPI the check that every text of every language fits its
# control (lang_fit_wine_test).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dpi_runs=
[ "${1:-}" = "--dpi" ] && dpi_runs=1

scripts/bootstrap.sh --packages-only
source scripts/wine-env.sh
QF_ARCH=$(qf_choose_arch "${ARCH:-}")
export QF_ARCH
scripts/bootstrap.sh
cmake --preset "$QF_ARCH" >/dev/null
cmake --build --preset "$QF_ARCH" --target Quietfall qf_lang_files lang_fit_probe lang_fit_wine_test

source scripts/wine-env.sh
source scripts/xvfb.sh
source scripts/lang-fonts.sh
source scripts/screenshot-lib.sh
main_prefix=$WINEPREFIX
dpi_prefix="$root/build/dpi-prefix"
cleanup() {
  qf_shot_stop
  if [ "$WINEPREFIX" = "$dpi_prefix" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$dpi_prefix"
    export WINEPREFIX=$main_prefix
  fi
  qf_session_down
}
trap cleanup EXIT
# Always a private virtual display, so the pictures have nothing else on them.
unset DISPLAY
qf_session_up

for name in English Japanese Arabic Thai Lithuanian; do
  qf_shot_language "$name"
  qf_shot_menu "docs/menu-$name.png"
  qf_shot_dialog "docs/dialog-$name.png"
done
qf_shot_restore

[ -n "$dpi_runs" ] || exit 0

# The copy is taken once the server has written the registry and ended.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
rm -rf "$dpi_prefix"
cp -a "$main_prefix" "$dpi_prefix"
export WINEPREFIX=$dpi_prefix QF_WINEPREFIX=$dpi_prefix
failed=
for dpi in 96 144 192; do
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  # Wine takes the DPI from these when a program starts.
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
  wineserver -p
  qf_shot_menu "build/screenshots/menu-English-$dpi.png"
  qf_shot_dialog "build/screenshots/dialog-English-$dpi.png"
  echo "screenshots: every text fits at $dpi DPI?"
  if ! (cd "build/$QF_ARCH/bin" && "$root/scripts/wine-exec.sh" lang_fit_wine_test.exe); then
    echo "screenshots: texts do not fit at $dpi DPI" >&2
    failed=1
  fi
done
[ -z "$failed" ]
