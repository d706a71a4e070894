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

# Skipped cases say why; show them, since ctest counts their suite as passed.
grep -h '^SKIPPED ' "$root"/build/{native,mingw32}/Testing/Temporary/LastTest.log 2>/dev/null | sort -u || true

echo "== the release package"
if "$root/scripts/package.sh" >"$root/build/package.log" 2>&1; then
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build/release-mingw32/CMakeCache.txt")
  SHADELOOM_WINE_BUILD_DIR="$root/build/mingw32" \
    /usr/bin/python3 "$root/tests/tools/check_package.py" "$root/build/shadeloom-$version-win32.zip" "$root/scripts/wine-run" ||
    status=1
else
  cat "$root/build/package.log"; echo "package: the release build FAILED"; status=1
fi

echo "== the README's run command, in a virtual display"
"$root/tests/tools/check_run_command.sh" || status=1

echo "== the README's gallery, drawn again"
/usr/bin/python3 "$root/scripts/make_gallery.py" "$root/build/native/cli/shadeloom-render" "$root/build/gallery.png" || status=1

[ "$status" -eq 0 ] && echo "== all tests passed" || echo "== some tests FAILED"
exit "$status"
