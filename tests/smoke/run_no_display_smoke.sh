#!/usr/bin/env bash
# The studio started where no display answers ends at once with code 1 and
# one line on stderr that says so and how to give it one, instead of running
# on SDL's offscreen driver with no window. Cases, each with no
# SDL_VIDEODRIVER:
#   unset        neither DISPLAY nor WAYLAND_DISPLAY nor XDG_RUNTIME_DIR
#   runtime-dir  as unset, with an XDG_RUNTIME_DIR that holds no compositor
#   dead-x       DISPLAY naming an X display no server serves
# Then SDL_VIDEODRIVER=offscreen, asked for by name, still starts the studio,
# which ends with code 0 on SIGTERM.
#
# Usage: run_no_display_smoke.sh path/to/veltrask-studio
set -euo pipefail
program=${1:?usage: run_no_display_smoke.sh path/to/veltrask-studio}
time_limit_ms=5000
source "$(dirname "$0")/studio_work_folder.sh"
mkdir "$work/runtime"
chmod 700 "$work/runtime"

# An X display number with neither a socket nor a lock file.
dead_display=""
for n in $(seq 7300 7399); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { dead_display=":$n"; break; }
done
[ -n "$dead_display" ] || { echo "FAIL: no free X display number"; exit 1; }

now_ms() { echo $(($(date +%s%N) / 1000000)); }
expected="veltrask-studio: no display found: "

run_case() {
  local name=$1
  shift
  local started status=0
  started=$(now_ms)
  (cd "$work" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u WAYLAND_SOCKET -u XDG_RUNTIME_DIR -u SDL_VIDEODRIVER \
    "$@" timeout -s KILL 10 ./veltrask-studio) >"$work/stdout.log" 2>"$work/stderr.log" || status=$?
  local wall=$(($(now_ms) - started))
  echo "[$name] ended in ${wall} ms with code $status"
  [ "$status" = 1 ] || { echo "FAIL [$name]: exit code $status"; cat "$work/stderr.log"; exit 1; }
  [ "$wall" -lt "$time_limit_ms" ] || { echo "FAIL [$name]: took ${wall} ms"; exit 1; }
  local lines
  lines=$(wc -l <"$work/stderr.log")
  if [ "$lines" != 1 ] || [ "$(head -c ${#expected} "$work/stderr.log")" != "$expected" ]; then
    echo "FAIL [$name]: stderr is not the one line about the display:"
    cat "$work/stderr.log"
    exit 1
  fi
  grep -q "xvfb-run" "$work/stderr.log" || { echo "FAIL [$name]: the line does not say how to give it a display"; exit 1; }
  [ ! -s "$work/stdout.log" ] || { echo "FAIL [$name]: it wrote to stdout"; exit 1; }
}

run_case unset
run_case runtime-dir "XDG_RUNTIME_DIR=$work/runtime"
run_case dead-x "DISPLAY=$dead_display"
cat "$work/stderr.log"

# Asked for by name, the offscreen driver is the user's to choose.
(cd "$work" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR SDL_VIDEODRIVER=offscreen \
  ./veltrask-studio) >/dev/null 2>"$work/stderr.log" &
app=$!
# SIGTERM only once the studio catches it; then it must still be running.
for _ in $(seq 100); do
  catches_term && break
  sleep 0.1
done
sleep 1
kill -0 "$app" 2>/dev/null || { echo "FAIL [offscreen]: the studio ended:"; cat "$work/stderr.log"; exit 1; }
catches_term || { echo "FAIL [offscreen]: the studio does not catch SIGTERM"; exit 1; }
kill -TERM "$app"
status=0
for _ in $(seq 100); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app" 2>/dev/null && { echo "FAIL [offscreen]: still running 10 s after SIGTERM"; exit 1; }
wait "$app" || status=$?
app=""
echo "[offscreen] ran until SIGTERM, then ended with code $status"
[ "$status" = 0 ] || { echo "FAIL [offscreen]: exit code $status"; exit 1; }
echo "PASS"
