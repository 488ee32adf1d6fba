#!/usr/bin/env bash
# Runs a smoke script (with its arguments) under a time limit, and once more
# on a fresh display when the first run fails: a real X server on a busy
# machine occasionally loses a window between two xdotool calls.
set -u
script=${1:?usage: retry_smoke.sh script args...}
shift
for attempt in 1 2; do
  if timeout --kill-after=10 110 "$script" "$@"; then exit 0; fi
  echo "smoke attempt $attempt failed"
done
exit 1
