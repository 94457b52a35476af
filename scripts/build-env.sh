# Sourced by the scripts: set-up, configure and build into build/, then a warm Wine.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${build:-$root/build}"  # an engineer's own build folder when $build is set
"$root/scripts/setup"
. "$root/scripts/quietly.sh"
quietly cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
quietly cmake --build "$build" -j "$(nproc)"
. "$root/scripts/wine-env.sh"
start_wine
