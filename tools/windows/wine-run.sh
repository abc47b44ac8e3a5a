#!/usr/bin/env bash
# Runs a Windows program of a build tree under Wine: tools/windows/wine-run.sh PROGRAM.exe [ARGS...]
# The prefix and locale live in KOVARO_WINE_DIR when it is set, else in BUILD/wine of the
# nearest folder above the program that holds CMakeCache.txt; they are made on first use.
# This is the build's CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs every test program through it.
set -euo pipefail
tools=$(cd "$(dirname "$0")" && pwd)
program=$1; shift
if [ -z "${KOVARO_WINE_DIR:-}" ]; then
  build=$(cd "$(dirname "$program")" && pwd)
  while [ "$build" != / ] && [ ! -e "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
  if [ "$build" = / ]; then
    echo "wine-run: no build tree above $program (set KOVARO_WINE_DIR)" >&2
    exit 2
  fi
  export KOVARO_WINE_DIR=$build/wine
fi
"$tools/wine-prefix.sh" "$KOVARO_WINE_DIR"
. "$tools/wine-env.sh"
# Wine's background services, started by the first program after the server, keep that
# program's output open until the server ends, so ctest would wait seconds for each test. The
# server is kept running instead (until a minute after the last program), and the services
# are started once with nothing to hold, under the prefix's lock so that a program started at
# the same time (ctest -j) does not start them itself. The lock is not handed to the server.
(
  flock 9
  if wineserver -p60 </dev/null >/dev/null 2>&1 9>&-; then
    kovaro_wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$KOVARO_WINE_DIR/.lock"
# exec keeps this script's process id for the program (wine execs its loader in turn), so a
# caller can find the program's windows by it and stop it.
exec env "${KOVARO_WINE_LOCALE[@]}" wine "$program" "$@"
