#!/usr/bin/env bash
# Makes the Wine prefix and locale of one build tree once: tools/windows/wine-prefix.sh BUILD/wine
# Later calls return at once. Safe to call from several processes at the same time.
set -euo pipefail
export KOVARO_WINE_DIR=$1
mkdir -p "$KOVARO_WINE_DIR"
exec 9>"$KOVARO_WINE_DIR/.lock"
flock 9
[ -e "$KOVARO_WINE_DIR/ready" ] && exit 0
. "$(dirname "$0")/wine-env.sh"
if [ ! -e "$LOCPATH/ja_JP.UTF-8" ]; then
  mkdir -p "$LOCPATH"
  # localedef warns about characters outside the charmap and exits 1 while still writing it.
  localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" || [ -e "$LOCPATH/ja_JP.UTF-8/LC_CTYPE" ]
fi
rm -rf "$WINEPREFIX"
# Without a display wineboot makes the prefix just the same; its own output is noise.
(unset DISPLAY; kovaro_wine wineboot -i && wineserver -w) </dev/null >/dev/null 2>&1
# No window manager runs: Wine draws the window frames itself, and closing a window does not
# wait two seconds for the manager. A crash ends the program at once instead of opening a
# debugger dialog that would hang the test.
kovaro_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
kovaro_wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
# The caption buttons' glyphs; Debian's Wine does not find fonts-wine by itself.
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
wineserver -w
touch "$KOVARO_WINE_DIR/ready"
