#!/usr/bin/env bash
# Sets up, builds every tree and runs every test: natively with sanitizers,
# then the Windows x86_64 build under Wine in a virtual display.
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

echo "== Windows x86_64 tests under Wine"
export WINEPREFIX="$root/build/mingw64/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "(first start of the Wine prefix takes a few seconds)"
  wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
  xvfb-run -a bash -c '"$1" wineboot -i; wineserver -w' _ "$wine" >/dev/null 2>&1 || true
fi
(cd "$root/build/mingw64" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure) || status=1

[ "$status" -eq 0 ] && echo "== all tests passed" || echo "== some tests FAILED"
exit "$status"
