# Sourced by the scripts: set-up, then configure and build the native test tier into
# build-native/ (clang, AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz targets).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
native_build="${native_build:-$root/build-native}"
"$root/scripts/setup"
. "$root/scripts/quietly.sh"
quietly env CC=clang-14 CXX=clang++-14 cmake -S "$root/native" -B "$native_build" -G Ninja
quietly cmake --build "$native_build" -j "$(nproc)"
