#!/usr/bin/env bash
# make package: the release files of both architectures in build/package:
# each build's zip and its .sha256, per-user installer and MSI (made by
# packaging/package.py through the build's qf_package target, in
# build/<arch>/package), SHA256SUMS of all six and the winget and Scoop
# manifests naming both (package.py release).
# QF_VERSION=x.y.z (make package QF_VERSION=1.1.1) builds another version; a
# run without it goes back to the one in CMakeLists.txt. QF_RELEASE_URL is the
# download folder the manifests name ({version} stands for the version).
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
# Packaging runs no Windows program: the packages suffice, no Wine prefix.
scripts/bootstrap.sh --packages-only
# Bad signing settings stop the build before anything is built.
python3 packaging/signing.py
if [ -n "${QF_VERSION:-}" ]; then
  version=(-DQF_VERSION="$QF_VERSION")
else
  version=(-UQF_VERSION)
fi
builds=()
for arch in win32 win64; do
  cmake --preset "$arch" "${version[@]}" >/dev/null
  cmake --build --preset "$arch" --target qf_package
  builds+=(--build "$arch" "build/$arch/package")
done
python3 packaging/package.py release --out build/package "${builds[@]}"
