#!/usr/bin/env bash
# kovaro.exe (the Windows build, under Wine) beside the Linux participant-host and kovaro, in
# one run on one machine (not a test: prints figures).
#   tools/measure_wine.sh [SECONDS]      (default 20)
# A private headless PulseAudio and X server (Xvfb); each program in turn, on the default
# microphone (test_mic_feed) and output (test_out):
# - mouth-to-ear delay: in server mode the program hosts the relay and joins it, and the relay
#   sends it its own frames back. CLICKS clicks go into the microphone; dual-record records the
#   microphone and the output together, and tools/click_latency.py pairs the clicks (each figure
#   +-10 ms, the null sinks' render block).
# - CPU share and memory: joined to kovaro-relay while voice-swarm's SPEAKERS speakers talk for
#   SECONDS: utime + stime over the elapsed time (% of one core) of the program, of Xvfb
#   drawing its window, and for kovaro.exe of the other processes of its Wine prefix
#   (wineserver and Wine's services), which a native program does not have; VmRSS and VmHWM.
# Environment: KOVARO_BUILD_DIR (default build), KOVARO_WINDOWS_BIN_DIR (default
# build-windows/bin), KOVARO_WINE_DIR (default BUILD/measure-wine: the prefix, made on first
# use in about 20 s), CLICKS (default 10), SPEAKERS (default 15), KEEP=1 keeps the folder.
set -euo pipefail
seconds=${1:-20}
clicks=${CLICKS:-10}
speakers=${SPEAKERS:-15}
spacing_ms=1500
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }

name=measure_wine
programs="kovaro-relay participant-host voice-swarm dual-record kovaro"
source "$(dirname "$0")/measure_common.sh"
source "$root/tools/x_display.sh"
windows_bin=${KOVARO_WINDOWS_BIN_DIR:-$root/build-windows/bin}
[ -f "$windows_bin/kovaro.exe" ] || die "$windows_bin/kovaro.exe is missing: build the Windows programs first"
export KOVARO_WINE_DIR=${KOVARO_WINE_DIR:-$build/measure-wine}
"$root/tools/windows/wine-prefix.sh" "$KOVARO_WINE_DIR" || die "the Wine prefix was not made"
wine_prefix=$(. "$root/tools/windows/wine-env.sh" && echo "$WINEPREFIX")

# Ends every process of this prefix (the program, wineserver and Wine's services).
stop_wine() { (. "$root/tools/windows/wine-env.sh" && wineserver -k && wineserver -w) 2>/dev/null || true; }
trap 'stop_wine; cleanup' EXIT

# utime + stime summed over the processes of this prefix other than $1, as they run now.
wine_ticks() {
  local total=0 pid ticks
  for pid in $(grep -lzx "WINEPREFIX=$wine_prefix" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3); do
    [ "$pid" = "$1" ] && continue
    ticks=$(cpu_ticks "$pid" 2>/dev/null) || continue
    total=$((total + ticks))
  done
  echo "$total"
}

# start_windows_copy SETTINGS: kovaro.exe in a folder of its own, SETTINGS (lines of key=value)
# in kovaro.ini as the Windows program keeps it (code page 932, CRLF), started under Wine
# (wine-run.sh ends in an exec, so the process id is the program's); its id in $started.
start_windows_copy() {
  rm -rf "$work/kovaro-exe" && mkdir "$work/kovaro-exe"
  cp "$windows_bin/kovaro.exe" "$work/kovaro-exe/"
  printf '[torvik]\n%s\n' "$1" | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$work/kovaro-exe/kovaro.ini"
  "$root/tools/windows/wine-run.sh" "$work/kovaro-exe/kovaro.exe" </dev/null >"$work/kovaro-exe.out" \
    2>"$work/kovaro-exe.err" &
  started=$!; pids+=("$started")
}

# start_program LABEL SETTINGS: the program of the row, started and joined (its id in $started).
start_program() {
  case $1 in
    participant-host)
      local port server_flag=()
      port=$(sed -n 's/^RemotePort=//p' <<<"$2")
      grep -qx 'ServerMode=1' <<<"$2" && server_flag=(--server)
      "$build/bin/participant-host" host 127.0.0.1 "$port" "${server_flag[@]}" </dev/null >"$work/$1.lines" \
        2>"$work/$1.err" &
      started=$!; pids+=("$started")
      wait_until_capturing "$started" "$work/$1.lines" || die "participant-host did not join: $(cat "$work/$1.err")"
      return ;;
    kovaro) rm -rf "$work/kovaro"; start_copy kovaro "$2" ;;
    kovaro.exe) start_windows_copy "$2" ;;
  esac
  local dialog errors=$work/${1/./-}.err
  dialog=$(window_of '^接続設定$' 400) || die "$1's dialog did not open: $(cat "$errors")"
  xdotool windowfocus --sync "$dialog" key Return
  window_of '^Kovaro- 接続済$' 200 >/dev/null || die "$1 did not join: $(cat "$errors")"
}

