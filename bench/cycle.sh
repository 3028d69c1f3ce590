#!/usr/bin/env bash
# One whole regeneration cycle under Wine, beside the native floor.
#
#   bench/cycle.sh
#
# Builds what it needs (huevane_bench natively, huevane_cycle_bench.exe with
# mingw-w64), starts a private Xvfb and a Wine virtual desktop exactly as
# large as each benchmarked screen, in a prefix of its own, and runs:
#   - huevane_cycle_bench.exe: the real cycle, publish included, writing into
#     the Wine user's temporary folder, then into a folder on /dev/shm (RAM),
#     which separates the file system's cost from the CPU's;
#   - huevane_bench natively: fill + save, and the floor (a memset plus one
#     replace-write of the same bytes), on the same two file systems.
# It ends with one table and the verdict on the 16 ms target at 3840x2160.
#
# Environment (defaults in brackets):
#   SIZES      sizes to run [1920x1080 3840x2160]
#   CYCLES     timed cycles of each kind per size and folder [40]
#   REPS       repetitions of the native benchmarks [3]
#   RAM        0 skips the /dev/shm runs [1]
#   NATIVE_BUILD, WIN32_BUILD  build trees [build/native, build/win32]
#   BENCH_PREFIX               Wine prefix, created once [build/wine-bench]
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
# shellcheck source=scripts/common.sh
source "$root/scripts/common.sh"

read -r -a sizes <<<"${SIZES:-1920x1080 3840x2160}"
cycles="${CYCLES:-40}"
reps="${REPS:-3}"
ram="${RAM:-1}"
native_build="${NATIVE_BUILD:-$HV_BUILD/native}"
win32_build="${WIN32_BUILD:-$HV_BUILD/win32}"
bench_prefix="${BENCH_PREFIX:-$HV_BUILD/wine-bench}"
target_ms=16
target_size=3840x2160

for size in "${sizes[@]}"; do
  [[ $size =~ ^[0-9]+x[0-9]+$ ]] || hv_die "not a size: $size"
done

# --- build --------------------------------------------------------------------

configure() {
  local dir=$1
  shift
  [[ -f $dir/CMakeCache.txt ]] && return 0
  hv_say "configuring $dir"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}

configure "$native_build"
configure "$win32_build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake"
if ! grep -q 'huevane_cycle_bench' "$win32_build/build.ninja"; then
  hv_die "$win32_build has no huevane_cycle_bench target: the top-level CMakeLists.txt must add bench/ in the Windows tree too"
fi
hv_say "building huevane_bench and huevane_cycle_bench (-j$HV_JOBS)"
cmake --build "$native_build" --parallel "$HV_JOBS" --target huevane_bench
cmake --build "$win32_build" --parallel "$HV_JOBS" --target huevane_cycle_bench

# --- the session ----------------------------------------------------------------

# The benchmark's own prefix, so that its virtual desktop never changes the
# one the tests use.
HV_WINE_PREFIX="$bench_prefix"

