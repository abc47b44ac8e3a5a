#!/usr/bin/env bash
# Runs a command with DISPLAY on a private Xvfb (a free display number), stopped afterwards:
# tools/windows/with-xvfb.sh COMMAND [ARGS...]. The Windows tests run under it, so that every
# Wine process of one run, the Wine desktop included, has the same display.
set -euo pipefail
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.err" </dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
if [ ! -s "$work/display" ]; then
  echo "with-xvfb: Xvfb did not start: $(cat "$work/xvfb.err")" >&2
  exit 2
fi
DISPLAY=":$(cat "$work/display")" "$@"