# share TICKS: CPU time over the elapsed time in % of one core.
share() { awk -v ticks="$1" -v hz="$hz" -v ns="$elapsed_ns" 'BEGIN { printf "%.2f", 100 * ticks / hz / (ns / 1e9) }'; }

stop_program() {
  if [ "$1" = kovaro.exe ]; then
    stop_wine
    wait "$2" 2>/dev/null || true
    forget "$2"
  else
    stop "$2"
  fi
}

declare -A delay cpu x_cpu wine_cpu rss hwm
rows="participant-host kovaro kovaro.exe"

python3 "$root/tools/click_latency.py" make "$work/clicks.raw" --clicks "$clicks" --spacing-ms "$spacing_ms"
start_xvfb
x_server=${pids[-1]}

for row in $rows; do
  echo "== $row: mouth-to-ear delay in server mode"
  start_program "$row" "NickName=latency
RemoteHost=127.0.0.1
RemotePort=$(free_udp_port)
ServerMode=1
LocalPort=0
Left=0
Top=0"
  program=$started
  sleep 1  # the playback queue settles
  record_feed "$work/$row.mic.raw" "$work/$row.out.raw" "$work/clicks.raw" 1
  stop_program "$row" "$program"
  python3 "$root/tools/click_latency.py" measure "$work/$row.mic.raw" "$work/$row.out.raw" --clicks "$clicks" \
    --spacing-ms "$spacing_ms" | tee "$work/$row.delay" | sed 's/^/  /' || die "$row: too few clicks came through"
  delay[$row]=$(sed -n 's/^  mouth-to-ear delay: median \([0-9.]*\) ms, min \([0-9.]*\) ms, max \([0-9.]*\) ms.*/\1 (\2..\3)/p' \
    "$work/$row.delay")
done

relay_port=$(free_udp_port)
"$build/bin/kovaro-relay" --port "$relay_port" 2>"$work/relay.err" &
pids+=("$!")
for row in $rows; do
  echo "== $row: CPU while $speakers others talk through kovaro-relay for $seconds s"
  start_program "$row" "NickName=load
RemoteHost=127.0.0.1
RemotePort=$relay_port
ServerMode=0
LocalPort=0
Left=0
Top=0"
  program=$started
  "$build/bin/voice-swarm" 127.0.0.1 "$relay_port" "$speakers" $((seconds + 2)) >"$work/swarm-$row.out" 2>&1 &
  swarm=$!; pids+=("$swarm")
  sleep 1
  start_ns=$(now_ns); p0=$(cpu_ticks "$program"); x0=$(cpu_ticks "$x_server"); w0=$(wine_ticks "$program")
  sleep "$seconds"
  p1=$(cpu_ticks "$program"); x1=$(cpu_ticks "$x_server"); w1=$(wine_ticks "$program")
  elapsed_ns=$(($(now_ns) - start_ns))
  cpu[$row]=$(share $((p1 - p0)))
  x_cpu[$row]=$( [ "$row" = participant-host ] && echo - || share $((x1 - x0)) )
  wine_cpu[$row]=$( [ "$row" = kovaro.exe ] && share $((w1 - w0)) || echo - )
  rss[$row]=$(status_kb "$program" VmRSS); hwm[$row]=$(status_kb "$program" VmHWM)
  wait "$swarm" || die "voice-swarm failed: $(cat "$work/swarm-$row.out")"
  forget "$swarm"
  grep -E '^(admitted|member-to-member|pacing)' "$work/swarm-$row.out" | sed 's/^/  voice-swarm: /'
  stop_program "$row" "$program"
done

echo
echo "mouth-to-ear delay in server mode ($clicks clicks) and CPU with $speakers speakers for $seconds s; CPU in % of one core"
printf '%-18s %-26s %8s %10s %12s %10s %10s\n' program "delay ms median (min..max)" CPU "Xvfb CPU" "Wine others" "VmRSS kB" "VmHWM kB"
for row in $rows; do
  printf '%-18s %-26s %8s %10s %12s %10s %10s\n' "$row" "${delay[$row]}" "${cpu[$row]}" "${x_cpu[$row]}" \
    "${wine_cpu[$row]}" "${rss[$row]}" "${hwm[$row]}"
done
