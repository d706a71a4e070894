#!/usr/bin/env bash
# Runs two builds of shadeloom-bench side by side - benchmark by benchmark,
# alternating, so both see the same machine at nearly the same moment - and
# prints a Markdown table: wall and CPU time (medians of three repetitions)
# with the speed-up.
#
#   scripts/bench_compare.sh BEFORE_BENCH AFTER_BENCH [REGEX]
#
# Example: an old build copied aside, then the current one, 4096x4096 only:
#   scripts/bench_compare.sh /tmp/perf-before/shadeloom-bench /tmp/perf-build/bench/shadeloom-bench 4096
set -euo pipefail

before=${1:?before: a shadeloom-bench binary}
after=${2:?after: a shadeloom-bench binary}
filter=${3:-.}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')," \
     "$(free -g | awk '/Mem:/ {print $2}') GiB; load $(cut -d' ' -f1-3 /proc/loadavg)" >&2

python3 - "$before" "$after" "$filter" <<'EOF'
import json, re, subprocess, sys

before, after, wanted = sys.argv[1:4]
names = [n for n in subprocess.run([after, "--benchmark_list_tests"], capture_output=True, text=True,
                                   check=True).stdout.split() if re.search(wanted, n)]

def run(binary, name):
    out = subprocess.run([binary, "--benchmark_filter=^" + re.escape(name) + "$", "--benchmark_repetitions=3",
                          "--benchmark_report_aggregates_only=true", "--benchmark_format=json"],
                         capture_output=True, text=True, check=True).stdout
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
            return b["real_time"] * scale, b["cpu_time"] * scale, b.get("MP/s")
    return None

print("| benchmark | size | before wall ms | after wall ms | wall speed-up | before CPU ms | after CPU ms"
      " | CPU speed-up | after MP/s |")
print("|---|---|---:|---:|---:|---:|---:|---:|---:|")
for name in names:
    b, a = run(before, name), run(after, name)
    if not b or not a:
        continue
    parts = re.sub(r"/min_time:[^/]*|/real_time", "", name).split("/")
    rate = f"{a[2]:.0f}" if a[2] else ""
    print(f"| {'/'.join(parts[:-1])} | {parts[-1]} | {b[0]:.2f} | {a[0]:.2f} | {b[0] / a[0]:.1f}x"
          f" | {b[1]:.2f} | {a[1]:.2f} | {b[1] / a[1]:.1f}x | {rate} |", flush=True)
EOF
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
