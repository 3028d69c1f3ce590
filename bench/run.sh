#!/usr/bin/env bash
# Builds the native benchmarks if needed, runs them with repetitions and
# prints the closing table: per size and style the fill time, the memset of
# the same block and their ratio; fill plus save, its floor and their ratio.
#
#   bench/run.sh [BUILD_DIR] [extra benchmark flags...]
#
# BUILD_DIR defaults to build/native. REPS (default 3) sets the repetitions;
# the table shows medians. Examples:
#   bench/run.sh /tmp/hv-bench/native
#   bench/run.sh build/native --benchmark_filter='/1920x1080'
#   REPS=1 bench/run.sh build/native --benchmark_filter='^(FillGradient|Memset)/'
# With --benchmark_out=FILE --benchmark_out_format=json the raw figures go to
# FILE as well.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/native}"
[[ $# -gt 0 ]] && shift
reps="${REPS:-3}"

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DHUEVANE_BENCHMARKS=ON
elif ! grep -qx 'HUEVANE_BENCHMARKS:BOOL=ON' "$build/CMakeCache.txt"; then
  # A tree the tests or the release made: the same, with the benchmarks on.
  cmake -S "$root" -B "$build" -DHUEVANE_BENCHMARKS=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=OFF \
    >/dev/null
fi
# Two cores are shared by everyone on this machine.
cmake --build "$build" -j2 --target huevane_bench

exec "$build/huevane_bench" \
  --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true \
  "$@"
