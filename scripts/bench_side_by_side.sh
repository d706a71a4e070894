#!/usr/bin/env bash
# Runs shadeloom-command-bench natively (GDI stand-in) and the i686 build
# under 32-bit Wine (real GDI) in one go, alternating size by size so both
# see the machine at nearly the same moment, and prints a Markdown table of
# the figures side by side with the targets on Windows. The targets are
# judged on CPU time as well as on wall time: on a machine shared with other
# builds, wall time measures the neighbours as much as the program.
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
  # (xvfb-run's server going away is no news.)
  "${wine_run[@]}" "$windows" "$@" "/$size" 2> >(grep -v '^X connection to' >&2) | tr -d '\r' >>"$out/windows"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >&2

python3 - "$out/native" "$out/windows" <<'PYTHON'
import sys

def read(path):
    rows = {}
    for line in open(path):
        parts = line.rstrip("\n").split("\t")
        if len(parts) == 5:
            rows[parts[0]] = [float(p) for p in parts[1:]]
        elif len(parts) == 2:
            rows[parts[0]] = None  # failed
    return rows

native, windows = read(sys.argv[1]), read(sys.argv[2])
# One frame at 60 Hz at the screen size; within 1.5x of native for the largest.
limits = {"512x512": 5.0, "1920x1080": 16.0}

def wall(row):
    return f"{row[0]:.2f} ({row[1]:.2f})" if row else "failed"

def cpu(row):
    return f"{row[3]:.2f}" if row else "failed"

def verdict(case, size, n, w, column):
    if case.startswith("step/") or not n or not w:
        return ""
    limit = limits.get(size, 1.5 * n[column])
    return "yes" if w[column] < limit else "**no**"

print("| case | size | native wall ms (min) | native CPU ms | Wine wall ms (min) | Wine CPU ms"
      " | Wine / native, CPU | target | met, CPU | met, wall |")
print("|---|---|---:|---:|---:|---:|---:|---|---|---|")
for name, n in native.items():
    w = windows.get(name)
    case, size = name.rsplit("/", 1)
    ratio = f"{w[3] / n[3]:.2f}x" if n and w else ""
    target = "" if case.startswith("step/") else (f"< {limits[size]:g} ms" if size in limits else "< 1.5x native")
    print(f"| {case} | {size} | {wall(n)} | {cpu(n)} | {wall(w)} | {cpu(w)} | {ratio} | {target}"
          f" | {verdict(case, size, n, w, 3)} | {verdict(case, size, n, w, 0)} |")
PYTHON
