# Sourced by the scripts: a private 32-bit Wine prefix in the build folder, an X display from
# Xvfb (windows and message boxes need one), and a warm wineserver that outlives single runs.
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

start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
  export DISPLAY=:87
  xdpyinfo >/dev/null 2>&1 && return
  rm -f /tmp/.X11-unix/X87 /tmp/.X87-lock
  Xvfb :87 -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
  echo "wine-env: Xvfb did not start" >&2
  return 1
}

start_wine() {
  start_display
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # A persistent server started with DISPLAY set; one trivial program so the first test
  # does not pay for the start-up.
  wineserver -p </dev/null >/dev/null 2>&1 || true  # fails when one already runs
  wine cmd /c exit >/dev/null 2>&1 || true
}
