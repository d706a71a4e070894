#!/usr/bin/env bash
# Sets up, builds and runs Shadeloom: the i686 release program under 32-bit
# Wine. With a display the dialog opens there; without one it runs in a
# virtual display (Xvfb), and a screenshot of the dialog is written once it is
# on screen. Ctrl+C (or the program's own Quit) ends it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh" run
"$root/scripts/release-build.sh" shadeloom

tree="$root/build/release-mingw32"
exe="$tree/app/shadeloom.exe"
export WINEPREFIX="$tree/wineprefix"
"$root/scripts/wine-prefix" "$WINEPREFIX"

if [ -n "${DISPLAY:-}" ]; then
  echo "run: starting Shadeloom"
  exec "$root/scripts/wine-run" "$exe"
fi

shot="$root/build/shadeloom.png"
xvfb_pid="" app_pid=""
finish() {
  trap - INT TERM EXIT
  # The program first, then the display: the other way round Wine complains
  # that its X connection broke.
  [ -n "$app_pid" ] && { WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; }
  [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }
}
trap 'finish; echo; echo "run: ended"; exit 0' INT TERM
trap finish EXIT

# A free display number from Xvfb itself.
display_file=$(mktemp)
Xvfb -displayfd 8 -screen 0 1280x1024x24 -nolisten tcp 8>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$display_file")"
rm -f "$display_file"

echo "run: no display, so Shadeloom runs in a virtual one ($DISPLAY)"
"$root/scripts/wine-run" "$exe" 2>/dev/null &
app_pid=$!

# Wait for the dialog, then until two screenshots in a row agree: painted.
if ! window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Shadeloom v' 2>/dev/null | head -n1); then
  echo "run: the dialog did not appear within 60 s" >&2
  exit 1
fi
part="${shot%.png}.part.png"
previous=""
for _ in $(seq 50); do
  sleep 0.2
  import -window root "$part" 2>/dev/null || continue
  current=$(identify -format '%#' "$part")  # a digest of the pixels alone
  [ "$current" = "$previous" ] && break
  previous=$current
done
mv "$part" "$shot"
echo "run: the dialog is on screen (window $window); screenshot: $shot"
echo "run: Shadeloom keeps running in the virtual display; Ctrl+C ends it"
wait "$app_pid" 2>/dev/null || true
app_pid=""
echo "run: Shadeloom has ended"
