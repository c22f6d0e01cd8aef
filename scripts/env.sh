# Shared by scripts/test, scripts/run and scripts/bench: packages, builds, the Wine prefix, a display.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${VELKOR_BUILD:-$ROOT/build}
JOBS=$(nproc 2>/dev/null || echo 2)

PACKAGES="cmake make g++ googletest libbenchmark-dev clang libclang-rt-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xauth x11-apps imagemagick xdotool fonts-wqy-microhei python3"

log() { printf '== %s\n' "$*"; }

# Installs what is missing; refreshes the package lists only when something is.
install_packages() {
  local missing=()
  for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
}

# build_tree NAME [cmake options...]: configures once, then builds.
build_tree() {
  local name=$1; shift
  if [ ! -f "$BUILD/$name/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD/$name" "$@" >/dev/null || return 1
  fi
  # The build's own status: the filter's, or the `|| true` that would follow a failed pipeline,
  # must not hide a failed build.
  cmake --build "$BUILD/$name" -j"$JOBS" -- --no-print-directory 2>&1 | grep -v -E '^\[ *[0-9]+%\]|^Consolidate|^$'
  return "${PIPESTATUS[0]}"
}

# A private Wine prefix under the build folder: the user's own ~/.wine is never touched.
setup_wine() {
  export WINEPREFIX=${VELKOR_WINEPREFIX:-$BUILD/wineprefix}
  export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1
    wineserver -w
  fi
  # Without a window manager on the virtual display, Wine waits about 2 s for every managed
  # window (each message box); unmanaged windows appear at once.
  if [ ! -f "$WINEPREFIX/.velkor-unmanaged" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
      touch "$WINEPREFIX/.velkor-unmanaged"
  fi
  # A program that crashes is reported on its standard error and ends; Wine's crash dialog would
  # wait for a click that never comes, and the suite would hang until its time-out.
  if [ ! -f "$WINEPREFIX/.velkor-nocrashdialog" ]; then
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 &&
      touch "$WINEPREFIX/.velkor-nocrashdialog"
  fi
  # Windows draws Chinese and Japanese in a fixed-pitch font through its font links; a new
  # prefix has none, so one is added to a font that has those characters.
  if [ ! -f "$WINEPREFIX/.velkor-fontlink" ]; then
    local face linked=1
    for face in "Courier New" "DejaVu Sans Mono"; do
      wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
        /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei Mono' /f >/dev/null 2>&1 || linked=""
    done
    [ -n "$linked" ] && touch "$WINEPREFIX/.velkor-fontlink"
  fi
  # A file whose writes fail (disk full, error 112), for the tests of failing saves.
  ln -sfn /dev/full "$WINEPREFIX/drive_c/velkor-devfull"
  wineserver -p 60 >/dev/null 2>&1 || true   # one server for the whole run: starts are faster
}

# Starts a virtual display when none is set; stop_display ends the one we started.
XVFB_PID=""
start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${VELKOR_FORCE_XVFB:-}" ]; then return 0; fi
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
  done
  echo "could not start Xvfb" >&2
  return 1
}
stop_display() {
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
}
