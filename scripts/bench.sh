#!/usr/bin/env bash
# make bench: prints figures, compares nothing against fixed limits.
# - the language-file reader against two INI libraries, natively and optimised;
# - Quietfall's start-up under Wine against a bare program in the same run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
cmake --preset bench >/dev/null
cmake --build --preset bench
for b in build/bench/bench/*_bench; do
  [ -x "$b" ] && "$b"
done

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target startup_bench
source scripts/wine-env.sh
source scripts/xvfb.sh
trap qf_session_down EXIT
qf_session_up
(cd build/win32/bin && wine ./startup_bench.exe)
