# Sourced by the smoke scripts: a private Xvfb display with a work folder,
# cleaned up on exit, and the steps every smoke run shares. $screen (set
# before sourcing) is the display's size, 1600x900 unless given.
work=$(mktemp -d)
# The server picks a free display itself: several smoke runs at once must
# never share (and tear down) one server. -noreset: by default the server
# resets when its last client leaves (each xdotool call is one), and refuses
# connections while it does; a program starting then finds no display and
# ends at once.
screen=${screen:-1600x900}
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
display=":$(head -n1 "$work/display")"
app=""
# Waits for both to be gone: the next run's server may take the same display
# number, and must not meet this one still shutting down. The program is
# killed outright: a studio left running may be asking about unsaved
# changes, which a TERM only asks again.
cleanup() {
  if [ -n "$app" ]; then
    kill -KILL "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
  fi
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# A time limit's TERM still cleans up (the EXIT trap runs on exit).
trap 'exit 143' TERM
export DISPLAY=$display
# A loaded machine can take a while to bring the server up.
for _ in $(seq 300); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getdisplaygeometry >/dev/null 2>&1 || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }

# wait_for_window TITLE: sets $window to the visible window with that title
# once its geometry reads (a window can carry its title before it is mapped).
# The program's window keeps one id from creation on: the first id seen with
# that title, hidden or not, must be the one shown.
wait_for_window() {
  window=""
  local first=""
  for _ in $(seq 300); do
    [ -n "$first" ] || first=$(xdotool search --name "$1" 2>/dev/null | head -n1 || true)
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    if [ -n "$window" ] && xdotool getwindowgeometry "$window" >/dev/null 2>&1; then
      [ -z "$first" ] || [ "$first" = "$window" ] ||
        { echo "FAIL: the window was created as $first and shown as $window"; exit 1; }
      return 0
    fi
    kill -0 "$app" 2>/dev/null || { echo "FAIL: the program ended before its window appeared"; exit 1; }
    sleep 0.1
  done
  echo "FAIL: no window appeared (titled: $(xdotool search --name "$1" 2>/dev/null | tr '\n' ' ')," \
    "program: $(ps -o stat=,wchan:24=,time= -p "$app" 2>/dev/null))"
  exit 1
}

# close_with_alt_f4: Alt+F4 to $window; the program $app must end with code 0.
close_with_alt_f4() {
  local status=0
  xdotool getwindowname "$window" >/dev/null 2>&1 || { echo "FAIL: window $window is gone before the close"; exit 1; }
  # Ask again every few seconds: on a loaded machine the first key press can
  # arrive before the window has the keyboard focus.
  for _ in $(seq 10); do
    timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers alt+F4 2>/dev/null || true
    for _ in $(seq 30); do
      kill -0 "$app" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$app" 2>/dev/null || break
  done
  if kill -0 "$app" 2>/dev/null; then echo "FAIL: the window did not close"; exit 1; fi
  wait "$app" || status=$?
  app=""
  [ "$status" -eq 0 ] || { echo "FAIL: exit code $status"; exit 1; }
}
