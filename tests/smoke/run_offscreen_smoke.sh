#!/usr/bin/env bash
# The studio with no window (SDL_VIDEODRIVER=offscreen, no display needed)
# idles and ends as a windowed one does:
#   wait      one idle wait of the backend lasts its time, costs no CPU and
#             leaves SDL's event queue the room it had, on the offscreen
#             driver and (when this SDL has it) on evdev, which SDL can only
#             poll: its polling used to leave a hidden marker event in the
#             queue every millisecond, which filled it within a few minutes,
#             after which SIGTERM and SIGINT were lost
#   idle-term the studio idles 15 s with next to no CPU time and no wake-ups
#             (each polling round is one), then ends on SIGTERM within 2 s
#   idle-int  likewise on SIGINT after a shorter idle
#
# Usage: run_offscreen_smoke.sh path/to/veltrask-studio path/to/vk_window_smoke [idle-seconds]
set -euo pipefail
program=${1:?usage: run_offscreen_smoke.sh path/to/veltrask-studio path/to/vk_window_smoke [idle-seconds]}
window_smoke=${2:?usage: run_offscreen_smoke.sh path/to/veltrask-studio path/to/vk_window_smoke [idle-seconds]}
idle_seconds=${3:-15}
idle_cpu_limit_ms=100  # a studio that polls spends several times this in 15 s
idle_wakeup_limit=50   # a polling one wakes about a thousand times a second
exit_limit_ms=2000
ticks_per_second=$(getconf CLK_TCK)
source "$(dirname "$0")/studio_work_folder.sh"
offscreen=(env -u DISPLAY -u WAYLAND_DISPLAY -u WAYLAND_SOCKET -u XDG_RUNTIME_DIR SDL_VIDEODRIVER=offscreen)

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# The fields of /proc/<pid>/stat after the command name: state is the 1st,
# utime and stime the 12th and 13th. Fails once the process is gone.
stat_fields() {
  local stat
  stat=$(cat "/proc/$app/stat" 2>/dev/null) || return 1
  echo "${stat##*) }"
}
cpu_ms() {
  local fields
  fields=$(stat_fields) || return 1
  # shellcheck disable=SC2086
  set -- $fields
  echo $(((${12} + ${13}) * 1000 / ticks_per_second))
}
# Voluntary context switches of all its threads: one per blocking wait.
wakeups() {
  cat /proc/"$app"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }'
}
running() {
  local fields
  fields=$(stat_fields) || return 1
  [ "${fields%% *}" != Z ]
}

# -- wait
for driver in offscreen evdev; do
  cpu_limit=()  # SDL polls evdev every millisecond, which costs what it costs
  [ "$driver" = offscreen ] && cpu_limit=(100)
  status=0
  env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=$driver "$window_smoke" --idle-wait "${cpu_limit[@]}" || status=$?
  if [ "$driver" = evdev ] && [ "$status" = 2 ]; then
    echo "[wait] this SDL has no evdev driver: skipped"
    continue
  fi
  [ "$status" = 0 ] || { echo "FAIL [wait]: the idle wait on $driver failed (code $status)"; exit 1; }
done

start_studio() {
  (cd "$work" && exec "${offscreen[@]}" env --default-signal=INT ./veltrask-studio) >/dev/null 2>"$work/stderr.log" &
  app=$!
  for _ in $(seq 100); do
    catches_term && break
    sleep 0.1
  done
  sleep 1  # the first frames drawn
  running || { echo "FAIL: the studio ended:"; cat "$work/stderr.log"; exit 1; }
}

idle_then_signal() {
  local name=$1 signal=$2 seconds=$3
  rm -f "$work/veltrask_workspace_phase64_10_5.ini"
  start_studio
  local cpu_before wakeups_before
  cpu_before=$(cpu_ms)
  wakeups_before=$(wakeups)
  sleep "$seconds"
  local cpu=$(($(cpu_ms) - cpu_before)) woke=$(($(wakeups) - wakeups_before))
  echo "[$name] idle ${seconds} s: ${cpu} ms of CPU, ${woke} wake-ups ($(uptime | sed 's/.*load/load/'))"
  [ "$cpu" -lt "$idle_cpu_limit_ms" ] || { echo "FAIL [$name]: ${cpu} ms of CPU while idle"; exit 1; }
  [ "$woke" -lt "$idle_wakeup_limit" ] || { echo "FAIL [$name]: ${woke} wake-ups while idle"; exit 1; }
  local started ended=0
  started=$(now_ms)
  kill "-$signal" "$app"
  while [ $(($(now_ms) - started)) -lt "$exit_limit_ms" ]; do
    running || { ended=1; break; }
    sleep 0.05
  done
  [ "$ended" = 1 ] || { echo "FAIL [$name]: still running ${exit_limit_ms} ms after SIG$signal"; exit 1; }
  local status=0
  wait "$app" || status=$?
  app=""
  echo "[$name] ended $(($(now_ms) - started)) ms after SIG$signal with code $status"
  [ "$status" = 0 ] || { echo "FAIL [$name]: exit code $status"; cat "$work/stderr.log"; exit 1; }
  [ -s "$work/veltrask_workspace_phase64_10_5.ini" ] || { echo "FAIL [$name]: no settings file written"; exit 1; }
}

idle_then_signal idle-term TERM "$idle_seconds"
idle_then_signal idle-int INT 3
echo "PASS"
