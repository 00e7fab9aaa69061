#!/usr/bin/env bash
# make fuzz: builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer; preset "fuzz", build/fuzz) and runs each for
# FUZZ_SECONDS seconds (default 60), from the seeds in tests/fuzz/corpus/<target>/.
# New inputs are kept in build/fuzz/corpus/<target>/ for the next run.
#
# scripts/fuzz.sh --check is the bounded run of `make test`: QF_FUZZ_CHECK_SECONDS
# a target (default 8), new inputs in a temporary folder, so the repo is left
# as it was.
#
# A failing input (crash, sanitizer report or broken property) is saved as
# build/fuzz/artifacts/<target>-crash-...; rerun it with
#   build/fuzz/tests/fuzz/<target>_fuzz build/fuzz/artifacts/<target>-crash-...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# The targets as tests/fuzz/CMakeLists.txt lists them.
read -r -a targets < <(sed -n 's/^set(QF_FUZZ_TARGETS \(.*\))$/\1/p' tests/fuzz/CMakeLists.txt)
[ ${#targets[@]} -gt 0 ] || { echo "fuzz: no targets in tests/fuzz/CMakeLists.txt" >&2; exit 1; }
check=false
if [ "${1:-}" = "--check" ]; then
  check=true
fi

$check || scripts/bootstrap.sh  # make test has run it already
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

artifacts=build/fuzz/artifacts
logs=build/fuzz/logs
mkdir -p "$artifacts" "$logs"
if $check; then
  seconds=${QF_FUZZ_CHECK_SECONDS:-8}
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
else
  seconds=${FUZZ_SECONDS:-60}
  work=build/fuzz/corpus
fi

failed=()
for target in "${targets[@]}"; do
  mkdir -p "$work/$target"
  log="$logs/$target.log"
  # The first folder receives new inputs; the committed seeds are only read.
  if build/fuzz/tests/fuzz/${target}_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$artifacts/$target-" -print_final_stats=1 \
       "$work/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz $target: ${runs:-?} runs in ${seconds}s, no failure"
  else
    echo "fuzz $target: FAILED (log: $log)"
    grep -E -A3 'property failed|ERROR:|SUMMARY:|Test unit written' "$log" | head -20 || tail -20 "$log"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz targets failed: ${failed[*]}"
  exit 1
fi
