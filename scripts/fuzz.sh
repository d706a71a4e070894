#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, replays the saved inputs, then fuzzes each
# target for a share of a bounded time. Skips cleanly, exiting 0, when clang
# or its fuzzer runtime is missing (Debian: clang, libclang-rt-14-dev).
#
#   scripts/fuzz.sh [SECONDS]   fuzz for SECONDS in all (default 60)
#   scripts/fuzz.sh --merge [SECONDS]
#                               also merge new coverage into fuzz/corpus
#
# A crash, leak or broken check leaves its input in build/fuzz/artifacts and
# fails; copy it into fuzz/regressions/TARGET/ once fixed, so that CTest
# replays it from then on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"

merge=0
if [ "${1:-}" = "--merge" ]; then merge=1; shift; fi
seconds=${1:-60}

# name, -max_len: enough for every field the target reads.
targets=(render_fuzzer:128 downscale_fuzzer:4096 field_rules_fuzzer:300 cli_args_fuzzer:512)

probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe_dir/probe.cpp"
if ! command -v clang++ >/dev/null || ! command -v clang >/dev/null; then
  echo "fuzz: skipped: clang is not installed"
  exit 0
fi
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe_dir/probe.cpp" -o "$probe_dir/probe" >/dev/null 2>&1; then
  echo "fuzz: skipped: clang's libFuzzer runtime is missing (Debian: libclang-rt-14-dev)"
  exit 0
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSHADELOOM_FUZZ=ON -DSHADELOOM_SANITIZE=ON >/dev/null
fi
echo "fuzz: building"
names=()
for entry in "${targets[@]}"; do names+=("${entry%%:*}"); done
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target "${names[@]}" -- --no-print-directory >"$build/build.log" 2>&1 ||
  { tail -30 "$build/build.log"; echo "fuzz: build failed"; exit 1; }

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1

echo "fuzz: replaying the saved inputs"
(cd "$build" && ctest -R '^fuzz_replay_' --output-on-failure) || { echo "fuzz: a saved input fails"; exit 1; }

share=$(( seconds / ${#targets[@]} ))
[ "$share" -ge 1 ] || share=1
status=0
for entry in "${targets[@]}"; do
  name=${entry%%:*}
  max_len=${entry##*:}
  # Fuzz in a working copy, so a test run never changes the source tree.
  work="$build/corpus/$name"
  artifacts="$build/artifacts/$name"
  mkdir -p "$work" "$artifacts"
  cp -n "$root/fuzz/corpus/$name/"* "$work/" 2>/dev/null || true
  echo "fuzz: $name for ${share}s"
  if ! "$build/fuzz/$name" "$work" -max_total_time="$share" -max_len="$max_len" -timeout=20 -len_control=0 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" >"$build/$name.log" 2>&1; then
    grep -E 'ERROR|check failed|SUMMARY|Test unit written' "$build/$name.log" | head -20
    echo "fuzz: $name FAILED (log: $build/$name.log)"
    status=1
    continue
  fi
  grep -E '^stat::number_of_executed_units|^#[0-9]+ +DONE' "$build/$name.log" | tail -2 | sed 's/^/  /'
  if [ "$merge" -eq 1 ]; then
    "$build/fuzz/$name" -merge=1 -max_len="$max_len" "$root/fuzz/corpus/$name" "$work" >/dev/null 2>&1
  fi
done
[ "$status" -eq 0 ] && echo "fuzz: no failure found"
exit "$status"
