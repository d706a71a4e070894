#!/usr/bin/env bash
# Builds the release programs for 32-bit Windows (i686): optimised, no test
# code, symbols stripped, in build/release-mingw32. Progress goes to the
# terminal as cmake prints it.
#
#   release-build.sh TARGET...     e.g. shadeloom shadeloom-render
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree="$root/build/release-mingw32"
if [ ! -f "$tree/CMakeCache.txt" ]; then
  echo "release: configuring $tree"
  cmake -S "$root" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DSHADELOOM_TESTS=OFF -DCMAKE_EXE_LINKER_FLAGS=-s >/dev/null
fi
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$tree" -j"$(nproc 2>/dev/null || echo 2)" "${targets[@]}" -- --no-print-directory
