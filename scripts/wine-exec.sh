#!/usr/bin/env bash
# Runs one Windows program under Wine for CTest. Its Unix standard error goes
# to a log that the program's own children inherit: Wine writes their relay
# traces there, and the tests read them back (QF_STDERR_LOG, a Windows path).
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
mkdir -p "$QF_WINE_LOGS"
log="$QF_WINE_LOGS/$(basename "$1" .exe).stderr"
: >"$log"
export QF_STDERR_LOG="Z:${log//\//\\}"
wine "$@" 2>>"$log"
rc=$?
if [ "$rc" -ne 0 ]; then
  echo "---- $(basename "$1") exited with $rc; its standard error (without relay lines) ----"
  grep -a -v -E '^[0-9a-f]{4,}:' "$log" | tail -n 40
fi
exit "$rc"
