#!/usr/bin/env bash
# Times shadeloom-render against ImageMagick's convert making comparable
# gradients (same size, uncompressed 24-bit BMP out) with hyperfine, in one run
# on this machine, and prints how many times faster shadeloom-render is.
#
#   scripts/bench_vs_imagemagick.sh [path/to/shadeloom-render] [sizes...]
#
# Defaults: the Release build tree's binary (see docs/performance.md), sizes
# 512x512 and 4096x4096. Needs hyperfine, ImageMagick and python3.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
render=${1:-/tmp/perf-build/cli/shadeloom-render}
shift || true
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(512x512 4096x4096)

for tool in hyperfine convert python3; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (apt-get install hyperfine imagemagick python3)" >&2; exit 1; }
done
[[ -x $render ]] || { echo "no shadeloom-render at $render; build it first" >&2; exit 1; }

# Output in memory (tmpfs) when there is one: both tools write the same 24-bit
# file, and the disk's writeback would otherwise decide both times.
out=$(mktemp -d -p "$( [[ -d /dev/shm ]] && echo /dev/shm || echo "${TMPDIR:-/tmp}")")
trap 'rm -rf "$out"' EXIT

# name | shadeloom-render type | ImageMagick image and operators
cases=(
  "linear vertical|Linear Vertical|gradient:white-black"
  "linear horizontal|Linear Horizontal|-define gradient:direction=east gradient:white-black"
  "diagonal|Diagonal LR|-define gradient:direction=southeast gradient:white-black"
  "radial|Radial|radial-gradient:white-black"
  "sine vertical|Sine Vertical|gradient:white-black -function Sinusoid 1,0"
  "sine horizontal|Sine Horizontal|-define gradient:direction=east gradient:white-black -function Sinusoid 1,0"
  "sine radial|Sine Radial|radial-gradient:white-black -function Sinusoid 1,0"
  "cosine radial|Cosine Radial|radial-gradient:white-black -function Sinusoid 1,90"
)

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(free -g | awk '/Mem:/ {print $2}') GiB"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for size in "${sizes[@]}"; do
  pixels=$(( ${size%x*} * ${size#*x} ))
  # Fewer runs for the large images; both tools get the same count.
  runs=20
  (( pixels > 4000000 )) && runs=5
  for entry in "${cases[@]}"; do
    IFS='|' read -r name type magick <<<"$entry"
    json="$out/$(tr ' ' _ <<<"$name")-$size.json"
    hyperfine -N --style none --warmup 1 --runs "$runs" --export-json "$json" \
      -n shadeloom "$render --type '$type' --size $size -o $out/s.bmp" \
      -n imagemagick "convert -size $size $magick BMP3:$out/m.bmp" >/dev/null 2>&1
    python3 - "$json" "$name" "$size" <<'EOF'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
s, m = results["shadeloom"], results["imagemagick"]
print(f"{sys.argv[3]:>9}  {sys.argv[2]:<17}  shadeloom {s['mean']*1e3:8.1f} ms ± {s['stddev']*1e3:5.1f}"
      f"   imagemagick {m['mean']*1e3:8.1f} ms ± {m['stddev']*1e3:6.1f}   ratio {m['mean']/s['mean']:6.1f}x")
EOF
  done
done
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
