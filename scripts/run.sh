#!/usr/bin/env bash
# Sets up, builds and runs Shadeloom: the Windows program under Wine when it
# has been built, in a virtual display when there is no display; otherwise the
# command-line companion with its defaults.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh"

exe="$root/build/mingw64/ui/shadeloom.exe"
if [ -f "$exe" ]; then
  export WINEPREFIX="$root/build/mingw64/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -n "${DISPLAY:-}" ]; then
    exec "$root/scripts/wine-run" "$exe"
  fi
  echo "run: no display, so Shadeloom runs in a virtual one (Xvfb)."
  echo "run: a screenshot is written to build/shadeloom.png after a few seconds; Ctrl+C ends the program."
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$1" "$2" & pid=$!
    sleep 12; import -window root "$3" || true
    wait $pid' _ "$root/scripts/wine-run" "$exe" "$root/build/shadeloom.png"
else
  out="$root/build/gradient.bmp"
  "$root/build/native/cli/shadeloom-render" -o "$out"
  echo "run: wrote $out"
fi
