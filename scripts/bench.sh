#!/usr/bin/env bash
# Builds the benchmarks (Release, native) into build/bench and runs them: the
# core with Google Benchmark, shadeloom-render against ImageMagick, and the
# peak memory of a 4096x4096 render and save. See docs/performance.md.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"

"$root/scripts/setup.sh"
for tool in hyperfine /usr/bin/time; do
  command -v "$tool" >/dev/null || { sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y -qq hyperfine time >/dev/null; }
done

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSHADELOOM_BENCHMARKS=ON -DSHADELOOM_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target shadeloom-bench shadeloom-render >/dev/null

"$build/bench/shadeloom-bench" "$@"
"$root/scripts/bench_vs_imagemagick.sh" "$build/cli/shadeloom-render" 512x512 4096x4096
"$root/scripts/bench_memory.sh" "$build/cli/shadeloom-render"
