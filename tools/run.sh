#!/usr/bin/env bash
# Sets up, builds and runs the most complete program so far: the relay server host.
# Usage: tools/run.sh [PORT]   (default 9876; Ctrl+C ends it)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec build/bin/relay-host "${1:-9876}"
