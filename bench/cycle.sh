#!/usr/bin/env bash
# One whole regeneration cycle under Wine, beside its floors.
#
#   bench/cycle.sh
#
# Builds what it needs (huevane_bench natively, huevane_cycle_bench.exe with
# mingw-w64, and a small native in-place floor with the C compiler), starts a
# private Xvfb and a Wine virtual desktop exactly as large as each
# benchmarked screen, in a prefix of its own, and runs:
#   - huevane_cycle_bench.exe: the real cycle, publish included, writing into
#     the Wine user's temporary folder, then into a folder on /dev/shm (RAM),
#     which separates the file system's cost from the CPU's. In the same run
#     and on the same desktop, taking turns with it: the cycle with a new
#     file saved every time (the route before the spare), and the cycle
#     floor (memset, in-place rewrite of a same-sized file, the same
#     SystemParametersInfoW call);
#   - huevane_bench natively: fill + save, and the new-file floor (a memset
#     plus one replace-write of the same bytes), on the same two file systems;
#   - the native in-place floor: a memset of the pixel block plus one write
#     of the file over an existing file of the same size, on both too.
#   - huevane.exe itself, seen from outside: huevane_outside_bench.exe sends
#     it key presses on a bar and times each change until the file shows the
#     last, taking turns with a bare program's floor (memset, in-place
#     rewrite, the same wallpaper call, the strum played from memory);
# It ends with three tables: the cycle's steps; the save and the cycle
# against their floors with the targets (save at most 1.3x the in-place
# floor, cycle at most 1.15x the cycle floor), and the verdict on the 16 ms
# target at 3840x2160; one change seen from outside against its floor
# (target at most 1.10x).
#
# Environment (defaults in brackets):
#   SIZES      sizes to run [1920x1080 3840x2160]
#   CHANGES, ROUNDS  key presses per round and rounds seen from outside [100, 6]
#   PROGRAM    the huevane.exe seen from outside [WIN32_BUILD/huevane.exe]
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

# shellcheck source=bench/configure.sh
source "$here/configure.sh"
bench_configure "$native_build" native
bench_configure "$win32_build" win32
hv_say "building huevane_bench and huevane_cycle_bench (-j$HV_JOBS)"
cmake --build "$native_build" --parallel "$HV_JOBS" --target huevane_bench
cmake --build "$win32_build" --parallel "$HV_JOBS" --target huevane_cycle_bench huevane \
  huevane_outside_bench

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
    if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; then
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

# run_outside SIZE: the real program on the desktop, sent key presses,
# taking turns with the bare floor program; keeps its "outside" lines.
run_outside() {
  local size=$1 log="$work/outside-$size.log"
  hv_say "Wine: $size, the program seen from outside (load average $(cut -d' ' -f1-3 /proc/loadavg))"
  wine "${PROGRAM:-$win32_build/huevane.exe}" </dev/null >"$work/program-$size.log" 2>&1 &
  local program=$!
  wine "$win32_build/huevane_outside_bench.exe" --cue "$(winepath -w "$root/resources/cues/RSTRUM.wav" 2>/dev/null)" \
    --changes "${CHANGES:-100}" --rounds "${ROUNDS:-6}" --close </dev/null 2>"$log.err" | tr -d '\r' >"$log" ||
    { cat "$log" >&2; grep huevane_outside_bench "$log.err" >&2; hv_die "huevane_outside_bench failed"; }
  wait "$program" || true
  grep -v '^outside ' "$log"
  awk '$1 == "outside" { print "temp", $0 }' "$log" >>"$results"
}

for size in "${sizes[@]}"; do
  use_desktop "$size"
  run_outside "$size"
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
# The native in-place floor: per cycle a memset of the pixel block and one
# write of header and block over the same file, opened without truncation.
inplace_src="$work/inplace_floor.c"
cat >"$inplace_src" <<'C'
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
static int by_value(const void* a, const void* b) {
  double x = *(const double*)a, y = *(const double*)b;
  return (x > y) - (x < y);
}
/* inplace_floor FILE WIDTH HEIGHT CYCLES: prints "memset write total" medians in ms. */
int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const long width = atol(argv[2]), height = atol(argv[3]), cycles = atol(argv[4]);
  const size_t stride = (size_t)((width * 3 + 3) & ~3L), bytes = stride * (size_t)height;
  unsigned char header[54] = {'B', 'M'};
  unsigned char* bits = aligned_alloc(4096, (bytes + 4095) / 4096 * 4096);
  double* t[3];
  for (int k = 0; k < 3; ++k) t[k] = calloc((size_t)cycles, sizeof(double));
  if (bits == NULL || t[2] == NULL) return 1;
  memset(bits, 0, bytes);
  int fd = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || pwrite(fd, bits, bytes, 54) != (ssize_t)bytes) return 1;
  close(fd);
  for (long c = -3; c < cycles; ++c) {
    const double t0 = now_ms();
    memset(bits, (int)(c & 0xFF), bytes);
    const double t1 = now_ms();
    fd = open(argv[1], O_WRONLY);
    struct iovec parts[2] = {{header, sizeof header}, {bits, bytes}};
    if (fd < 0 || writev(fd, parts, 2) != (ssize_t)(sizeof header + bytes)) return 1;
    if (close(fd) != 0) return 1;
    const double t2 = now_ms();
    if (c >= 0) {
      t[0][c] = t1 - t0;
      t[1][c] = t2 - t1;
      t[2][c] = t2 - t0;
    }
  }
  for (int k = 0; k < 3; ++k) qsort(t[k], (size_t)cycles, sizeof(double), by_value);
  printf("%.4f %.4f %.4f\n", t[0][(cycles - 1) / 2], t[1][(cycles - 1) / 2],
         t[2][(cycles - 1) / 2]);
  unlink(argv[1]);
  return 0;
}
C
inplace_bin="$work/inplace_floor"
cc -O2 -o "$inplace_bin" "$inplace_src" || hv_die "cannot build the native in-place floor"
run_inplace() {
  local mode=$1 tmp=$2 size
  hv_say "native: the in-place floor, file in $tmp"
  local figures
  for size in "${sizes[@]}"; do
    figures=$("$inplace_bin" "$tmp/huevane-inplace-$$.bmp" "${size%x*}" "${size#*x}" \
      "$cycles") || hv_die "the in-place floor failed"
    echo "$mode inplace $size $figures" >>"$results"
  done
}