# The screen must hold the largest desktop: parts of a window beyond the
# screen are never drawn, so a smaller screen would make the repaint cheap.
max_w=0
max_h=0
for size in "${sizes[@]}"; do
  if ((${size%x*} > max_w)); then max_w=${size%x*}; fi
  if ((${size#*x} > max_h)); then max_h=${size#*x}; fi
done
HV_XVFB_SCREEN="${max_w}x${max_h}"

# Logs and figures; outlives the Wine session, removed at exit.
work="$(mktemp -d "${TMPDIR:-/tmp}/huevane-cycle.XXXXXX")"
shm_folder=""
cleanup() {
  hv_stop_session
  [[ -n $shm_folder ]] && rm -rf "$shm_folder"
  rm -rf "$work"
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
hv_start_session

# Every Wine process of the prefix joins one virtual desktop of this size.
# The desktop is made when the server starts, so the server is restarted.
use_desktop() {
  local size=$1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$size" /f \
    >/dev/null 2>&1 </dev/null
  hv_stop_wine
  exec {HV_KEEPER_FD}>&-
  rm -f "$HV_SESSION_DIR/desktop-keeper"
  hv_start_wine
}

# User plus system time of a process, in clock ticks.
cpu_ticks() {
  local fields
  read -r -a fields 2>/dev/null <"/proc/$1/stat" || { echo 0; return; }
  # Fields 14 and 15, counted after the command name, which may hold spaces.
  local rest=${fields[*]}
  rest=${rest##*) }
  read -r -a fields <<<"$rest"
  echo $((fields[11] + fields[12]))
}

# The process of this prefix with that name: other engineers' Wine sessions
# run the same programs on this machine.
prefix_pid() {
  local pid
  for pid in $(pgrep -x "$1"); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
      return
    fi
  done
}

results="$work/results"
: >"$results"
hz=$(getconf CLK_TCK)

# run_wine SIZE MODE [--folder DIR]: one size in one folder; keeps the
# "stat", "rounds" and "cpu" lines, tagged with the mode.
run_wine() {
  local size=$1 mode=$2
  shift 2
  local log="$work/wine-$size-$mode.log"
  # The desktop (explorer.exe) reloads and repaints the wallpaper; the X
  # server draws it; the wineserver carries the messages. Their CPU time is
  # read around the whole run, warm-up and start-up included, and shared out
  # over every cycle run.
  local -A pids=([desktop]=$(prefix_pid explorer.exe) [xvfb]=$HV_XVFB_PID
                 [wineserver]=$(prefix_pid 'wineserver(32|64)?'))
  local -A before=()
  local name
  for name in "${!pids[@]}"; do before[$name]=$(cpu_ticks "${pids[$name]:-0}"); done
  hv_say "Wine: $size, wallpaper in $mode (load average $(cut -d' ' -f1-3 /proc/loadavg))"
  wine "$win32_build/huevane_cycle_bench.exe" --size "$size" --cycles "$cycles" "$@" \
    </dev/null | tr -d '\r' >"$log" || { cat "$log" >&2; hv_die "huevane_cycle_bench failed"; }
  grep -Ev '^(stat|rounds|cpu) ' "$log"
  local rounds
  rounds=$(awk '$1 == "rounds" { print $3 }' "$log")
  awk -v mode="$mode" '$1 == "stat" || $1 == "cpu" { print mode, $0 }' "$log" >>"$results"
  for name in "${!pids[@]}"; do
    awk -v line="$mode cpu $size $name" -v r="$rounds" -v hz="$hz" \
      -v t=$(($(cpu_ticks "${pids[$name]:-0}") - before[$name])) \
      'BEGIN { printf "%s %.4f\n", line, t * 1000 / hz / r }' >>"$results"
  done
}

for size in "${sizes[@]}"; do
  use_desktop "$size"
  run_wine "$size" temp
  if [[ $ram == 1 ]]; then
    shm_folder="$(mktemp -d /dev/shm/huevane-cycle.XXXXXX)"
    run_wine "$size" ram --folder "$(winepath -w "$shm_folder" 2>/dev/null)"
    rm -rf "$shm_folder"
    shm_folder=""
  fi
done
temp_fs=$(findmnt -no FSTYPE -T "$WINEPREFIX/drive_c")
hv_stop_session

# --- native ---------------------------------------------------------------------

# One filter for every size: the fill+save pairs of every style (the cycle
# goes through all six) and the floor alone.
size_re=$(IFS='|'; echo "${sizes[*]}")
run_native() {
  local mode=$1 tmp=$2
  local log="$work/native-$mode.log"
  hv_say "native: fill + save and the floor, scratch files in $tmp"
  TMPDIR="$tmp" "$native_build/huevane_bench" \
    --benchmark_filter="^(FillSave|MemsetWrite)/($size_re)/" \
    --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true >"$log" 2>&1 ||
    { tail -n 20 "$log" >&2; hv_die "huevane_bench failed"; }
  # From its closing table (medians over repetitions): fill + save per style,
  # of which the median over the six styles is kept, and memset + write.
  awk -v mode="$mode" '
    /^Fill \+ save against/ { section = "fillsave"; next }
    /^Save alone against/ { section = "floor"; next }
    /^$/ { section = "" }
    section == "fillsave" && $1 ~ /^[0-9]+x[0-9]+$/ { fs[$1, ++count[$1]] = $3; sizes[$1] = 1 }
    section == "floor" && $1 ~ /^[0-9]+x[0-9]+$/ { floor[$1] = $NF; sizes[$1] = 1 }
    END {
      for (size in sizes) {
        n = count[size]
        for (i = 2; i <= n; i++)
          for (j = i; j > 1 && fs[size, j - 1] > fs[size, j]; j--) {
            t = fs[size, j]; fs[size, j] = fs[size, j - 1]; fs[size, j - 1] = t
          }
        printf "%s native %s %s %s\n", mode, size, n ? fs[size, int((n + 1) / 2)] : 0,
               (size in floor) ? floor[size] : 0
      }
    }' "$log" >>"$results"
}
run_native temp "${TMPDIR:-/tmp}"
native_fs=$(findmnt -no FSTYPE -T "${TMPDIR:-/tmp}")
if [[ $ram == 1 ]]; then run_native ram /dev/shm; fi

# --- the table --------------------------------------------------------------------

echo
echo "Regeneration cycle under Wine against the native floor (medians, ms)"
echo "temp: Wine's temporary folder ($temp_fs) and native ${TMPDIR:-/tmp} ($native_fs); ram: /dev/shm"
awk -v target="$target_ms" -v tsize="$target_size" '
  $2 == "stat" { v[$1, $3, $4] = $5 }
  $2 == "cpu" { c[$1, $3, $4] = $5 }
  $2 == "native" { nfs[$1, $3] = $4; floor[$1, $3] = $5 }
  $2 == "stat" && !(($1, $3) in seen) { seen[$1, $3] = 1; order[++n] = $1 SUBSEP $3 }
  END {
    printf "%-10s %-4s %8s %7s %7s %8s %15s %12s %12s   %s\n", "size", "dir", "cycle",
           "fill", "save", "publish", "native fill+save", "native floor", "cycle/floor",
           "CPU/cycle: bench desktop Xvfb server"
    for (i = 1; i <= n; i++) {
      split(order[i], k, SUBSEP); mode = k[1]; size = k[2]
      cyc = v[mode, size, "cycle"]
      # huevane_bench knows only its own sizes; others have no native figures.
      native = floor[mode, size] > 0
      ratio = native ? sprintf("%.2f", cyc / floor[mode, size]) : "-"
      printf "%-10s %-4s %8.2f %7.2f %7.2f %8.2f %15s %12s %12s   %6.1f %7.1f %5.1f %6.1f\n",
             size, mode, cyc, v[mode, size, "fill"], v[mode, size, "save"],
             v[mode, size, "publish"], native ? sprintf("%.2f", nfs[mode, size]) : "-",
             native ? sprintf("%.2f", floor[mode, size]) : "-", ratio,
             c[mode, size, "self"], c[mode, size, "desktop"], c[mode, size, "xvfb"],
             c[mode, size, "wineserver"]
    }
    if (("temp", tsize, "cycle") in v) {
      cyc = v["temp", tsize, "cycle"]
      printf "\ncycle at %s under %d ms: %s (median %.2f ms)\n", tsize, target,
             cyc < target ? "met" : "missed", cyc
    }
  }' "$results"
