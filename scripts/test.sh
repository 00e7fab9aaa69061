#!/usr/bin/env bash
# make test: installs what is missing, builds everything and runs every test:
# the portable code natively under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the Win32 build's unit and end-to-end tests under Wine in a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== fuzz targets (bounded run)"
scripts/fuzz.sh --check

echo "== win32 build and tests under Wine"
cmake --preset win32 >/dev/null
cmake --build --preset win32

source scripts/wine-env.sh
if ! qf_wine32_runs; then
  # Only the tests that need no 32-bit Windows program (label "host") can run.
  echo "== SKIPPED: every test that needs a 32-bit Windows program under Wine: $(qf_wine32_missing_reason)"
  ctest --preset win32 -L host "$@"
  echo "== SKIPPED: the Wine tests did not run on this machine (see above)"
  exit 0
fi
source scripts/xvfb.sh
trap qf_session_down EXIT
qf_session_up
ctest --preset win32 "$@"
