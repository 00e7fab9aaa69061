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
source scripts/xvfb.sh
trap qf_session_down EXIT
qf_session_up
ctest --preset win32 "$@"
