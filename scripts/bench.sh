#!/usr/bin/env bash
# make bench: builds and runs the benchmarks natively with optimisation.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
cmake --preset bench >/dev/null
cmake --build --preset bench
for b in build/bench/bench/*_bench; do
  [ -x "$b" ] && "$b"
done
