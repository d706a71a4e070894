#!/usr/bin/env bash
# Runs the image lifecycle tests (resets, thumbnails and their failures,
# tests/app/image_lifecycle_test.cpp) and one render of shadeloom-render with a thumbnail under valgrind's memcheck, in a
# build without sanitizers (build/valgrind). Fails on any memory error or any
# definitely, indirectly or possibly lost block. Skips cleanly, exiting 0,
# when valgrind is not installed (Debian: valgrind).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/valgrind"

if ! command -v valgrind >/dev/null; then
  echo "valgrind: skipped: valgrind is not installed"
  exit 0
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSHADELOOM_SANITIZE=OFF >/dev/null
fi
echo "valgrind: building"
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target app_tests shadeloom-render -- --no-print-directory \
  >"$build/build.log" 2>&1 || { tail -30 "$build/build.log"; echo "valgrind: build failed"; exit 1; }

memcheck=(valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect,possible
          --errors-for-leak-kinds=definite,indirect,possible --track-fds=no)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

status=0
echo "valgrind: image lifecycle"
"${memcheck[@]}" --log-file="$scratch/session.log" "$build/tests/app_tests" --gtest_brief=1 \
  --gtest_filter='ImageLifecycle.*:Thumbnail.*' || status=1
echo "valgrind: shadeloom-render with a thumbnail, then a refused size"
"${memcheck[@]}" --log-file="$scratch/render.log" "$build/cli/shadeloom-render" --type "2x Cosine Radial" \
  --size 300x200 --frequency 2.5 -o "$scratch/out.bmp" --thumbnail "$scratch/thumb.bmp" >/dev/null || status=1
rc=0
"${memcheck[@]}" --log-file="$scratch/refused.log" "$build/cli/shadeloom-render" --size 46341x46341 \
  -o "$scratch/big.bmp" >/dev/null 2>&1 || rc=$?
[ "$rc" -eq 1 ] || { echo "valgrind: refused size exited $rc, expected 1"; status=1; }

for log in "$scratch"/*.log; do
  if [ -s "$log" ]; then
    echo "--- $(basename "$log")"
    cat "$log"
  fi
done
[ "$status" -eq 0 ] && echo "valgrind: no errors, no leaks" || echo "valgrind: FAILED"
exit "$status"
