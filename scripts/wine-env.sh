# Sourced by the scripts: a private 32-bit Wine prefix in the build folder, an X display of this
# run's own, and a wineserver that lives as long as the run. Both end when the sourcing script
# exits, so two runs on one machine never share a pointer, a keyboard focus or a window.
# Expects $build to be set.
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
# No Mono/Gecko installers; a crash fails fast instead of waiting on winedbg's dialog.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

# Where the kernel runs no 32-bit code, scripts/setup registered qemu-i386 for i386 programs;
# Wine's processes then preload the library that gives their fault handler its trap numbers.
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
  wine_way="qemu-i386 emulation ($(/usr/bin/qemu-i386 --version | head -n 1))"
  export LD_PRELOAD="$root/.deps/preload/\$LIB/libvellox_trap_number.so${LD_PRELOAD:+ $LD_PRELOAD}"
else
  wine_way="native i386"
fi

# Xvfb picks a free display number itself and writes it to the file behind -displayfd, so no
# fixed number is ever shared with another run (or taken over from one).
start_display() {
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" </dev/null >/dev/null 2>&1 &
  wine_env_xvfb=$!
  local number=""
  for _ in $(seq 300); do
    number=$(head -n 1 "$number_file" 2>/dev/null)
    [ -n "$number" ] && break
    kill -0 "$wine_env_xvfb" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number_file"
  if [ -z "$number" ]; then
    echo "wine-env: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

# Ends the run's Wine processes, its wineserver and its display.
stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${wine_env_xvfb:-}" ]; then
    kill "$wine_env_xvfb" 2>/dev/null || true
    wait "$wine_env_xvfb" 2>/dev/null || true
  fi
}

start_wine() {
  # A server an earlier run of this build folder left behind would still talk to its display.
  wineserver -k >/dev/null 2>&1 || true
  trap stop_wine EXIT
  start_display
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # A server for the whole run, started with DISPLAY set; one trivial program so the first test
  # does not pay for the start-up.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit >/dev/null 2>&1 || true
}
