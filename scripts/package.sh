#!/usr/bin/env bash
# make package: builds Quietfall-<version>-win32.zip with CPack.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Quietfall Warmlink
(cd build/win32 && cpack -G ZIP --config CPackConfig.cmake)
ls -l build/win32/package/*.zip
