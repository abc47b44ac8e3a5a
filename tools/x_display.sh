# Shared by the scripts that run kovaro on a private X server (sourced after measure_common.sh):
# start_xvfb starts Xvfb on a free display number, tracked like every started process, and
# exports DISPLAY; window_of waits for a visible window whose title matches and prints its id.
start_xvfb() {
  command -v Xvfb >/dev/null || die "Xvfb is missing (tools/setup.sh installs xvfb)"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.err" &
  pids+=("$!")
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || die "Xvfb did not start: $(cat "$work/xvfb.err")"
  export DISPLAY=":$(cat "$work/display")"
}

# window_of TITLE_REGEX [TRIES]: the id of the visible window with that title, waited for.
window_of() {
  local id
  for _ in $(seq "${2:-100}"); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.05
  done
  return 1
}

# start_copy PROGRAM SETTINGS: a copy of the built PROGRAM in a folder of its own with SETTINGS
# (lines of key=value) in its settings file, started and tracked; its process id in $started,
# its output in $work/PROGRAM.out and $work/PROGRAM.err.
start_copy() {
  mkdir "$work/$1"
  cp "$build/bin/$1" "$work/$1/$1"
  printf '[torvik]\n%s\n' "$2" >"$work/$1/$1.ini"
  "$work/$1/$1" </dev/null >"$work/$1.out" 2>"$work/$1.err" &
  started=$!; pids+=("$started")
}

# start_joined_kovaro NICKNAME PORT: a copy of kovaro that joins the relay at 127.0.0.1:PORT
# through its dialog (confirmed with Return); its process id in $started.
start_joined_kovaro() {
  start_copy kovaro "NickName=$1
RemoteHost=127.0.0.1
RemotePort=$2
ServerMode=0"
  local dialog
  dialog=$(window_of '^接続設定$') || die "kovaro's dialog did not open: $(cat "$work/kovaro.err")"
  xdotool windowfocus --sync "$dialog" key Return
  window_of '^Kovaro- 接続済$' >/dev/null || die "kovaro did not join: $(cat "$work/kovaro.err")"
}
