#!/usr/bin/env bash
# Opens the smoke program's real window on a private Xvfb display, checks the
# screen shows its colours, closes it with Alt+F4 and expects exit code 0.
set -euo pipefail
program=${1:?usage: run_window_smoke.sh path/to/vk_window_smoke}
source "$(dirname "$0")/xvfb_session.sh"

"$program" &
app=$!
wait_for_window "Veltrask Window Smoke"
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

close_with_alt_f4
echo "PASS"
