#!/usr/bin/env bash
# Save, New, Open and Save As in the real window on a private Xvfb display:
# a cube from the Create menu, Save As a.json typed into the file dialog
# without its extension, New, Open a.json, Save As b.json. Both files hold the
# cube obj-4 and say the same, apart from the note the load guard adds to the
# summary of every mesh it verified on opening.
set -euo pipefail
program=${1:?usage: run_save_open_smoke.sh path/to/veltrask-studio}
source "$(dirname "$0")/xvfb_session.sh"

cp "$program" "$work/veltrask-studio"
(cd "$work" && exec ./veltrask-studio) &
app=$!
wait_for_window "Veltrask Studio - Phase 66.1 GLB Compatibility QA"
sleep 2

# Menu buttons of the toolbar in client coordinates (the layout starts them
# at x 330 on a window this wide: File 46, Edit 46 and Create 64 wide, 2 apart).
file_menu=(353 19)
create_menu=(458 19)

step() { sleep 0.7; }
click() {
  xdotool mousemove --window "$window" "$1" "$2" click 1
  step
}
keys() {
  for key in "$@"; do
    xdotool key --clearmodifiers "$key"
    sleep 0.25
  done
  step
}
type_path() {
  xdotool type --delay 20 "$1"
  step
  keys Return
}
wait_for_file() {
  for _ in $(seq 100); do
    [ -s "$1" ] && return 0
    kill -0 "$app" 2>/dev/null || { echo "FAIL: the studio ended"; exit 1; }
    sleep 0.1
  done
  echo "FAIL: $1 was not written"
  exit 1
}
save_as() {
  click "${file_menu[@]}"
  keys End Up Return  # the item above Exit
  type_path "$1"
}

timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
click "${create_menu[@]}"
keys Down Right Return  # Mesh Primitives > Cube
save_as "$work/a"
wait_for_file "$work/a.json"
echo "saved a.json"

click "${file_menu[@]}"
keys Down Return  # New Project
click "${file_menu[@]}"
keys Down Down Return  # Open Project...
type_path "$work/a.json"
sleep 1
save_as "$work/b.json"
wait_for_file "$work/b.json"
echo "saved b.json"

for f in a b; do
  grep -q '"id": "obj-4"' "$work/$f.json" || { echo "FAIL: $f.json holds no obj-4"; exit 1; }
done
note=' | Phase 46.3 import-safe geometry verified'
# The note shows b.json was written from the reopened file, not the session before New.
grep -q "$note" "$work/b.json" || { echo "FAIL: b.json was not saved from the opened project"; exit 1; }
if ! cmp -s "$work/a.json" <(sed "s/$note//g" "$work/b.json"); then
  echo "FAIL: a.json and b.json differ"
  diff <(cat "$work/a.json") <(sed "s/$note//g" "$work/b.json") | head -20
  exit 1
fi
echo "a.json and b.json hold the same project"

close_with_alt_f4
echo "PASS"
