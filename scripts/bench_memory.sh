#!/usr/bin/env bash
# Peak memory of a whole shadeloom-render run with --thumbnail (resizeImage,
# which renders and builds the thumbnail, then the save) against the image's
# own buffers: the pixel block, the display bitmap and, while the thumbnail
# is rebuilt, its copy of the bitmap - about three times the image's bytes.
#
#   scripts/bench_memory.sh [path/to/shadeloom-render ...]
#
# Default: the Release build tree's binary (see docs/performance.md). Needs
# GNU time (apt-get install time).
set -euo pipefail

renders=("$@")
[[ ${#renders[@]} -gt 0 ]] || renders=(/tmp/perf-build/cli/shadeloom-render)
[[ -x /usr/bin/time ]] || { echo "missing: /usr/bin/time (apt-get install time)" >&2; exit 1; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

width=4096
height=4096
imageKiB=$(( width * height * 3 / 1024 ))
displayKiB=$(( ((width * 3 + 3) / 4 * 4) * height / 1024 ))
echo "image ${width}x${height}: pixel block ${imageKiB} KiB, display bitmap ${displayKiB} KiB," \
     "design peak (block + bitmap + thumbnail source) $(( imageKiB + 2 * displayKiB )) KiB"
# A process that only starts and exits, for the baseline of code and libraries.
baseline=$(/usr/bin/time -f %M "${renders[0]}" --version 2>&1 >/dev/null | tail -1)
echo "process baseline (--version): ${baseline} KiB"
for render in "${renders[@]}"; do
  for type in "Linear Vertical" "Radial" "Sine Radial"; do
    peak=$(/usr/bin/time -f %M "$render" --type "$type" --size "${width}x${height}" \
             --thumbnail "$out/t.bmp" -o "$out/o.bmp" 2>&1 >/dev/null | tail -1)
    printf '%-45s %-16s peak %7d KiB = baseline + %.2f x image bytes\n' "$render" "$type" "$peak" \
      "$(python3 -c "print(($peak - $baseline) / $imageKiB)")"
  done
done
