# Sourced by the benchmark scripts after scripts/common.sh.
# shellcheck shell=bash

# bench_configure DIR native|win32: configures the build tree DIR with the
# benchmarks on (HUEVANE_BENCHMARKS), whether or not the tests made it
# first; the rest of an existing tree's settings stay.
bench_configure() {
  local dir=$1 tree=$2 toolchain=()
  if [[ $tree == win32 ]]; then
    toolchain=(-DCMAKE_TOOLCHAIN_FILE="$HV_ROOT/cmake/toolchain-mingw32.cmake")
  fi
  if [[ -f $dir/CMakeCache.txt ]] && grep -qx 'HUEVANE_BENCHMARKS:BOOL=ON' "$dir/CMakeCache.txt"; then
    return 0
  fi
  hv_say "configuring $dir with the benchmarks"
  cmake -S "$HV_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${toolchain[@]}" \
    -DHUEVANE_BENCHMARKS=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=OFF >/dev/null
}
