#!/usr/bin/env bash
# The microphone's voice processing in a room with loudspeakers (not a test: prints figures).
#   tools/measure_voice_processing.sh [SECONDS]     (default 15 per case)
#   CASES="fan_on fan_off" tools/measure_voice_processing.sh   only those cases, their levels
# A private headless sound server (SOUND_SERVER pulse or pipewire) is made into a room: the
# output's monitor is played back into the microphone feed by module-loopback, 60 ms later at
# half amplitude. kovaro-relay relays; participant-host is the participant under test; a far
# end (voice-swarm's swarm-1) says espeak-ng speech through the relay and keeps the frames the
# participant sends, which adpcm-tool decodes. Speech of the room and a fan (steady noise) are
# played into the microphone feed with pacat. Each case starts a fresh participant-host:
#   echo_on/echo_off  the far end talks, the room is silent; processing on / all switched off
#   double_talk       both talk; the room's speech starts 2 s in
#   room, quiet       the room alone at -20 / -38 dBFS (the far end sends silence)
#   fan_on/fan_off    the fan at -35 dBFS, nobody talks
# Then the CPU share of participant-host with 15 speakers (voice-swarm), processing on vs off,
# over SECONDS each. voice_processing_figures.py turns the recordings into the table.
# Environment: KOVARO_BUILD_DIR (default build), SOUND_SERVER, KEEP=1 keeps the folder,
# ROOM_VOLUME the loopback's volume as a linear factor (default 0.5: the room described above).
set -euo pipefail
seconds=${1:-15}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }

name=measure_voice_processing
programs="kovaro-relay participant-host voice-swarm adpcm-tool"
source "$(dirname "$0")/measure_common.sh"
# numpy comes with Debian's own python3 (tools/setup.sh installs python3-numpy).
figures() { /usr/bin/python3 "$root/tools/voice_processing_figures.py" "$@"; }
command -v espeak-ng >/dev/null && command -v pacat >/dev/null || die "espeak-ng or pacat missing (tools/setup.sh)"

speak() {
  espeak-ng -v "$2" -w "$work/$3.wav" "$1" && sox "$work/$3.wav" -r 8000 -c 1 -b 16 -e signed-integer "$work/$3.wav.raw"
}
speak "The relay server forwards every voice frame to the other participants in the conference. \
Sixteen people can talk at once, and each one is heard on a stream of its own." en-us far
speak "Please speak one at a time, and mute the microphone while you are not talking. \
A quiet room and a good headset make the conference pleasant for everyone." en+f3 room
figures signals "$work"

port=$(free_udp_port)
"$build/bin/kovaro-relay" --port "$port" 2>"$work/relay.err" &
pids+=("$!")

# The room: what the loudspeaker plays comes back into the microphone 60 ms later, 6 dB down.
module=$(pactl load-module module-loopback source=test_out.monitor sink=test_mic_feed latency_msec=60 \
  adjust_time=0 source_dont_move=true sink_dont_move=true)
for _ in $(seq 50); do
  input=$(pactl list sink-inputs | awk -v m="$module" '/^Sink Input #/ { id = substr($3, 2) }
    $1 == "Owner" && $3 == m { print id }')
  [ -n "$input" ] && break
  sleep 0.1
done
[ -n "$input" ] || die "the loopback's stream did not appear"
pactl set-sink-input-volume "$input" "${ROOM_VOLUME:-0.5}" || die "cannot set the loopback's volume"

off=(--echo-cancel 0 --noise-suppression 0 --auto-gain 0)

cases=${CASES:-all}
# run CASE FAR_SPEECH [ROOM_SIGNAL [ROOM_DELAY]] [-- participant-host options...]
run() {
  local label=$1 far=$2 room=${3:-} delay=${4:-0} participant swarm player=""
  [ "$cases" = all ] || [[ " $cases " == *" $label "* ]] || return 0
  shift $(( $# < 4 ? $# : 4 ))
  [ "${1:-}" = "--" ] && shift
  "$build/bin/participant-host" "$label" 127.0.0.1 "$port" "$@" </dev/null >"$work/$label.lines" 2>"$work/$label.err" &
  participant=$!; pids+=("$participant")
  wait_until_capturing "$participant" "$work/$label.lines" || die "participant-host did not start: $(cat "$work/$label.err")"
  "$build/bin/voice-swarm" 127.0.0.1 "$port" 1 "$seconds" --speech "$work/$far.raw" \
    --record "$work/$label.sent.frames" >"$work/$label.swarm" 2>&1 &
  swarm=$!; pids+=("$swarm")
  if [ -n "$room" ]; then
    sleep "$delay"
    pacat -d test_mic_feed --rate=8000 --channels=1 --format=s16le --latency-msec=20 "$work/$room.raw" &
    player=$!; pids+=("$player")
  fi
  wait "$swarm" || die "voice-swarm failed: $(cat "$work/$label.swarm")"
  forget "$swarm"
  [ -z "$player" ] || stop "$player"
  stop "$participant"
  "$build/bin/adpcm-tool" decode "$work/$label.sent.frames" "$work/$label.sent.raw" || die "cannot decode $label"
  echo "  $label: $(($(stat -c %s "$work/$label.sent.frames") / 254)) frames sent, $(figures level "$work/$label.sent.raw") after 3 s; debug output: $(grep -c 'monitor' "$work/$label.err" || true) lines on the monitor"
}

echo "== sound server: $sound_server"
run echo_on far
run echo_off far "" 0 -- "${off[@]}"
run double_talk far room 2
run room silence room 0
run quiet silence quiet 0
run fan_on silence fan 0
run fan_off silence fan 0 -- "${off[@]}"
[ "$cases" = all ] || exit 0
echo
echo "| case | figure | measured | goal | |"
echo "|---|---|---|---|---|"
figures report "$work"

# cpu LABEL [participant-host options...]: CPU share of participant-host while 15 speak.
cpu() {
  local label=$1 participant swarm t0 t1 c0 c1
  shift
  "$build/bin/participant-host" "$label" 127.0.0.1 "$port" "$@" </dev/null >"$work/$label.lines" 2>"$work/$label.err" &
  participant=$!; pids+=("$participant")
  wait_until_capturing "$participant" "$work/$label.lines" || die "participant-host did not start"
  "$build/bin/voice-swarm" 127.0.0.1 "$port" 15 $((seconds + 2)) >"$work/$label.swarm" 2>&1 &
  swarm=$!; pids+=("$swarm")
  sleep 1
  t0=$(now_ns); c0=$(cpu_ticks "$participant")
  sleep "$seconds"
  c1=$(cpu_ticks "$participant"); t1=$(now_ns)
  wait "$swarm" || true
  forget "$swarm"
  stop "$participant"
  awk -v c=$((c1 - c0)) -v hz="$hz" -v ns=$((t1 - t0)) -v label="$label" \
    'BEGIN { printf "%s %.2f\n", label, 100 * c / hz / (ns / 1e9) }'
}
# Alternated, so that a change in the machine's load falls on both.
for round in 1 2 3 4; do
  cpu on >>"$work/cpu"
  cpu off "${off[@]}" >>"$work/cpu"
done
awk '{ sum[$1] += $2; n[$1]++ } END {
  printf "\nparticipant-host with 15 speakers, CPU in %% of one core (mean of 4 rounds): processing on %.2f, off %.2f: %+.2f points\n",
    sum["on"] / n["on"], sum["off"] / n["off"], sum["on"] / n["on"] - sum["off"] / n["off"] }' "$work/cpu"
