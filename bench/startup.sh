#!/usr/bin/env bash
# From a double-click to the window: the shipped (stripped) huevane.exe
# started again and again under Wine until its main window is visible,
# taking turns with the floor, the barest program in plain C that does what
# a user sees of ours at start-up (startup_floor.c), in rounds of a few
# starts of each. Then what a second PlaySound costs under Wine: the strum
# started while the click still plays, and after it.
#
#   bench/startup.sh [--rounds N] [--starts K] [--pause MS]
#
# Everything a start of either program meets is what a plain machine has:
# a prefix of its own made by wineboot alone (no Mono, no Gecko, no fonts
# copied in), one virtual desktop of SIZE on an Xvfb a little larger, and a
# sound device that writes what it plays to a file.
#
# Environment: SIZE [1920x1080], WIN32_BUILD [build/win32], BENCH_PREFIX
# [build/wine-bench-startup-plain], PROGRAM [WIN32_BUILD/shipped/huevane.exe],
# FLOOR [WIN32_BUILD/huevane_startup_floor.exe], CUE_ROUNDS [8; 0 leaves
# the cues out], SOUND [file: ALSA writing to a file; null: ALSA's null
# device; none: no sound device], XVFB_MARGIN [64: pixels the screen has
# beyond the desktop each way].
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
# shellcheck source=scripts/common.sh
source "$root/scripts/common.sh"

size="${SIZE:-1920x1080}"
[[ $size =~ ^([0-9]+)x([0-9]+)$ ]] || hv_die "not a size: $size"
width=${BASH_REMATCH[1]} height=${BASH_REMATCH[2]}
sound="${SOUND:-file}"
[[ $sound =~ ^(file|null|none)$ ]] || hv_die "SOUND is file, null or none, not $sound"
win32_build="${WIN32_BUILD:-$HV_BUILD/win32}"
# shellcheck source=bench/configure.sh
source "$here/configure.sh"
bench_configure "$win32_build" win32
hv_say "building the shipped huevane.exe, huevane_startup_bench and its floor (-j$HV_JOBS)"
cmake --build "$win32_build" --parallel "$HV_JOBS" --target huevane-shipped \
  huevane_startup_bench huevane_startup_floor

HV_WINE_PREFIX="${BENCH_PREFIX:-$HV_BUILD/wine-bench-startup-plain}"
# The virtual desktop inside a larger screen, as on a user's machine: on a
# screen of exactly its size, starts here were slower, ours more than the
# floor's.
HV_XVFB_SCREEN="$((width + ${XVFB_MARGIN:-64}))x$((height + ${XVFB_MARGIN:-64}))"

# This bench's prefix is a plain one: nothing of what the tests' prefix adds.
HV_PLAIN_PREFIX=1

export XDG_CONFIG_HOME="$HV_WINE_PREFIX-config"
mkdir -p "$XDG_CONFIG_HOME/alsa"
case $sound in
  file)
    echo "pcm.!default { type file; slave.pcm \"null\"; file \"$XDG_CONFIG_HOME/played.raw\"; format \"raw\" }"
    ;;
  *) echo 'pcm.!default { type null }' ;;
esac >"$XDG_CONFIG_HOME/alsa/asoundrc"

hv_stop_session_on_exit
hv_start_session
# Every program of the prefix starts on one virtual desktop of that size.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$size" /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "$([[ $sound == none ]] && echo none || echo alsa)" \
  /f >/dev/null 2>&1 </dev/null
hv_stop_wine
exec {HV_KEEPER_FD}>&-
rm -f "$HV_SESSION_DIR/desktop-keeper"
hv_start_wine

hv_say "starting each in turn on a $size desktop, Xvfb $HV_XVFB_SCREEN, sound: $sound (uptime: $(uptime | sed 's/.*load/load/'))"
wine "$win32_build/huevane_startup_bench.exe" \
  "$(winepath -w "${PROGRAM:-$win32_build/shipped/huevane.exe}" 2>/dev/null)" \
  "$(winepath -w "${FLOOR:-$win32_build/huevane_startup_floor.exe}" 2>/dev/null)" \
  "$(winepath -w "$root/resources/cues/RCLICK.wav" 2>/dev/null)" "$@" </dev/null 2>/dev/null |
  tr -d '\r'
hv_say "done (uptime: $(uptime | sed 's/.*load/load/'))"

cue_rounds="${CUE_ROUNDS:-8}"
if ((cue_rounds > 0)); then
  hv_say "timing PlaySound: the click, then the strum (load average $(cut -d' ' -f1-3 /proc/loadavg))"
  wine "$win32_build/huevane_startup_bench.exe" --cues \
    "$(winepath -w "$root/resources/cues/RCLICK.wav" 2>/dev/null)" \
    "$(winepath -w "$root/resources/cues/RSTRUM.wav" 2>/dev/null)" --rounds "$cue_rounds" \
    </dev/null 2>/dev/null | tr -d '\r'
fi
