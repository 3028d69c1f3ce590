#!/usr/bin/env bash
# Times ImageMagick and huevane-render making the same picture: a 24-bit BMP
# of a red-to-blue gradient running left to right.
#
#   bench/peers.sh [path/to/huevane-render]
#
# The renderer defaults to build/native/huevane-render. Environment:
#   SIZES  sizes to try (default "1920x1080 3840x2160")
#   RUNS   timed runs per command (default 10), after WARMUP untimed ones (default 2)
#   ONLY   "magick" to time ImageMagick alone (for when the renderer is not built yet)
#   TIMER  "loop" to time with the shell loop even where hyperfine is installed
#
# Each run writes a new file: the output is deleted before every run, outside
# the timing, so neither side pays for replacing or truncating an old one.
# Uses hyperfine when it is installed, else a loop timed with date +%s%N.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
render="${1:-$root/build/native/huevane-render}"
sizes="${SIZES:-1920x1080 3840x2160}"
runs="${RUNS:-10}"
warmup="${WARMUP:-2}"
only="${ONLY:-}"
use_hyperfine=0
[[ "${TIMER:-}" != loop ]] && command -v hyperfine >/dev/null && use_hyperfine=1

# /usr/local/bin/convert may be a stand-in that only converts for viewing;
# Debian's ImageMagick puts the real one here.
convert=/usr/bin/convert
if [[ ! -x "$convert" ]]; then
  echo "peers.sh: $convert missing; installing Debian's imagemagick" >&2
  if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q imagemagick >&2; then
    apt-get update -q >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q imagemagick >&2
  fi
fi

if [[ "$only" != magick && ! -x "$render" ]]; then
  echo "peers.sh: no renderer at $render (build it, pass its path, or set ONLY=magick)" >&2
  exit 2
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/huevane-peers-XXXXXX")"
trap 'rm -rf "$work"' EXIT

# time_loop OUT CMD...: runs CMD, deleting OUT first each time, and leaves
# the timed runs in microseconds in the global array times_ms.
time_loop() {
  local out="$1"
  shift
  local i start end
  for ((i = 0; i < warmup; i++)); do
    rm -f "$out"
    "$@" >/dev/null
  done
  times_ms=()
  for ((i = 0; i < runs; i++)); do
    rm -f "$out"
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    times_ms+=("$(((end - start) / 1000))")
  done
}

# Prints "mean median min" in ms of the microsecond figures in times_ms.
summarise_loop() {
  printf '%s\n' "${times_ms[@]}" | sort -n | awk '
    { v[NR] = $1; sum += $1 }
    END {
      med = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%.1f %.1f %.1f\n", sum / NR / 1000, med / 1000, v[1] / 1000
    }'
}

# time_hyperfine OUT CMD...: prints "mean median min" in ms, through hyperfine.
time_hyperfine() {
  local out="$1"
  shift
  local json="$work/hyperfine.json"
  local cmd
  cmd="$(printf '%q ' "$@")"
  hyperfine --style none --warmup "$warmup" --runs "$runs" \
    --prepare "rm -f $(printf '%q' "$out")" --export-json "$json" "$cmd" \
    >/dev/null 2>"$work/hyperfine.err" || { cat "$work/hyperfine.err" >&2; return 1; }
  python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))["results"][0]
print("%.1f %.1f %.1f" % (r["mean"] * 1e3, r["median"] * 1e3, r["min"] * 1e3))' "$json"
}

measure() {
  if ((use_hyperfine)); then
    time_hyperfine "$@"
  else
    time_loop "$@"
    summarise_loop
  fi
}

bmp_bytes() {
  local w="$1" h="$2"
  echo $((54 + ((24 * w + 31) / 32) * 4 * h))
}

timer="loop of $runs runs (date +%s%N)"
((use_hyperfine)) && timer="hyperfine, $runs runs"
echo "Timing: $timer, $warmup warm-up runs, new output file each run"
echo "ImageMagick: $("$convert" -version | head -n1)"
[[ "$only" != magick ]] && echo "huevane-render: $render"
echo
printf '%-10s %-15s %10s %10s %10s\n' size command "mean ms" "median ms" "min ms"

for size in $sizes; do
  w="${size%x*}"
  h="${size#*x}"
  expected="$(bmp_bytes "$w" "$h")"

  magick_out="$work/magick-$size.bmp"
  figures="$(measure "$magick_out" "$convert" -size "$size" \
    -define gradient:direction=east gradient:red-blue -type TrueColor "BMP3:$magick_out")"
  read -r m_mean m_median m_min <<<"$figures"
  printf '%-10s %-15s %10s %10s %10s\n' "$size" imagemagick "$m_mean" "$m_median" "$m_min"

  # Both must have made a whole 24-bit file of the same size, or the race is unfair.
  "$convert" -size "$size" -define gradient:direction=east gradient:red-blue -type TrueColor \
    "BMP3:$magick_out"
  got="$(stat -c %s "$magick_out")"
  [[ "$got" == "$expected" ]] ||
    echo "  warning: ImageMagick wrote $got bytes, a 24-bit BMP is $expected" >&2

  [[ "$only" == magick ]] && continue

  render_out="$work/huevane-$size.bmp"
  figures="$(measure "$render_out" "$render" --size "$size" \
    --start 255,0,0 --end 0,0,255 --style 0 --out "$render_out")"
  read -r r_mean r_median r_min <<<"$figures"
  printf '%-10s %-15s %10s %10s %10s\n' "$size" huevane-render "$r_mean" "$r_median" "$r_min"

  "$render" --size "$size" --start 255,0,0 --end 0,0,255 --style 0 --out "$render_out" >/dev/null
  got="$(stat -c %s "$render_out")"
  [[ "$got" == "$expected" ]] ||
    echo "  warning: huevane-render wrote $got bytes, a 24-bit BMP is $expected" >&2

  awk -v m="$m_median" -v r="$r_median" -v s="$size" 'BEGIN {
    printf "%-10s ratio imagemagick / huevane-render (medians): %.1fx\n", s, m / r }'
done
