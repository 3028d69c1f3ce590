#!/usr/bin/env bash
# From a double-click to the window: huevane.exe started again and again
# under Wine until its main window is visible, taking turns with a bare
# program that does only what a user sees of ours at start-up (see
# startup_bench_win32.cpp), on a virtual desktop of SIZE.
#
#   bench/startup.sh [--rounds N]
#
# Environment: SIZE [1920x1080], WIN32_BUILD [build/win32], BENCH_PREFIX
# [build/wine-bench-startup], PROGRAM [WIN32_BUILD/huevane.exe].
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
# shellcheck source=scripts/common.sh
source "$root/scripts/common.sh"

size="${SIZE:-1920x1080}"
[[ $size =~ ^[0-9]+x[0-9]+$ ]] || hv_die "not a size: $size"
win32_build="${WIN32_BUILD:-$HV_BUILD/win32}"
# shellcheck source=bench/configure.sh
source "$here/configure.sh"
bench_configure "$win32_build" win32
hv_say "building huevane and huevane_startup_bench (-j$HV_JOBS)"
cmake --build "$win32_build" --parallel "$HV_JOBS" --target huevane huevane_startup_bench

HV_WINE_PREFIX="${BENCH_PREFIX:-$HV_BUILD/wine-bench-startup}"
HV_XVFB_SCREEN="$size"
hv_stop_session_on_exit
hv_start_session
# Every program of the prefix starts on one virtual desktop of that size.
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$size" /f >/dev/null 2>&1 </dev/null
hv_stop_wine
exec {HV_KEEPER_FD}>&-
rm -f "$HV_SESSION_DIR/desktop-keeper"
hv_start_wine

hv_say "starting each in turn on a $size desktop (load average $(cut -d' ' -f1-3 /proc/loadavg))"
wine "$win32_build/huevane_startup_bench.exe" \
  "$(winepath -w "${PROGRAM:-$win32_build/huevane.exe}" 2>/dev/null)" \
  "$(winepath -w "$root/resources/cues/RCLICK.wav" 2>/dev/null)" "$@" </dev/null 2>/dev/null |
  tr -d '\r'
