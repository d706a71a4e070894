#!/usr/bin/env bash
# Sets up, builds every tree and runs every test: natively with sanitizers,
# then the Windows i686 release build under 32-bit Wine in a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh"

status=0
echo "== native tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
(cd "$root/build/native" && ctest --output-on-failure -j2) || status=1

echo "== fuzzing (60 s in all, after replaying the kept inputs)"
"$root/scripts/fuzz.sh" 60 || status=1

echo "== valgrind memcheck"
"$root/scripts/valgrind.sh" || status=1

echo "== Windows i686 (release target) tests under 32-bit Wine"
"$root/scripts/wine-prefix" "$root/build/mingw32/wineprefix"
(cd "$root/build/mingw32" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure) || status=1

[ "$status" -eq 0 ] && echo "== all tests passed" || echo "== some tests FAILED"
exit "$status"
