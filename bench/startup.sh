#!/usr/bin/env bash
# From a double-click to the window: the shipped (stripped) huevane.exe
# started again and again under Wine until its main window is visible,
# taking turns with the floor, the barest program in plain C that does what
# a user sees of ours at start-up (startup_floor.c), 300 ms apart, on a
# virtual desktop of SIZE. Then what a second PlaySound costs under Wine:
# the strum started while the click still plays, and after it.
#
#   bench/startup.sh [--rounds N] [--pause MS]
#
# Environment: SIZE [1920x1080], WIN32_BUILD [build/win32], BENCH_PREFIX
# [build/wine-bench-startup], PROGRAM [WIN32_BUILD/shipped/huevane.exe],
# CUE_ROUNDS [8; 0 leaves the cues out], SOUND [alsa: ALSA's null device;
# none: no sound device].
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
hv_say "building the shipped huevane.exe, huevane_startup_bench and its floor (-j$HV_JOBS)"
cmake --build "$win32_build" --parallel "$HV_JOBS" --target huevane-shipped \
  huevane_startup_bench huevane_startup_floor

HV_WINE_PREFIX="${BENCH_PREFIX:-$HV_BUILD/wine-bench-startup}"
HV_XVFB_SCREEN="$size"
# A sound device, as a user's machine has, so that the cues really play:
# ALSA's null device (set SOUND=none for none).
if [[ ${SOUND:-alsa} == alsa ]]; then
  export XDG_CONFIG_HOME="$HV_WINE_PREFIX-config"
  mkdir -p "$XDG_CONFIG_HOME/alsa"
  echo 'pcm.!default { type null }' >"$XDG_CONFIG_HOME/alsa/asoundrc"
fi
hv_stop_session_on_exit
hv_start_session
# Every program of the prefix starts on one virtual desktop of that size.
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$size" /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "${SOUND:-alsa}" /f >/dev/null 2>&1 </dev/null
hv_stop_wine
exec {HV_KEEPER_FD}>&-
rm -f "$HV_SESSION_DIR/desktop-keeper"
hv_start_wine

hv_say "starting each in turn on a $size desktop (load average $(cut -d' ' -f1-3 /proc/loadavg))"
wine "$win32_build/huevane_startup_bench.exe" \
  "$(winepath -w "${PROGRAM:-$win32_build/shipped/huevane.exe}" 2>/dev/null)" \
  "$(winepath -w "$win32_build/huevane_startup_floor.exe" 2>/dev/null)" \
  "$(winepath -w "$root/resources/cues/RCLICK.wav" 2>/dev/null)" "$@" </dev/null 2>/dev/null |
  tr -d '\r'

cue_rounds="${CUE_ROUNDS:-8}"
if ((cue_rounds > 0)); then
  hv_say "timing PlaySound: the click, then the strum (load average $(cut -d' ' -f1-3 /proc/loadavg))"
  wine "$win32_build/huevane_startup_bench.exe" --cues \
    "$(winepath -w "$root/resources/cues/RCLICK.wav" 2>/dev/null)" \
    "$(winepath -w "$root/resources/cues/RSTRUM.wav" 2>/dev/null)" --rounds "$cue_rounds" \
    </dev/null 2>/dev/null | tr -d '\r'
fi
