#!/usr/bin/env bash
# Starts veltrask-studio on a private Xvfb display, checks that a screenshot
# shows the main window's chrome colours, closes it with Alt+F4 and expects
# exit code 0.
set -euo pipefail
program=${1:?usage: run_studio_smoke.sh path/to/veltrask-studio}
work=$(mktemp -d)
display=":$((100 + RANDOM % 800))"
Xvfb "$display" -screen 0 1600x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# Its own copy, so that the settings file it writes beside itself stays in $work.
cp "$program" "$work/veltrask-studio"
"$work/veltrask-studio" &
app=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name "Veltrask Studio - Phase 66.1 GLB Compatibility QA" 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no main window appeared"; exit 1; }

# Known chrome colours: the logo's two blues, the menu bar's closing line,
# the status bar's top line and the active rail tab's outline.
has_colour() {
  convert "$work/shot.png" -fill black +opaque "$1" -fill white -opaque "$1" -format "%[fx:mean>0.00001]" info:
}
found=0
for _ in $(seq 10); do
  sleep 0.5
  import -window root "$work/shot.png"
  found=1
  for colour in "rgb(49,132,255)" "rgb(93,176,255)" "rgb(24,34,50)" "rgb(29,42,61)" "rgb(77,158,255)"; do
    [ "$(has_colour "$colour")" = 1 ] || { found=0; missing=$colour; break; }
  done
  [ "$found" = 1 ] && break
done
[ "$found" = 1 ] || { echo "FAIL: chrome colour $missing is not on the screen"; exit 1; }
echo "screenshot shows the chrome colours"

timeout 5 xdotool windowfocus --sync "$window" || true
xdotool key --clearmodifiers alt+F4
status=0
for _ in $(seq 100); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then echo "FAIL: the studio did not close"; exit 1; fi
wait "$app" || status=$?
app=""
[ "$status" -eq 0 ] || { echo "FAIL: exit code $status"; exit 1; }
[ -f "$work/veltrask_workspace_phase64_10_5.ini" ] || { echo "FAIL: no settings file written"; exit 1; }
echo "PASS"
