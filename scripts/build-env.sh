# Sourced by the scripts: set-up, configure and build into build/, then a warm Wine.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${build:-$root/build}"  # an engineer's own build folder when $build is set
"$root/scripts/setup"

# Runs a configure or build step quietly; when it fails, shows what it printed.
quietly() {
  local output
  if ! output=$("$@" 2>&1); then
    printf '%s\n' "$output" >&2
    echo "build-env: failed: $*" >&2
    return 1
  fi
}

quietly cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
quietly cmake --build "$build" -j "$(nproc)"
. "$root/scripts/wine-env.sh"
start_wine
