#!/usr/bin/env bash
# Sets up, builds and runs every test twice: a normal build (build/) and an
# AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan/). A third build
# (build-tsan/) runs the tests whose code runs on several threads under ThreadSanitizer:
# the event loop, the worker, the audio devices and the end-to-end programs. A fourth build
# (build-windows/) cross-compiles the Windows programs with mingw-w64 and runs the unit tests
# of the codec, the platform services, the network layer and the conference roles under Wine.
# Last, the normal build runs kovaro.exe and kovarosrv.exe under Wine with Linux participants.
# Between the first two, the Debian packages are built (tools/package.sh) and checked.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The Wine scenarios run last, once the Windows programs of this run are built. The tests that
# play and record in real time on a shared machine's sound servers (PipeWire's graph runs without
# realtime priority here and now and then drops a cycle in every stream) get one more try.
(cd build && ctest --output-on-failure -j "$(nproc)" -E '^wine$' --repeat until-pass:2)
# The Debian packages, built and checked without being installed here.
tools/package.sh
tools/check_packages.sh
tools/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DKOVARO_SANITIZE=ON -DKOVARO_BENCHMARKS=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$(nproc)" \
  --repeat until-pass:2)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVARO_THREAD_SANITIZER=ON \
  -DKOVARO_BENCHMARKS=OFF >/dev/null
cmake --build build-tsan -j "$(nproc)" --target kovaro_platform_tests kovaro_audio_tests kovaro_shell_tests \
  kovaro_e2e_tests
# A race stops the program that has it, so a child program's race fails its test as well. The
# programs run several times slower here, so a test whose speech a capture hiccup shifted by a
# block gets one more try; every race report of every try is kept in a file and fails the run.
rm -f build-tsan/race-report.*
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/../tools/tsan.supp \
log_path=$PWD/race-report" ctest --output-on-failure --repeat until-pass:2 -j "$(nproc)" \
  -R '^(platform|audio|shell|e2e)$')
if compgen -G 'build-tsan/race-report.*' >/dev/null; then
  cat build-tsan/race-report.*
  exit 1
fi
tools/build.sh build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The tests run on a private X server (the shell's tests open windows) and keep one Wine server
# running for the whole run; it is stopped whatever the result.
status=0
(cd build-windows && ../tools/windows/with-xvfb.sh ctest --output-on-failure -j "$(nproc)") || status=$?
WINEPREFIX=$PWD/build-windows/wine/prefix wineserver -k 2>/dev/null || true
[ "$status" -eq 0 ]
# The Windows programs under Wine beside the Linux participant, driven from outside (tests/wine).
cmake -S . -B build -DKOVARO_WINDOWS_BIN_DIR="$PWD/build-windows/bin" >/dev/null
cmake --build build -j "$(nproc)" --target kovaro_wine_tests
# A Wine program's first window can take long in a prefix that was just made; one more try then.
(cd build && ctest --output-on-failure --repeat until-pass:2 -R '^wine$')
echo "test: all four builds passed"
