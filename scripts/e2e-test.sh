#!/usr/bin/env bash
# End-to-end test of shadeloom.exe under Wine, run by CTest inside a virtual
# display: the driver uses the program like a person would and saves a
# picture, which must equal, byte for byte, what shadeloom-render makes of the
# same settings (saving over a read-only file: tests/ui/save_image_test.cpp).
# A screenshot of the running dialog is kept.
#
#   e2e-test.sh DRIVER.exe SHADELOOM.exe SHADELOOM-RENDER.exe ARTEFACT_DIR
set -euo pipefail
driver=$1 app=$2 render=$3 artefacts=$4
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/wine-run
export SHADELOOM_WINE_BUILD_DIR=${SHADELOOM_WINE_BUILD_DIR:-$(dirname "$(dirname "$app")")}

mkdir -p "$artefacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Wine sees the whole Unix tree as drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

status=0

# Shadeloom: "Sine Radial", start #123456 and end #C8640A through the colour
# chooser, then Switch; 300 x 200 at frequency 0.33333 (rendered, and shown,
# as typed).
echo "== save: a picture made in the dialog, saved through the save dialog"
rm -f "$artefacts/shadeloom-dialog.png"
"$wine_run" "$driver" save "$(windows_path "$app")" "$(windows_path "$work/saved.bmp")" "$(windows_path "$work")" \
  > "$work/driver.log" 2>&1 &
driver_pid=$!
# Take the screenshot when the driver says the dialog and preview are up.
while kill -0 "$driver_pid" 2>/dev/null; do
  if [ -f "$work/ready-for-screenshot" ] && [ ! -f "$work/screenshot-done" ]; then
    import -window root "$artefacts/shadeloom-dialog.png" || echo "screenshot failed"
    touch "$work/screenshot-done"
  fi
  sleep 0.2
done
wait "$driver_pid" || status=1
grep -v '^wine: Read access denied' "$work/driver.log" || true
if [ -f "$artefacts/shadeloom-dialog.png" ]; then
  echo "screenshot: $artefacts/shadeloom-dialog.png"
fi

"$wine_run" "$render" --type "Sine Radial" --size 300x200 --start '#C8640A' --end '#123456' --frequency 0.33333 \
  -o "$(windows_path "$work/expected.bmp")" >/dev/null
if [ -f "$work/saved.bmp" ] && cmp "$work/saved.bmp" "$work/expected.bmp"; then
  echo "saved file equals shadeloom-render's ($(stat -c %s "$work/saved.bmp") bytes)"
else
  echo "FAIL: the saved file differs from shadeloom-render's, or is missing"
  status=1
fi

ls "$work" | grep -v -E '^(saved|expected)\.bmp$|^driver\.log$|screenshot' \
  | sed 's/^/FAIL: left behind: /' | grep . && status=1

[ "$status" -eq 0 ] && echo "end-to-end: passed" || echo "end-to-end: FAILED"
exit "$status"
