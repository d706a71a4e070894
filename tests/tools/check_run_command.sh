#!/usr/bin/env bash
# The README's run command without a display: it must put the dialog on the
# virtual screen, write a screenshot of it, and end cleanly when told to.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
shot="$root/build/shadeloom.png"
rm -f "$shot"

env -u DISPLAY setsid "$root/scripts/run.sh" >"$log" 2>&1 &
run=$!
for _ in $(seq 600); do
  grep -q '^run: .*screenshot:' "$log" && break
  kill -0 "$run" 2>/dev/null || break
  sleep 0.5
done
status=0
fail() { echo "FAIL: $*"; status=1; }
grep -q '^run: the dialog is on screen (window [0-9]*)' "$log" || fail "the run command did not report the dialog"
if [ -f "$shot" ]; then
  size=$(identify -format '%wx%h' "$shot")
  [ "$size" = 1280x1024 ] || fail "screenshot is $size, not the whole 1280x1024 screen"
  # The dialog is what is not black: it must be about its real size.
  dialog=$(convert "$shot" -trim -format '%wx%h' info:)
  width=${dialog%x*} height=${dialog#*x}
  { [ "$width" -ge 250 ] && [ "$width" -le 500 ] && [ "$height" -ge 450 ] && [ "$height" -le 800 ]; } ||
    fail "the dialog in the screenshot is $dialog"
else
  fail "no screenshot at $shot"
fi
kill -INT -- -"$run" 2>/dev/null  # as Ctrl+C does: the whole process group
for _ in $(seq 40); do kill -0 "$run" 2>/dev/null || break; sleep 0.25; done
kill -0 "$run" 2>/dev/null && { fail "the run command did not end on Ctrl+C"; kill -KILL -- -"$run"; }
grep -qi 'X connection\|broken\|error' "$log" && fail "noise on the way out: $(grep -i 'X connection\|broken\|error' "$log")"
pgrep -f 'release-mingw32/app/shadeloom.exe' >/dev/null && fail "shadeloom.exe is still running"
[ "$status" -eq 0 ] || cat "$log"
echo "run command: $([ "$status" -eq 0 ] && echo passed || echo FAILED)"
exit "$status"
