#!/usr/bin/env bash
# How the studio ends when it is told to or loses its display, in the real
# window on a private Xvfb display, each case with a server of its own:
#   clean-term  a clean project ends with code 0 on SIGTERM
#   clean-int   likewise on SIGINT
#   dirty-lost  a dirty project asks about its unsaved changes on SIGTERM;
#               its server then killed, it ends with the display-lost code
#   term-stop   SIGTERM while the server stops: it ends either way
# Every case ends within a generous wall time using under a second of CPU
# time after the event (a process that spins uses a whole core), and leaves
# the workspace settings file written.
#
# Usage: run_exit_smoke.sh path/to/veltrask-studio [trials] [case...]
# (trials: how many times each case runs, 2 unless given).
set -euo pipefail
here=$(dirname "$0")
display_lost_status=3  # kDisplayLostExitStatus
wall_limit=20          # seconds: far above the fraction of one it takes
cpu_limit_ms=1000
ticks_per_second=$(getconf CLK_TCK)

# The CPU time of a running process (all its threads), in milliseconds.
cpu_ms_of() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  # shellcheck disable=SC2086
  set -- ${stat##*) }  # the fields after the command name: utime is the 12th
  echo $(((${12} + ${13}) * 1000 / ticks_per_second))
}
# Sets children_cpu to the CPU time of this shell's finished children, in
# milliseconds (`times` run by this shell itself: in a subshell, as a
# command substitution would run it, it counts only the subshell's).
read_children_cpu() {
  local user system
  times >"$work/times"
  { read -r _ && read -r user system; } <"$work/times"
  children_cpu=$(($(seconds_to_ms "$user") + $(seconds_to_ms "$system")))
}
seconds_to_ms() {  # 1m2.345s
  local minutes=${1%%m*} rest=${1#*m}
  rest=${rest%s}
  local whole=${rest%.*} fraction=${rest#*.}
  echo $(((10#$minutes * 60 + 10#$whole) * 1000 + 10#${fraction:0:3}))
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

run_case() {
  local name=$1
  source "$here/xvfb_session.sh"
  cp "$program" "$work/veltrask-studio"
  local settings="$work/veltrask_workspace_phase64_10_5.ini"
  # SIGINT as a terminal leaves it, whatever this script inherited: the
  # studio keeps an ignored SIGINT ignored.
  (cd "$work" && exec env --default-signal=INT ./veltrask-studio) 2>"$work/stderr.log" &
  app=$!
  wait_for_window "Veltrask Studio - Phase 66.1 GLB Compatibility QA"
  sleep 2

  case $name in
    dirty-lost)
      timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
      xdotool mousemove --window "$window" 458 19 click 1  # the Create menu
      sleep 0.7
      for key in Down Right Return; do  # Mesh Primitives > Cube
        xdotool key --clearmodifiers "$key"
        sleep 0.25
      done
      sleep 0.7
      kill -TERM "$app"
      # The unsaved-changes question shows its red accent bar.
      local asked=0
      for _ in $(seq 40); do
        sleep 0.25
        import -window root "$work/shot.png"
        if [ "$(convert "$work/shot.png" -fill black +opaque "rgb(197,73,79)" -fill white -opaque "rgb(197,73,79)" \
          -format "%[fx:mean>0]" info:)" = 1 ]; then
          asked=1
          break
        fi
      done
      [ "$asked" = 1 ] || { echo "FAIL [$name]: SIGTERM on a dirty project did not ask about unsaved changes"; exit 1; }
      kill -0 "$app" 2>/dev/null || { echo "FAIL [$name]: the studio ended without asking"; exit 1; }
      [ ! -e "$settings" ] || { echo "FAIL [$name]: the settings file was written before the display went"; exit 1; }
      ;;
  esac

  local cpu_before children_before started
  cpu_before=$(cpu_ms_of "$app") || { echo "FAIL [$name]: the studio ended early"; exit 1; }
  read_children_cpu
  children_before=$children_cpu
  started=$(now_ms)
  case $name in
    clean-term) kill -TERM "$app" ;;
    clean-int) kill -INT "$app" ;;
    dirty-lost) kill -KILL "$xvfb" ;;
    term-stop)
      kill -TERM "$app"
      kill -TERM "$xvfb"
      ;;
  esac
  local ended=0 cpu_now=$cpu_before
  for _ in $(seq $((wall_limit * 10))); do
    cpu_now=$(cpu_ms_of "$app") || { ended=1; break; }
    sleep 0.1
  done
  if [ "$ended" = 0 ] && ! cpu_now=$(cpu_ms_of "$app"); then ended=1; fi
  if [ "$ended" = 0 ]; then
    echo "FAIL [$name]: still running ${wall_limit} s after the event, $((cpu_now - cpu_before)) ms of CPU since"
    kill -KILL "$app" 2>/dev/null || true
    exit 1
  fi
  local status=0
  wait "$app" || status=$?
  app=""
  local wall=$(($(now_ms) - started))
  read_children_cpu
  local cpu=$((children_cpu - children_before - cpu_before))
  echo "[$name] ended in ${wall} ms with code $status, ${cpu} ms of CPU after the event"
  case $name in
    clean-term | clean-int) [ "$status" = 0 ] || { echo "FAIL [$name]: exit code $status"; exit 1; } ;;
    dirty-lost) [ "$status" = "$display_lost_status" ] || { echo "FAIL [$name]: exit code $status"; exit 1; } ;;
    term-stop)
      [ "$status" = 0 ] || [ "$status" = "$display_lost_status" ] ||
        { echo "FAIL [$name]: exit code $status"; exit 1; }
      ;;
  esac
  [ "$cpu" -lt "$cpu_limit_ms" ] || { echo "FAIL [$name]: ${cpu} ms of CPU after the event"; exit 1; }
  [ -s "$settings" ] || { echo "FAIL [$name]: no settings file written"; exit 1; }
}

if [ "${1:-}" = --case ]; then
  program=$3
  run_case "$2"
  exit 0
fi
program=${1:?usage: run_exit_smoke.sh path/to/veltrask-studio [trials] [case...]}
trials=${2:-2}
shift $(($# < 2 ? $# : 2))
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(clean-term clean-int dirty-lost term-stop)
for trial in $(seq "$trials"); do
  for name in "${cases[@]}"; do
    # A process per case: its own server, work folder and clean-up.
    "$0" --case "$name" "$program" || { echo "FAIL in trial $trial"; exit 1; }
  done
done
echo "PASS"
