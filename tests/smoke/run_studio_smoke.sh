#!/usr/bin/env bash
# Starts veltrask-studio on a private Xvfb display, checks that a screenshot
# shows the main window's chrome colours, closes it with Alt+F4 and expects
# exit code 0.
set -euo pipefail
program=${1:?usage: run_studio_smoke.sh path/to/veltrask-studio}
source "$(dirname "$0")/xvfb_session.sh"

# Its own copy, so that the settings file it writes beside itself stays in $work.
cp "$program" "$work/veltrask-studio"
"$work/veltrask-studio" &
app=$!
wait_for_window "Veltrask Studio - Phase 66.1 GLB Compatibility QA"

# Known chrome colours: the logo's two blues, the menu bar's closing line,
# the status bar's top line and the active rail tab's outline.
has_colour() {
  convert "$work/shot.png" -fill black +opaque "$1" -fill white -opaque "$1" -format "%[fx:mean>0.00001]" info:
}
found=0
for _ in $(seq 40); do
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

close_with_alt_f4
[ -f "$work/veltrask_workspace_phase64_10_5.ini" ] || { echo "FAIL: no settings file written"; exit 1; }
echo "PASS"
