#!/usr/bin/env bash
# CPU share and memory of a participant while 15 others talk, and of kovarosrv relaying and
# playing 16 (not a test: prints figures).
#   tools/measure_load.sh [SECONDS]      (default 20)
# A private headless PulseAudio, kovaro-relay and voice-swarm with 15 simulated speakers, heard
# in turn by two listeners in one run, each for SECONDS of full traffic: participant-host
# (the participant without windows; then once more hosting the relay server itself, the swarm
# joining it there) and then kovaro with its window on a private X server
# (Xvfb), its dialog confirmed with xdotool. Then kovarosrv on the same X server takes the
# relay's place for a swarm of 16. For each the script samples utime + stime from
# /proc/PID/stat (CPU share in % of one core = CPU time / elapsed time) of the listener, of
# kovaro-relay and, for kovaro, of the X server that draws its window; and VmRSS and VmHWM of the
# listener from /proc/PID/status; and the CPU share of the sound server's own processes, which
# mix and resample the listener's streams; then prints the swarms' own summaries.
# Environment: KOVARO_BUILD_DIR (default build), SPEAKERS (default 15), SOUND_SERVER (pulse or
# pipewire, default pulse), PARTICIPANT_OPTIONS for both participant-host runs (e.g.
# "--echo-cancel 0"), KEEP=1 keeps the folder.
set -euo pipefail
seconds=${1:-20}
speakers=${SPEAKERS:-15}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }

name=measure_load
programs="kovaro-relay participant-host voice-swarm kovaro kovarosrv"
source "$(dirname "$0")/measure_common.sh"
source "$root/tools/x_display.sh"

port=$(free_udp_port)
"$build/bin/kovaro-relay" --port "$port" 2>"$work/relay.err" &
relay=$!; pids+=("$relay")

# listen LABEL PID [X_SERVER_PID [RELAY_PORT SPEAKERS]]: the swarm talks for SECONDS (plus one
# second to settle and one spare) while the listener's figures are sampled. With RELAY_PORT the
# swarm joins the listener itself there instead of kovaro-relay.
listen() {
  local label=$1 listener=$2 x_server=${3:-} target=${4:-$port} speakers=${5:-$speakers}
  local idle_rss start_ns end_ns l0 l1 r0 r1 s0 s1 x0=0 x1=0 swarm status=0 via=kovaro-relay
  [ "$target" = "$port" ] || via=itself
  idle_rss=$(status_kb "$listener" VmRSS)
  "$build/bin/voice-swarm" 127.0.0.1 "$target" "$speakers" $((seconds + 2)) >"$work/swarm-$label.out" 2>&1 &
  swarm=$!; pids+=("$swarm")
  sleep 1
  start_ns=$(now_ns); l0=$(cpu_ticks "$listener"); r0=$(cpu_ticks "$relay"); s0=$(sound_server_ticks)
  [ -z "$x_server" ] || x0=$(cpu_ticks "$x_server")
  sleep "$seconds"
  l1=$(cpu_ticks "$listener"); r1=$(cpu_ticks "$relay"); s1=$(sound_server_ticks)
  [ -z "$x_server" ] || x1=$(cpu_ticks "$x_server")
  end_ns=$(now_ns)
  awk -v label="$label" -v l=$((l1 - l0)) -v r=$((r1 - r0)) -v s=$((s1 - s0)) -v server="$sound_server" -v x=$((x1 - x0)) -v hz="$hz" -v ns=$((end_ns - start_ns)) \
      -v rss="$(status_kb "$listener" VmRSS)" -v hwm="$(status_kb "$listener" VmHWM)" -v idle="$idle_rss" \
      -v threads="$(status_kb "$listener" Threads)" -v speakers="$speakers" -v xs="$x_server" -v via="$via" 'BEGIN {
    elapsed = ns / 1e9
    if (via == "kovaro-relay") printf "%s with %d other speakers through kovaro-relay, sampled over %.2f s:\n", label, speakers, elapsed
    else printf "%s relaying and playing %d speakers, sampled over %.2f s:\n", label, speakers, elapsed
    printf "  %s CPU: %.2f %% of one core (%d ticks of 1/%d s)\n", label, 100 * l / hz / elapsed, l, hz
    printf "  %s memory: VmRSS %d kB (before the swarm %d kB), VmHWM %d kB, %d threads\n", label, rss, idle, hwm, threads
    if (xs != "") printf "  Xvfb drawing its window: %.2f %% of one core (%d ticks)\n", 100 * x / hz / elapsed, x
    if (via == "kovaro-relay") printf "  kovaro-relay CPU: %.2f %% of one core (%d ticks)\n", 100 * r / hz / elapsed, r
    printf "  sound server (%s) CPU: %.2f %% of one core (%d ticks)\n", server, 100 * s / hz / elapsed, s
  }'
  wait "$swarm" || status=$?
  forget "$swarm"
  [ $status = 0 ] || die "voice-swarm failed: $(cat "$work/swarm-$label.out")"
}

echo "== sound server: $sound_server"

"$build/bin/participant-host" load 127.0.0.1 "$port" ${PARTICIPANT_OPTIONS:-} </dev/null >"$work/participant.lines" 2>"$work/participant.err" &
participant=$!; pids+=("$participant")
wait_until_capturing "$participant" "$work/participant.lines" ||
  die "participant-host did not start: $(cat "$work/participant.lines" "$work/participant.err")"
listen participant-host "$participant"
meters=$(grep -c '^meter 13' "$work/participant.lines" || true)
stop "$participant"
echo "  participant-host slot meter updates printed: $meters"

# The headless program that relays and plays, to set kovarosrv's window against: participant-host
# hosting the relay server, with the swarm of 15 joining it there.
host_port=$(free_udp_port)
"$build/bin/participant-host" host 127.0.0.1 "$host_port" --server ${PARTICIPANT_OPTIONS:-} </dev/null >"$work/host.lines" 2>"$work/host.err" &
host=$!; pids+=("$host")
wait_until_capturing "$host" "$work/host.lines" ||
  die "participant-host --server did not start: $(cat "$work/host.lines" "$work/host.err")"
listen participant-host-server "$host" "" "$host_port" "$speakers"
stop "$host"

start_xvfb
x_server=${pids[-1]}
start_joined_kovaro load "$port"
kovaro=$started
listen kovaro "$kovaro" "$x_server"
stop "$kovaro"

server_port=$(free_udp_port)
start_copy kovarosrv "RemotePort=$server_port"
kovarosrv=$started
dialog=$(window_of '^接続設定$') || die "kovarosrv's dialog did not open: $(cat "$work/kovarosrv.err")"
xdotool windowfocus --sync "$dialog" key Return
window_of '^Kovaro SERVER- サーバ稼働中$' >/dev/null || die "kovarosrv did not start: $(cat "$work/kovarosrv.err")"
listen kovarosrv "$kovarosrv" "$x_server" "$server_port" 16
stop "$kovarosrv"

for label in participant-host participant-host-server kovaro kovarosrv; do
  echo "voice-swarm summary while $label listened:"
  sed 's/^/  /' "$work/swarm-$label.out"
done
