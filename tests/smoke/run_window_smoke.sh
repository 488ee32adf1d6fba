#!/usr/bin/env bash
# Opens the smoke program's real window on a private Xvfb display, checks the
# screen shows its colours, closes it with Alt+F4 and expects exit code 0.
set -euo pipefail
program=${1:?usage: run_window_smoke.sh path/to/vk_window_smoke}
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
# A loaded machine can take a while to bring the server up.
for _ in $(seq 300); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getdisplaygeometry >/dev/null 2>&1 || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }

"$program" &
app=$!
window=""
for _ in $(seq 300); do
  window=$(xdotool search --name "Veltrask Window Smoke" 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  kill -0 "$app" 2>/dev/null || { echo "FAIL: the program ended before its window appeared"; exit 1; }
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no window appeared"; exit 1; }
# The window may take a moment to be mapped and presented: look a few times.
colours=0
marker=0
for _ in $(seq 40); do
  sleep 0.5
  import -window root "$work/shot.png"
  colours=$(convert "$work/shot.png" -format "%k" info:)
  marker=$(convert "$work/shot.png" -fill black +opaque "rgb(230,20,30)" -fill white -opaque "rgb(230,20,30)" \
    -format "%[fx:mean>0.01]" info:)
  [ "$colours" -gt 1 ] && [ "$marker" = 1 ] && break
done
echo "screenshot: $colours colours, marker present: $marker"
[ "$colours" -gt 1 ] || { echo "FAIL: the screen is uniform"; exit 1; }
[ "$marker" = 1 ] || { echo "FAIL: the painted colour is not on the screen"; exit 1; }

timeout 5 xdotool windowfocus --sync "$window" || true
xdotool key --clearmodifiers alt+F4
status=0
for _ in $(seq 300); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then echo "FAIL: the window did not close"; exit 1; fi
wait "$app" || status=$?
app=""
[ "$status" -eq 0 ] || { echo "FAIL: exit code $status"; exit 1; }
echo "PASS"
