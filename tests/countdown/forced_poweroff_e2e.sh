#!/usr/bin/env bash
# The countdown's forced power-off end to end. Under Wine that call ends the
# prefix's session and every process in it, so the test program cannot watch
# it to the end; this script runs the one test case from outside Wine, then
# checks what the test recorded before the count ran out and that the
# program's relay trace shows ExitWindowsEx(EWX_POWEROFF | EWX_FORCE, 0).
# Usage: forced_poweroff_e2e.sh <bin dir>
set -u
bin=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
# The test case may not live to undo its per-program Wine setting.
trap 'rm -rf "$work"; wine reg delete "HKCU\\Software\\Wine\\AppDefaults\\Quietfall.exe" /f >/dev/null 2>&1' EXIT
mark="$work/mark.txt"
log="$work/trace.log"
source "$root/scripts/wine-env.sh"
export QF_STDERR_LOG="Z:${log//\//\\}"
export QF_FORCED_E2E_MARK="Z:${mark//\//\\}"
cd "$bin"
timeout 120 wine ./countdown_e2e_test.exe \
  --gtest_filter=Countdown.MinusToZeroPowersOffWithForceAfterTheNextTick >"$work/out.txt" 2>>"$log"
rc=$?
fail=0
expect() {  # expect <field> <value>
  local got; got=$(grep -a "^$1=" "$mark" 2>/dev/null | head -1 | cut -d= -f2-)
  if [ "$got" != "$2" ]; then echo "FAIL: $1 is '$got', expected '$2'"; fail=1; fi
}
if [ ! -s "$mark" ]; then
  echo "FAIL: the test recorded nothing (exit $rc)"; cat "$work/out.txt"; exit 1
fi
first=$(grep -a '^first=' "$mark" | cut -d= -f2-)
case "$first" in
  "Shut down in 00:10:00"|"Shut down in 00:09:59") ;;
  *) echo "FAIL: the dialog opened with '$first'"; fail=1 ;;
esac
expect caption "Quietfall"
expect cancel "Cancel"
expect link "Home page"
expect count "5"
# Written after the last click, unless the power-off came first.
if grep -a -q '^zero=' "$mark"; then expect zero "Shut down in 00:00:00"; fi
calls=$(grep -a -c 'Call user32.ExitWindowsEx(' "$log")
forced=$(grep -a -c 'Call user32.ExitWindowsEx(0000000c,00000000)' "$log")
if [ "$calls" != 1 ] || [ "$forced" != 1 ]; then
  echo "FAIL: ExitWindowsEx calls: $calls, forced power-off calls: $forced (expected 1 and 1)"
  grep -a 'ExitWindowsEx' "$log"
  fail=1
fi
if grep -a -q '^\[  FAILED  \]' "$work/out.txt"; then
  echo "FAIL: the test case failed:"; grep -a -E 'Failure|Expected|Which is|FAILED' "$work/out.txt"; fail=1
fi
[ "$fail" = 0 ] && echo "forced power-off after the countdown: OK"
exit "$fail"
