# Sourced: the environment every Wine program of this project runs in. Nothing
# touches the user's own ~/.wine, and Wine asks for no downloads, writes no
# menu entries and opens no host browser.
#
# QF_ARCH chooses the build whose programs run: win32 (the default) in a
# 32-bit prefix, build/wineprefix; win64 in a 64-bit prefix of its own,
# build/wineprefix64, through the 64-bit loader alone, so that it runs on a
# machine without 32-bit programs too. Each has its own log folder,
# build/logs and build/logs64.
_qf_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export QF_ARCH="${QF_ARCH:-win32}"
case "$QF_ARCH" in
  win32)
    export WINEPREFIX="${QF_WINEPREFIX:-$_qf_root/build/wineprefix}"
    export WINEARCH=win32 QF_WINE_LOGS="$_qf_root/build/logs"
    ;;
  win64)
    export WINEPREFIX="${QF_WINEPREFIX:-$_qf_root/build/wineprefix64}"
    export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 QF_WINE_LOGS="$_qf_root/build/logs64"
    case ":$PATH:" in *":$_qf_root/scripts/wine64:"*) ;; *) export PATH="$_qf_root/scripts/wine64:$PATH" ;; esac
    ;;
  *)
    echo "wine-env: QF_ARCH must be win32 or win64, not \"$QF_ARCH\"" >&2
    return 1
    ;;
esac
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d;winebrowser.exe=d"
export LC_ALL=C.UTF-8
unset _qf_root

# True when this machine runs 32-bit x86 programs, and so 32-bit Wine. A
# kernel can be built or booted without them (its log then says "32-bit
# emulation disabled"); Wine's 32-bit loader then fails with "Exec format
# error" and no Windows program of this project can run here.
qf_wine32_runs() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}
qf_wine32_missing_reason() {
  echo "this machine does not run 32-bit x86 programs (its kernel's 32-bit emulation is off: \
/usr/lib/wine/wine fails with \"Exec format error\"), so 32-bit Wine cannot start here"
}

# The build to run: $1 if given, else the 32-bit one, or the 64-bit one where
# this machine runs no 32-bit programs.
qf_choose_arch() {
  if [ -n "${1:-}" ]; then echo "$1"; elif qf_wine32_runs; then echo win32; else echo win64; fi
}

# True when this shell's build can run here: always for win64 (64-bit Wine
# needs nothing more of the machine), for win32 only where 32-bit programs run.
qf_wine_runs() {
  if [ "$QF_ARCH" = win64 ]; then
    /usr/lib/wine/wine64 --version >/dev/null 2>&1
  else
    qf_wine32_runs
  fi
}
