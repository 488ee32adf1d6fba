#!/usr/bin/env bash
# Starts veltrask-studio on a private Xvfb display, checks that a screenshot
# shows the main window's chrome colours, closes it with Alt+F4 and expects
# exit code 0. In between it navigates the viewport with a right-drag, a
# wheel notch and a typed P, each of which must change the viewport's
# pixels without marking the project dirty (so Alt+F4 still exits at once).
#
# An optional second argument is the display's size (WIDTHxHEIGHT): the
# window must then lie wholly on that display, menu bar and status bar
# included, whatever size the studio asks for.
set -euo pipefail
program=${1:?usage: run_studio_smoke.sh path/to/veltrask-studio [WIDTHxHEIGHT]}
screen=${2:-1600x900}
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

geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null || true)
case $geometry in *WIDTH=*) ;; *) echo "FAIL: the main window's geometry cannot be read"; exit 1 ;; esac
eval "$(printf '%s\n' "$geometry" | grep -E '^(X|Y|WIDTH|HEIGHT)=-?[0-9]+$')"

# The window lies wholly on the display (xwininfo reads the corner X places
# it at, negative ones included), and its menu bar shows the logo's blue and
# its status bar the bar's top line.
screen_width=${screen%x*}
screen_height=${screen#*x}
left=$(xwininfo -id "$window" | sed -n 's/^ *Absolute upper-left X: *//p')
top=$(xwininfo -id "$window" | sed -n 's/^ *Absolute upper-left Y: *//p')
if [ "$left" -lt 0 ] || [ "$top" -lt 0 ] || [ $((left + WIDTH)) -gt "$screen_width" ] ||
  [ $((top + HEIGHT)) -gt "$screen_height" ]; then
  echo "FAIL: the window (${WIDTH}x${HEIGHT} at $left,$top) is not inside the ${screen} display"
  exit 1
fi
import -window root "$work/shot.png"
convert "$work/shot.png" -crop "${WIDTH}x38+${left}+${top}" +repage "$work/shot_top.png"
convert "$work/shot.png" -crop "${WIDTH}x40+${left}+$((top + HEIGHT - 40))" +repage "$work/shot_bottom.png"
in_region() {
  convert "$work/$1.png" -fill black +opaque "$2" -fill white -opaque "$2" -format "%[fx:mean>0]" info:
}
[ "$(in_region shot_top "rgb(49,132,255)")" = 1 ] || { echo "FAIL: the menu bar is not on the display"; exit 1; }
[ "$(in_region shot_bottom "rgb(29,42,61)")" = 1 ] || { echo "FAIL: the status bar is not on the display"; exit 1; }
echo "the ${WIDTH}x${HEIGHT} window at $left,$top lies on the ${screen} display, menu bar and status bar shown"

# A region in the middle of the window, inside the viewport at every size
# the layout allows.
cx=$((X + WIDTH / 2))
cy=$((Y + HEIGHT * 2 / 5))
view_region() {
  import -window root "$work/shot.png"
  convert "$work/shot.png" -crop "240x160+$((cx - 120))+$((cy - 80))" +repage "$work/$1.png"
}
# changed_since NAME: waits until the region differs from the saved one.
changed_since() {
  for _ in $(seq 40); do
    sleep 0.25
    view_region now
    local differing
    differing=$(compare -metric AE "$work/$1.png" "$work/now.png" null: 2>&1 || true)
    [ "${differing%% *}" != 0 ] && return 0
  done
  return 1
}
view_region before
xdotool mousemove "$cx" "$cy" mousedown 3
for step in 1 2 3 4 5 6; do xdotool mousemove $((cx + 20 * step)) $((cy + 6 * step)); sleep 0.05; done
xdotool mouseup 3
changed_since before || { echo "FAIL: a right-drag did not change the viewport"; exit 1; }
echo "a right-drag orbits the viewport"
view_region orbited
xdotool mousemove "$cx" "$cy" click 4
changed_since orbited || { echo "FAIL: a wheel notch did not change the viewport"; exit 1; }
echo "a wheel notch zooms the viewport"
view_region zoomed
xdotool key p
changed_since zoomed || { echo "FAIL: a typed P did not change the viewport"; exit 1; }
echo "a typed P switches the projection"

close_with_alt_f4
[ -f "$work/veltrask_workspace_phase64_10_5.ini" ] || { echo "FAIL: no settings file written"; exit 1; }
echo "PASS"
