# Shared by tools/pulse-up.sh and tools/pipewire-up.sh (sourced, not run), with `default` set
# to the folder's default name: stops a sound server still running in the folder DIR (the
# script's first argument, else $KOVARO_PULSE_DIR, else ${TMPDIR:-/tmp}/$default), makes it
# afresh with run/ and home/ private to the user, and points this shell's clients at it:
# XDG_RUNTIME_DIR=DIR/run HOME=DIR/home PULSE_SERVER=unix:DIR/run/pulse/native.
dir=${1:-${KOVARO_PULSE_DIR:-${TMPDIR:-/tmp}/$default}}
here=$(cd "$(dirname "$0")" && pwd)
"$here/pulse-down.sh" "$dir"
rm -rf "$dir"
mkdir -p "$dir/run" "$dir/home"
dir=$(cd "$dir" && pwd)
chmod 700 "$dir/run" "$dir/home"
export XDG_RUNTIME_DIR="$dir/run" HOME="$dir/home" PULSE_SERVER="unix:$dir/run/pulse/native"
