# Sourced by the smoke scripts that run the studio with no display, after
# they set $program: $work, a fresh folder with the studio's own copy (so
# that a settings file it writes beside itself stays there); the studio they
# start in the background goes in $app, is killed if still running on exit,
# and the folder is removed.
work=$(mktemp -d)
app=""
cleanup() {
  if [ -n "$app" ]; then
    kill -KILL "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM
cp "$program" "$work/veltrask-studio"

# True once the studio in $app catches SIGTERM (bit 15 of its caught
# signals), which it does from its start, however slowly a loaded machine
# starts it.
catches_term() {
  local mask
  mask=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$app/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (((16#$mask >> 14) & 1))
}
