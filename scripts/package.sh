#!/usr/bin/env bash
# make package: the release zip, its .sha256 and the per-user installer in
# build/win32/package (packaging/package.py, through the qf_package target).
# QF_SIGN_PFX, QF_SIGN_PASSWORD_FILE and QF_SIGN_TIMESTAMP_URL in the
# environment sign the release (packaging/signing.py); they are not kept in
# the build folder, so the next build without them is unsigned.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The build runs elsewhere: a file given relative to here must still be found.
for name in QF_SIGN_PFX QF_SIGN_PASSWORD_FILE; do
  if [ -n "${!name:-}" ]; then export "$name=$(realpath -m -- "${!name}")"; fi
done
cd "$root"
scripts/bootstrap.sh
# Bad signing settings stop the build before anything is built.
python3 packaging/signing.py
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target qf_package
