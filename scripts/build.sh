#!/usr/bin/env bash
# Configures and builds the two trees from the same sources:
#   build/native   Linux, with AddressSanitizer and UndefinedBehaviorSanitizer
#   build/mingw32  Windows i686, the release target (its tests run under
#                  32-bit Wine)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# Every time, so a tree made before an option changed takes it (a few seconds).
configure() {
  local dir=$1; shift
  cmake -S "$root" -B "$root/build/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# The sanitizer tree builds the plain paths beside the SSE2 ones (fuzzing,
# valgrind and the Windows tree run those), so both are tested.
# It builds the benchmarks too, so they keep compiling.
configure native -DSHADELOOM_SANITIZE=ON -DSHADELOOM_BENCHMARKS=ON \
  -DSHADELOOM_WITHOUT_SSE2="image/pixel_layout.cpp;image/area_average.cpp;gradient/wave_kernels.cpp"
configure mingw32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DSHADELOOM_NATIVE_RENDER="$root/build/native/cli/shadeloom-render"

for dir in native mingw32; do
  echo "build: $dir"
  # The progress lines are dropped; a failed build still fails the pipeline.
  cmake --build "$root/build/$dir" -j"$jobs" -- --no-print-directory 2>&1 | { grep -vE '^\[ *[0-9]+%\]' || true; } ||
    { echo "build: $dir failed"; exit 1; }
done
