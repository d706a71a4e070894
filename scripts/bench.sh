#!/usr/bin/env bash
# Builds the benchmarks (Release) natively into build/bench and for Windows
# i686 into build/bench-mingw32, and runs them: first the dialog commands
# natively and under 32-bit Wine side by side, then (unless --side-by-side)
# the core with Google Benchmark, shadeloom-render against ImageMagick, and
# the peak memory of a 4096x4096 render and save. See docs/performance.md.
#
#   scripts/bench.sh [--side-by-side] [GOOGLE_BENCHMARK_ARGUMENTS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
windows="$root/build/bench-mingw32"
only_side_by_side=0
[ "${1:-}" = --side-by-side ] && { only_side_by_side=1; shift; }

"$root/scripts/setup.sh"
for tool in hyperfine /usr/bin/time; do
  command -v "$tool" >/dev/null || { sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y -qq hyperfine time >/dev/null; }
done

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSHADELOOM_BENCHMARKS=ON -DSHADELOOM_TESTS=OFF >/dev/null
cmake -S "$root" -B "$windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DSHADELOOM_BENCHMARKS=ON -DSHADELOOM_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target shadeloom-command-bench shadeloom-bench shadeloom-render >/dev/null
cmake --build "$windows" -j"$(nproc)" --target shadeloom-command-bench >/dev/null

"$root/scripts/bench_side_by_side.sh" "$build/bench/shadeloom-command-bench" \
  "$windows/bench/shadeloom-command-bench.exe"
[ "$only_side_by_side" -eq 1 ] && exit 0

"$build/bench/shadeloom-bench" "$@"
"$root/scripts/bench_vs_imagemagick.sh" "$build/cli/shadeloom-render" 512x512 4096x4096
"$root/scripts/bench_memory.sh" "$build/cli/shadeloom-render"
