# Shared by the measurement scripts (sourced, not run): set `name` and `programs` first.
# Builds, checks the programs, makes a scratch folder, starts a private headless sound
# server in it, and tracks every started process so that each is stopped and reaped on exit.
# SOUND_SERVER chooses the sound server: pulse (PulseAudio, the default) or pipewire
# (PipeWire with pipewire-pulse and WirePlumber, as on a Debian 12 desktop).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sound_server=${SOUND_SERVER:-pulse}
case $sound_server in
  pulse|pipewire) ;;
  *) echo "$name: SOUND_SERVER is pulse or pipewire, not $sound_server" >&2; exit 2 ;;
esac
build=${KOVARO_BUILD_DIR:-$root/build}

die() { echo "$name: $*" >&2; exit 1; }
command -v python3 >/dev/null || die "python3 is missing (tools/setup.sh installs it)"

"$root/tools/build.sh" "$build" >/dev/null || die "build failed"
for program in $programs; do
  [ -x "$build/bin/$program" ] || die "$build/bin/$program was not built"
done

# No dot in the folder name: a program copied into it finds its settings file by the last dot.
work=$(mktemp -d "/tmp/kovaro-$name-XXXXXX")
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
  "$root/tools/pulse-down.sh" "$work/sound" || true
  if [ "${KEEP:-0}" = 1 ]; then echo "$name: files kept in $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Forgets a process that has been reaped.
forget() {
  local rest=() p
  for p in "${pids[@]}"; do [ "$p" = "$1" ] || rest+=("$p"); done
  pids=("${rest[@]+"${rest[@]}"}")
}
# Ends one started process, reaps it and forgets it.
stop() {
  kill -TERM "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  forget "$1"
}

free_udp_port() {
  python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 0)); print(s.getsockname()[1])'
}

# utime + stime of a process, in clock ticks of 1/$hz s.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
# A field of /proc/PID/status in kB (VmRSS, VmHWM) or as a count (Threads).
status_kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }
now_ns() { date +%s%N; }

# Waits until participant-host (PID $1, window lines in $2) has joined and captures.
wait_until_capturing() {
  for _ in $(seq 100); do
    grep -q '^meter 1103 ' "$2" 2>/dev/null && return 0
    kill -0 "$1" 2>/dev/null || break
    sleep 0.05
  done
  grep -q '^meter 1103 ' "$2"
}

"$root/tools/$sound_server-up.sh" "$work/sound" >/dev/null || die "the sound server did not start"
export PULSE_SERVER="unix:$work/sound/run/pulse/native" HOME="$work/sound/home"

# The sound server's own processes (not the fixture's keep-alive readers): the PulseAudio
# daemon, or pipewire, pipewire-pulse and WirePlumber.
sound_server_pids() {
  local pid
  for pid in $(pgrep -P "$(cat "$work/sound/supervisor.pid")"); do
    case $(cat "/proc/$pid/comm" 2>/dev/null) in
      pulseaudio|pipewire|pipewire-pulse|wireplumber) echo "$pid" ;;
    esac
  done
}
# utime + stime of the sound server's processes together, in clock ticks.
sound_server_ticks() {
  local total=0 pid
  for pid in $(sound_server_pids); do total=$((total + $(cpu_ticks "$pid"))); done
  echo "$total"
}

# Records the microphone (MIC_FILE) and the output (OUT_FILE) with one dual-record while FEED
# plays into the microphone, then AFTER seconds more for the last click to come out.
record_feed() {
  "$build/bin/dual-record" test_mic_feed.monitor "$1" test_out.monitor "$2" &
  local recorder=$!
  pids+=("$recorder")
  sleep 0.5
  pacat -d test_mic_feed --rate=8000 --channels=1 --format=s16le --latency-msec=20 "$3" || die "pacat failed"
  sleep "$4"
  stop "$recorder"
}
