#!/usr/bin/env bash
# Configures and builds the two trees from the same sources:
#   build/native   Linux, with AddressSanitizer and UndefinedBehaviorSanitizer
#   build/mingw32  Windows i686, the release target (its tests run under
#                  32-bit Wine)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

configure() {
  local dir=$1; shift
  if [ ! -f "$root/build/$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$root/build/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  fi
}

configure native -DSHADELOOM_SANITIZE=ON
configure mingw32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DSHADELOOM_NATIVE_RENDER="$root/build/native/cli/shadeloom-render"

for dir in native mingw32; do
  echo "build: $dir"
  # The progress lines are dropped; a failed build still fails the pipeline.
  cmake --build "$root/build/$dir" -j"$jobs" -- --no-print-directory 2>&1 | { grep -vE '^\[ *[0-9]+%\]' || true; } ||
    { echo "build: $dir failed"; exit 1; }
done