run_native temp "${TMPDIR:-/tmp}"
run_inplace temp "${TMPDIR:-/tmp}"
native_fs=$(findmnt -no FSTYPE -T "${TMPDIR:-/tmp}")
if [[ $ram == 1 ]]; then
  run_native ram /dev/shm
  run_inplace ram /dev/shm
fi

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

echo
echo "The save and the cycle against their floors (medians, ms)"
echo "save: the program's save step under Wine; new-file: the save with a new file every"
echo "cycle, as before the spare; in-place floor: native memset + in-place write;"
echo "cycle floor: memset + in-place rewrite + SystemParametersInfoW under Wine"
awk '
  $2 == "stat" { v[$1, $3, $4] = $5 }
  $2 == "inplace" { iw[$1, $3] = $5; it[$1, $3] = $6 }
  $2 == "stat" && !(($1, $3) in seen) { seen[$1, $3] = 1; order[++n] = $1 SUBSEP $3 }
  END {
    printf "%-10s %-4s %7s %7s %8s %8s %9s %8s %11s %8s %7s %7s %8s %9s %10s %9s\n",
           "size", "dir", "fill", "save", "new-file", "publish", "in-place", "(write)",
           "save/floor", "wine rw", "cycle", "floor", "cyc/flr", "new cycle", "no publish",
           "floor pub"
    for (i = 1; i <= n; i++) {
      split(order[i], k, SUBSEP); mode = k[1]; size = k[2]
      # Computed outside printf, whose ">" would be a redirection.
      have = it[mode, size] > 0
      inplace = have ? sprintf("%.2f", it[mode, size]) : "-"
      write = have ? sprintf("%.2f", iw[mode, size]) : "-"
      ratio = have ? sprintf("%.2f", v[mode, size, "save"] / it[mode, size]) : "-"
      cyc = v[mode, size, "cycle"]; cf = v[mode, size, "floor_total"]
      cratio = cf ? sprintf("%.2f", cyc / cf) : "-"
      printf "%-10s %-4s %7.2f %7.2f %8.2f %8.2f %9s %8s %11s %8.2f %7.2f %7.2f %8s %9.2f %10.2f %9.2f\n",
             size, mode, v[mode, size, "fill"], v[mode, size, "save"],
             v[mode, size, "newfile_save"], v[mode, size, "publish"],
             inplace, write, ratio, v[mode, size, "floor_write"], cyc, cf, cratio,
             v[mode, size, "newfile_total"], v[mode, size, "cycle_fill_save"],
             v[mode, size, "floor_publish"]
    }
    printf "\ntargets: save/floor (in-place floor: memset + write) at most 1.30; cyc/flr at most 1.15\n"
    printf "no publish: the cycle on a system whose publish costs nothing (fill + save inside it)\n"
  }' "$results"

echo
echo "One change seen from outside (medians per change, ms): key presses sent to the"
echo "running program until its file shows the last; floor: a bare program's memset,"
echo "in-place rewrite, SystemParametersInfoW and PlaySound from memory"
awk '
  $2 == "outside" { v[$3, $4] = $5; if (!($3 in seen)) { seen[$3] = 1; order[++n] = $3 } }
  END {
    printf "%-10s %9s %7s %7s\n", "size", "program", "floor", "ratio"
    for (i = 1; i <= n; i++) {
      s = order[i]
      printf "%-10s %9.2f %7.2f %7.2f\n", s, v[s, "program"], v[s, "floor"],
             v[s, "floor"] ? v[s, "program"] / v[s, "floor"] : 0
    }
    printf "\ntarget: ratio at most 1.10\n"
  }' "$results"
