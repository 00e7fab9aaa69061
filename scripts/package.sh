#!/usr/bin/env bash
# make package: the release zip, its .sha256 and the per-user installer in
# build/win32/package (packaging/package.py, through the qf_package target).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target qf_package
