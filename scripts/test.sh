#!/usr/bin/env bash
# make test [ARCH=win32|win64]: installs what is missing, builds everything and
# runs every test: the portable code natively under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the whole Windows suite (unit and
# end-to-end tests, setup, MSI) of each Windows build under Wine in a virtual
# display of its own.
#
# Without ARCH both builds are tested, side by side (each with its own
# display, prefix and log folder), where this machine runs 32-bit programs;
# where it does not, the win64 build's suite runs alone under 64-bit Wine.
# The Windows tests are never left out: a build that cannot run here is a
# failure when asked for by name.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh --packages-only

source scripts/wine-env.sh
case "${ARCH:-}" in
  "")
    if qf_wine32_runs; then
      archs=(win32 win64)
    else
      archs=(win64)
      echo "== the win32 build cannot be tested here: $(qf_wine32_missing_reason); the win64 build's suite runs under 64-bit Wine"
    fi
    ;;
  win32)
    qf_wine32_runs || { echo "test: ARCH=win32: $(qf_wine32_missing_reason)" >&2; exit 1; }
    archs=(win32)
    ;;
  win64) archs=(win64) ;;
  *) echo "test: ARCH is win32 or win64, not \"$ARCH\"" >&2; exit 2 ;;
esac

# One build's Windows suite, in its own prefix and virtual display; its
# output goes to build/test-<arch>.log.
run_suite() {
  local arch=$1
  shift
  (
    export QF_ARCH=$arch
    unset DISPLAY
    source scripts/wine-env.sh
    source scripts/xvfb.sh
    trap qf_session_down EXIT
    qf_session_up
    ctest --preset "$arch" "$@"
  ) >"build/test-$arch.log" 2>&1
}

# Each build is made while the suites before it run, and the native tests
# and fuzz targets after them: the suites mostly wait on Wine and the
# display, the builds on the processor.
# A build that fails still waits for the suites already running.
failed=0
pids=()
mkdir -p build
for arch in "${archs[@]}"; do
  rm -f "build/test-$arch.log"
  echo "== $arch build"
  if ! { cmake --preset "$arch" >/dev/null && cmake --build --preset "$arch" && QF_ARCH=$arch scripts/bootstrap.sh; }; then
    echo "== the $arch build failed"
    failed=1
    break
  fi
  echo "== $arch suite under Wine (build/test-$arch.log)"
  run_suite "$arch" "$@" &
  pids+=($!)
done

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native && ctest --preset native || failed=1

echo "== fuzz targets (bounded run)"
scripts/fuzz.sh --check || failed=1

for pid in "${pids[@]}"; do
  wait "$pid" || failed=1
done

# The release of every build tested: its SHA256SUMS and manifests name each
# build's files with their real hashes (the package tests made them).
if [ "$failed" = 0 ]; then
  echo "== the release of ${archs[*]}"
  release=(); names=()
  for arch in "${archs[@]}"; do
    release+=(--build "$arch" "build/$arch/package")
    names+=("Quietfall-$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["version"])' \
      "build/$arch/package/release.json")-$arch")
  done
  python3 packaging/package.py release --out build/release-check "${release[@]}" >/dev/null &&
    /usr/bin/python3 tests/package/reproducible_test.py release build/release-check "${names[@]}" || failed=1
fi

summary=()
passed_all=0 failed_all=0
for arch in "${archs[@]}"; do
  echo "== $arch suite"
  cat "build/test-$arch.log" 2>/dev/null
  line=$(grep -s -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "build/test-$arch.log" | tail -n 1)
  if [ -z "$line" ]; then
    summary+=("$arch: the suite did not finish")
    failed=1
    continue
  fi
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  all=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  summary+=("$arch: $((all - bad)) of $all Windows tests passed")
  passed_all=$((passed_all + all - bad)) failed_all=$((failed_all + bad))
done
echo "== tested builds: ${archs[*]}"
printf '   %s\n' "${summary[@]}"
echo "windows: $passed_all passed, $failed_all failed"
exit "$failed"
