#!/usr/bin/env bash
# What the About dialog and the help window cost under Wine: building each
# hidden (as start-up does) and painting each whole, beside a plain window of
# the same size and a plain fill of the same area.
#
#   bench/dialogs.sh [--rounds N]
#
# Builds huevane_dialogs_bench.exe in build/win32 (WIN32_BUILD), and runs it
# on a private Xvfb in a Wine prefix of its own (BENCH_PREFIX, default
# build/wine-bench-dialogs). Arguments go to the benchmark.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
# shellcheck source=scripts/common.sh
source "$root/scripts/common.sh"

win32_build="${WIN32_BUILD:-$HV_BUILD/win32}"
# shellcheck source=bench/configure.sh
source "$root/bench/configure.sh"
bench_configure "$win32_build" win32
hv_say "building huevane_dialogs_bench (-j$HV_JOBS)"
cmake --build "$win32_build" --parallel "$HV_JOBS" --target huevane_dialogs_bench

HV_WINE_PREFIX="${BENCH_PREFIX:-$HV_BUILD/wine-bench-dialogs}"
hv_stop_session_on_exit
hv_start_session
wine "$win32_build/huevane_dialogs_bench.exe" "$@" </dev/null
