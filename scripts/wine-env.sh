# Sourced: the environment every Wine program of this project runs in. Nothing
# touches the user's own ~/.wine, and Wine asks for no downloads, writes no
# menu entries and opens no host browser.
_qf_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${QF_WINEPREFIX:-$_qf_root/build/wineprefix}"
export WINEARCH=win32
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
