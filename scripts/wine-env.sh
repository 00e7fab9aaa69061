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
