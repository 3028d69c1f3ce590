# Sourced by the other scripts in this folder: where things are, progress
# lines, and the Xvfb + Wine session that the Windows build runs in.
# shellcheck shell=bash
# The variables set here are read by the scripts that source this file.
# shellcheck disable=SC2034

HV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# HUEVANE_BUILD puts the build trees elsewhere.
HV_BUILD="${HUEVANE_BUILD:-$HV_ROOT/build}"
# The build machines have two cores, shared.
HV_JOBS="${HUEVANE_JOBS:-2}"

# Progress lines carry the time since the outermost script started.
: "${HV_T0:=$(date +%s)}"
export HV_T0
hv_say() {
  local t=$(($(date +%s) - HV_T0))
  printf '==> [%d:%02d] %s\n' $((t / 60)) $((t % 60)) "$*"
}
hv_die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# --- building ---------------------------------------------------------------

# Settings a script adds to every tree it configures (scripts/package).
HV_CONFIGURE_ARGS=()

# Configures one build tree, Release, with Ninja, and builds the targets
# named (all of them when none are):
#   native  Linux gcc: huevane-render, the tests
#   win32   i686 mingw-w64: the Windows program and the Windows tests
# (the benchmarks only when bench/*.sh has turned them on). Running it
# again rebuilds only what changed.
hv_build_tree() {
  local name=$1 dir="$HV_BUILD/$1" toolchain=() targets=()
  shift
  if [[ $name == win32 ]]; then
    toolchain=(-DCMAKE_TOOLCHAIN_FILE="$HV_ROOT/cmake/toolchain-mingw32.cmake")
  fi
  (($# == 0)) || targets=(--target "$@")
  hv_say "configuring $name in $dir"
  cmake -S "$HV_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${toolchain[@]}" \
    "${HV_CONFIGURE_ARGS[@]}" >/dev/null
  hv_say "building $name${*:+: $*} (-j$HV_JOBS)"
  cmake --build "$dir" --parallel "$HV_JOBS" "${targets[@]}"
}

# --- Xvfb -------------------------------------------------------------------

HV_SESSION_DIR=""  # pipes and the Xvfb log, removed when the session stops
HV_XVFB_SCREEN="${HV_XVFB_SCREEN:-1920x1080}"  # width x height
HV_XVFB_PID=""

# Starts a private Xvfb on a free display and exports DISPLAY. Xvfb picks the
# display itself and writes its number to -displayfd only once it accepts
# connections, so there is no polling and no guessing of free numbers.
hv_start_xvfb() {
  mkfifo "$HV_SESSION_DIR/xvfb-ready"
  Xvfb -displayfd 3 -screen 0 "${HV_XVFB_SCREEN}x24" -nolisten tcp \
    3>"$HV_SESSION_DIR/xvfb-ready" >"$HV_SESSION_DIR/xvfb.log" 2>&1 </dev/null &
  HV_XVFB_PID=$!
  local display=""
  # Returns with the number, or at end of file if Xvfb died first.
  read -r -t 60 display <"$HV_SESSION_DIR/xvfb-ready" || true
  if [[ ! $display =~ ^[0-9]+$ ]]; then
    cat "$HV_SESSION_DIR/xvfb.log" >&2 || true
    hv_die "Xvfb did not start"
  fi
  export DISPLAY=":$display"
}

hv_stop_xvfb() {
  if [[ -n $HV_XVFB_PID ]]; then
    kill "$HV_XVFB_PID" 2>/dev/null || true
    wait "$HV_XVFB_PID" 2>/dev/null || true
    HV_XVFB_PID=""
  fi
}

# --- Wine -------------------------------------------------------------------

HV_WINE_STARTED=""

# The Wine prefix; a script may set another after sourcing this file.
HV_WINE_PREFIX="$HV_BUILD/wine"

# A private 32-bit prefix under the build folder: ~/.wine is never touched.
hv_wine_env() {
  export WINEPREFIX="$HV_WINE_PREFIX"
  export WINEARCH=win32
  export WINEDEBUG=-all
  # No Mono or Gecko: a new prefix would otherwise offer to download them.
  # No debugger either: a process that crashes ends at once, where Wine's
  # debugger would wait on its crash dialog until a test timed out.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
}

# Creates the prefix the first time (about 10 s) and reuses it afterwards.
# The marker is written last, so an interrupted creation is redone.
#
# Programs run in a Wine virtual desktop the size of the screen, with Wine's
# own fonts. On a bare Xvfb, with no window manager to answer, Wine waits
# about two seconds for every top-level window it hides or destroys; on a
# virtual desktop it need not wait at all. With HV_PLAIN_PREFIX set, the
# prefix is wineboot's alone, as a plain machine has it (the start-up bench's).
hv_wine_prefix() {
  local marker="$WINEPREFIX/.huevane-${HV_PLAIN_PREFIX:+bench-plain}"
  [[ -n ${HV_PLAIN_PREFIX:-} ]] || marker+="ready-desktop-fonts"
  [[ -f $marker ]] && return 0
  hv_say "creating the ${HV_PLAIN_PREFIX:+plain }Wine prefix $WINEPREFIX (once)"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1 </dev/null
  if [[ -n ${HV_PLAIN_PREFIX:-} ]]; then
    wineserver -w
    touch "$marker"
    return 0
  fi
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$HV_XVFB_SCREEN" /f \
    >/dev/null 2>&1 </dev/null
  # Debian's Wine does not find its own fonts where the package puts them,
  # and a new prefix has none: without Marlett, title bars show letters
  # instead of their buttons.
  if [[ -d /usr/share/wine/fonts ]]; then
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  wineserver -w
  touch "$marker"
}

# Needs DISPLAY. Every Wine process started by ctest must find the server,
# Wine's services and the desktop already running: one that has to start them
# leaves them holding its output pipe, and ctest waits on that pipe until
# they exit (over a second per test). So they are started here, detached
# from any output, and kept up for the whole session.
hv_start_wine() {
  hv_wine_env
  hv_wine_prefix
  # A server of this prefix left by a run that was killed would still talk
  # to that run's dead display.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  wineserver -p >/dev/null 2>&1 </dev/null
  HV_WINE_STARTED=1
  # Returns once the services and the desktop are up.
  wine cmd /c exit >/dev/null 2>&1 </dev/null
  # Wine closes the desktop about a second after the last program using it
  # exits. An idle cmd.exe, reading a pipe that this shell holds open until
  # it ends, stays such a program.
  mkfifo "$HV_SESSION_DIR/desktop-keeper"
  wine cmd <"$HV_SESSION_DIR/desktop-keeper" >/dev/null 2>&1 &
  exec {HV_KEEPER_FD}>"$HV_SESSION_DIR/desktop-keeper"
}

# Ends every process of this prefix (the desktop keeper included), and waits
# for the server to go.
hv_stop_wine() {
  if [[ -n $HV_WINE_STARTED ]]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    HV_WINE_STARTED=""
  fi
}

# --- the session ------------------------------------------------------------

# Xvfb with Wine ready on it.
hv_start_session() {
  hv_say "starting Xvfb and Wine"
  HV_SESSION_DIR="$(mktemp -d "${TMPDIR:-/tmp}/huevane-session.XXXXXX")"
  hv_start_xvfb
  hv_start_wine
}

# Undoes hv_start_session, or as much of it as happened; safe to call twice.
hv_stop_session() {
  hv_stop_wine
  hv_stop_xvfb
  if [[ -n $HV_SESSION_DIR ]]; then
    rm -rf "$HV_SESSION_DIR"
    HV_SESSION_DIR=""
  fi
}

# Stops the session however the script ends, Ctrl-C and failures included.
hv_stop_session_on_exit() {
  trap hv_stop_session EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}
