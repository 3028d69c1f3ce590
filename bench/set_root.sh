#!/usr/bin/env bash
# Times making the X root's wallpaper, whole process to whole process, on a
# private Xvfb at depth 24 (-noreset, so that a retained pixmap lives on
# between runs, as on a real display):
#   - at 1920x1080, side by side, huevane-render --set=x11 and hsetroot's own
#     two-colour gradient (hsetroot -add ... -add ... -gradient 0), taking
#     turns run by run;
#   - alone at 3840x2160 and 7680x4320, huevane-render beside the floor,
#     bench/root_floor.c: the same bytes into a root-sized pixmap, nothing
#     else.
# Beside the wall time's median, the processor time a run costs, ours and
# the X server's together (the server does most of the work, and this
# figure moves less than wall time on a busy machine), and the peak memory
# (maximum resident set) of one run, beside the 24-bit picture's own bytes.
#
#   bench/set_root.sh [path/to/huevane-render]
#
# Environment: ROUNDS (default 30) runs of each command per size, after two
# untimed ones. hsetroot is installed from Debian when it is missing.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
render="${1:-$root/build/native/huevane-render}"
rounds="${ROUNDS:-30}"
[[ -x $render ]] || { echo "set_root.sh: no renderer at $render (build it first)" >&2; exit 2; }
if ! command -v hsetroot >/dev/null; then
  echo "set_root.sh: installing Debian's hsetroot" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q hsetroot >&2
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/huevane-set-root-XXXXXX")"
xvfb_pid=""
stop() {
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  xvfb_pid=""
}
trap 'stop; rm -rf "$work"' EXIT

cc -O2 -o "$work/root_floor" "$here/root_floor.c" -lxcb

# start_xvfb WxH: a private server at depth 24; exports DISPLAY.
start_xvfb() {
  stop
  mkfifo "$work/ready"
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "${1}x24" 3>"$work/ready" \
    >"$work/xvfb.log" 2>&1 </dev/null &
  xvfb_pid=$!
  local display=""
  read -r -t 60 display <"$work/ready" || true
  rm -f "$work/ready"
  [[ $display =~ ^[0-9]+$ ]] || { cat "$work/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$display"
}

# run_ms CMD...: one run's wall time in microseconds.
run_us() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  end=$(date +%s%N)
  echo $(((end - start) / 1000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1000 }'; }

peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n1; }

# cpu_ms CMD...: processor time of one run in ms, the command's and the X
# server's, over `rounds` runs back to back.
cpu_ms() {
  local tick before after client
  tick=$(getconf CLK_TCK)
  before=$(awk '{ print $14 + $15 }' "/proc/$xvfb_pid/stat")
  client=$(/usr/bin/time -f '%U %S' bash -c 'for ((i = 0; i < $0; i++)); do "$@" >/dev/null 2>&1; done' \
    "$rounds" "$@" 2>&1 | tail -n1)
  after=$(awk '{ print $14 + $15 }' "/proc/$xvfb_pid/stat")
  awk -v c="$client" -v s=$((after - before)) -v t="$tick" -v n="$rounds" \
    'BEGIN { split(c, p, " "); printf "%.1f", ((p[1] + p[2]) * 1000 + s * 1000 / t) / n }'
}

ours=("$render" --set=x11 --start 255,0,0 --end 0,0,255 --style 0)
theirs=(hsetroot -add "#0000ff" -add "#ff0000" -gradient 0)
floor=("$work/root_floor")

# side_by_side SIZE NAME CMD... -- NAME CMD...: alternating runs, medians.
compare() {
  local size=$1 a_name=$2 b_name=$3
  local -n a_cmd=$4 b_cmd=$5
  start_xvfb "$size"
  run_us "${a_cmd[@]}" >/dev/null; run_us "${b_cmd[@]}" >/dev/null
  : >"$work/a"; : >"$work/b"
  for ((i = 0; i < rounds; i++)); do
    run_us "${a_cmd[@]}" >>"$work/a"
    run_us "${b_cmd[@]}" >>"$work/b"
  done
  local a b
  a=$(median <"$work/a"); b=$(median <"$work/b")
  local pic=$((${size#*x} * ((24 * ${size%x*} + 31) / 32) * 4 / 1024))
  local a_cpu b_cpu
  a_cpu=$(cpu_ms "${a_cmd[@]}"); b_cpu=$(cpu_ms "${b_cmd[@]}")
  printf '%-10s %-15s %8s ms wall %8s ms cpu %8s KB peak\n' "$size" "$a_name" "$a" "$a_cpu" \
    "$(peak_kb "${a_cmd[@]}")"
  printf '%-10s %-15s %8s ms wall %8s ms cpu %8s KB peak\n' "$size" "$b_name" "$b" "$b_cpu" \
    "$(peak_kb "${b_cmd[@]}")"
  awk -v a="$a" -v b="$b" -v ac="$a_cpu" -v bc="$b_cpu" -v an="$a_name" -v bn="$b_name" -v p="$pic" \
    'BEGIN { printf "%-10s %s / %s: %.2fx wall, %.2fx cpu   (the 24-bit picture: %d KB)\n", "", an, bn, a / b, ac / bc, p }'
}

echo "huevane-render: $render; $rounds runs of each, taking turns, medians of whole processes"
compare 1920x1080 huevane-render hsetroot ours theirs
for size in 3840x2160 7680x4320; do
  compare "$size" huevane-render floor ours floor
done
