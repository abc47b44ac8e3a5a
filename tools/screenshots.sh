#!/usr/bin/env bash
# Screenshots of kovaro for docs/, taken on a private X server (Xvfb) with the Japanese font,
# on a private headless sound server:
#   docs/kovaro-connect.png       the connection dialog as it opens at start
#   docs/kovaro-idle.png          the main window hosting the relay server, nobody else there
#   docs/kovaro-voice-menu.png    the same window with its 音声(&A) menu open
#   docs/kovaro-conference.png    the same window while simulated speakers (voice-swarm) talk,
#                                 with two of them muted
#   docs/kovaro-sound-lost.png    the screen once the sound server has gone away under it, with
#                                 the notice that the conference goes on
#   docs/kovaro-sound-back.png    the same notice once the server is back
#   docs/kovarosrv-connect.png    the dedicated server's connection dialog
#   docs/kovarosrv-conference.png kovarosrv relaying simulated speakers, slot 1 muted here
#   tools/screenshots.sh          (KOVARO_BUILD_DIR as for the measurement scripts)
set -euo pipefail
name=screenshots
programs="kovaro kovarosrv voice-swarm"
source "$(dirname "$0")/measure_common.sh"
source "$root/tools/x_display.sh"
command -v import >/dev/null || die "import is missing (tools/setup.sh installs imagemagick)"
start_xvfb

port=$(free_udp_port)
start_copy kovaro "NickName=さくら
RemoteHost=
RemotePort=$port
ServerMode=1
LocalPort=0
Left=40
Top=30"
kovaro=$started

dialog=$(window_of '^接続設定$') || die "the connection dialog did not open: $(cat "$work/kovaro.err")"
sleep 0.5
import -window "$dialog" "$root/docs/kovaro-connect.png"
xdotool windowfocus --sync "$dialog" key Return
main=$(window_of '^Kovaro- 接続済$') || die "kovaro did not join its own server: $(cat "$work/kovaro.err")"
sleep 0.5
import -window "$main" "$root/docs/kovaro-idle.png"
# The menu is a window of its own, so the screen is taken around the main window's top.
xdotool windowfocus --sync "$main" key alt+a
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$main")"
import -window root -crop "$(( WIDTH + 20 ))x160+$(( X - 10 ))+$(( Y - 10 ))" "$root/docs/kovaro-voice-menu.png"
xdotool key Escape

"$build/bin/voice-swarm" 127.0.0.1 "$port" 6 8 >"$work/swarm.out" 2>&1 &
swarm=$!; pids+=("$swarm")
sleep 3
# Slots 2 and 5 muted, clicked at the middle of their buttons as the template places them
# (72, 42 + 8i, 24 x 8 dialog units); with Noto Sans CJK JP at 9 pt a unit is 7/4 x 17/8
# pixels, and the client area (177 units high) lies below the menu bar.
height=$(xdotool getwindowgeometry "$main" | awk '/Geometry/ { split($2, size, "x"); print size[2] }')
menu_bar=$(( height - (177 * 17 + 4) / 8 ))
for slot in 2 5; do
  xdotool mousemove --window "$main" $(( 84 * 7 / 4 )) $(( menu_bar + (46 + 8 * slot) * 17 / 8 )) click 1
done
sleep 1
import -window "$main" "$root/docs/kovaro-conference.png"
wait "$swarm" || true
forget "$swarm"

"$root/tools/pulse-down.sh" "$work/sound"
window_of '^Kovaro$' >/dev/null || die "no notice of the lost sound server: $(cat "$work/kovaro.err")"
sleep 0.5
import -window root -crop 640x480+0+0 "$root/docs/kovaro-sound-lost.png"
"$root/tools/$sound_server-up.sh" "$work/sound" >/dev/null || die "the sound server did not come back"
sleep 2
import -window root -crop 640x480+0+0 "$root/docs/kovaro-sound-back.png"
stop "$kovaro"

port=$(free_udp_port)
start_copy kovarosrv "RemotePort=$port
Left=40
Top=30"
dialog=$(window_of '^接続設定$') || die "the server's dialog did not open: $(cat "$work/kovarosrv.err")"
sleep 0.5
import -window "$dialog" "$root/docs/kovarosrv-connect.png"
xdotool windowfocus --sync "$dialog" key Return
main=$(window_of '^Kovaro SERVER- サーバ稼働中$') || die "kovarosrv did not start: $(cat "$work/kovarosrv.err")"
"$build/bin/voice-swarm" 127.0.0.1 "$port" 5 8 >"$work/swarm.out" 2>&1 &
swarm=$!; pids+=("$swarm")
sleep 3
# Slot 1's mute button: 71, 18 + 8i, 24 x 8 units in a client area 153 units high.
height=$(xdotool getwindowgeometry "$main" | awk '/Geometry/ { split($2, size, "x"); print size[2] }')
menu_bar=$(( height - (153 * 17 + 4) / 8 ))
xdotool mousemove --window "$main" $(( 83 * 7 / 4 )) $(( menu_bar + (22 + 8) * 17 / 8 )) click 1
sleep 1
import -window "$main" "$root/docs/kovarosrv-conference.png"
wait "$swarm" || true
forget "$swarm"
echo "screenshots: docs/kovaro-connect.png docs/kovaro-idle.png docs/kovaro-voice-menu.png" \
  "docs/kovaro-conference.png" \
  "docs/kovaro-sound-lost.png docs/kovaro-sound-back.png" \
  "docs/kovarosrv-connect.png docs/kovarosrv-conference.png"
