#!/usr/bin/env bash
# Runs shadeloom-command-bench natively (GDI stand-in) and the i686 build
# under 32-bit Wine (real GDI) in one go, alternating size by size so both
# see the machine at nearly the same moment, and prints a Markdown table of
# the medians side by side with the targets on Windows.
#
#   scripts/bench_side_by_side.sh NATIVE_BENCH WINDOWS_BENCH.exe [SUBSTRING...]
#
# The substrings pick the cases whose names contain all of them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=${1:?native: a shadeloom-command-bench binary}
windows=${2:?windows: a shadeloom-command-bench.exe}
shift 2

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Wine without a display falls back to its null driver; the program runs on
# a display, so give it one when none is there.
wine_run=("$root/scripts/wine-run")
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  wine_run=(xvfb-run -a -s "-screen 0 1280x1024x24" "${wine_run[@]}")
fi

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')," \
     "$(free -g | awk '/Mem:/ {print $2}') GiB; $(wine --version); load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
for size in 512x512 1920x1080 4096x4096; do
  # Every case name ends in its size.
  "$native" "$@" "/$size" >>"$out/native"
  "${wine_run[@]}" "$windows" "$@" "/$size" | tr -d '\r' >>"$out/windows"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >&2

python3 - "$out/native" "$out/windows" <<'PYTHON'
import sys

def read(path):
    rows = {}
    for line in open(path):
        parts = line.rstrip("\n").split("\t")
        if len(parts) >= 2:
            rows[parts[0]] = parts[1:]
    return rows

native, windows = read(sys.argv[1]), read(sys.argv[2])
# One frame at 60 Hz at the screen size; within 1.5x of native for the largest.
limits = {"512x512": 5.0, "1920x1080": 16.0}

def cell(row):
    return "failed" if not row or row[0] == "failed" else f"{float(row[0]):.2f} ({float(row[1]):.2f}-{float(row[2]):.2f})"

print("| case | size | native ms (min-max) | i686 under Wine ms (min-max) | Wine / native | target | met |")
print("|---|---|---:|---:|---:|---|---|")
for name, row in native.items():
    other = windows.get(name)
    case, size = name.rsplit("/", 1)
    ratio, target, met = "", "", ""
    if other and other[0] != "failed" and row[0] != "failed":
        n, w = float(row[0]), float(other[0])
        ratio = f"{w / n:.2f}x"
        if not case.startswith("step/"):
            if size in limits:
                target, met = f"< {limits[size]:g} ms", "yes" if w < limits[size] else "**no**"
            else:
                target, met = "< 1.5x native", "yes" if w <= 1.5 * n else "**no**"
    print(f"| {case} | {size} | {cell(row)} | {cell(other)} | {ratio} | {target} | {met} |")
PYTHON
