#!/usr/bin/env bash
# make bench: prints one table of every figure beside its baseline and goal.
# - the programs' sizes against their limits;
# - the language-file reader against two INI libraries, natively and optimised;
# - Quietfall's start-up under Wine (the build ARCH names, or the one this
#   machine runs) against bare programs built with the same
#   compiler and flags, interleaved in one run.
# The benchmarks' own detail goes to build/bench/*.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh --packages-only
source scripts/wine-env.sh
QF_ARCH=$(qf_choose_arch "${ARCH:-}")
export QF_ARCH
scripts/bootstrap.sh
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
cmake --preset "$QF_ARCH" >/dev/null
cmake --build --preset "$QF_ARCH" --target Quietfall Warmlink startup_bench >/dev/null

rows=build/bench/rows.txt
size_row() {  # program, limit in KiB
  awk -v name="$1" -v bytes="$(stat -c %s "build/$QF_ARCH/bin/$1")" -v limit="$2" \
    'BEGIN { printf "row\t%s size\t%.1f\tKiB\tlimit\t%s\t<\t1.00\n", name, bytes / 1024, limit }'
}
{ size_row Quietfall.exe 200; size_row Warmlink.exe 32; } >"$rows"

for b in build/bench/bench/*_bench; do
  [ -x "$b" ] && "$b" | tee "build/bench/$(basename "$b").log" | grep '^row' >>"$rows"
done

source scripts/wine-env.sh
source scripts/xvfb.sh
trap qf_session_down EXIT
qf_session_up
(cd "build/$QF_ARCH/bin" && wine ./startup_bench.exe >"$root/build/bench/startup_bench.log" 2>/dev/null)
grep '^row' build/bench/startup_bench.log >>"$rows"

echo "Measured $(date -u +%Y-%m-%d) on $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) cores"
python3 scripts/bench_table.py <"$rows"
