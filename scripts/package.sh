#!/usr/bin/env bash
# make package: the release files in build/win32/package (packaging/package.py,
# through the qf_package target): the zip and its .sha256, the per-user
# installer, the MSI, SHA256SUMS and the winget and Scoop manifests.
# QF_VERSION=x.y.z (make package QF_VERSION=1.1.1) builds another version; a
# run without it goes back to the one in CMakeLists.txt. QF_RELEASE_URL is the
# download folder the manifests name ({version} stands for the version).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# Packaging runs no Windows program: the packages suffice, no Wine prefix.
scripts/bootstrap.sh --packages-only
if [ -n "${QF_VERSION:-}" ]; then
  version=(-DQF_VERSION="$QF_VERSION")
else
  version=(-UQF_VERSION)
fi
cmake --preset win32 "${version[@]}" >/dev/null
cmake --build --preset win32 --target qf_package
