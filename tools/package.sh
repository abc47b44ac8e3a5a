#!/usr/bin/env bash
# Builds the Debian packages kovaro, kovarosrv and kovaro-relay (cmake/debian_packages.cmake)
# in a Release build (build-package/) with Debian's hardening flags, and leaves the .deb files
# in dist/. Installs what it needs first (tools/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
umask 022
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxx_flags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVARO_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="$cxx_flags" -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build-package -j "$(nproc)" --target kovaro kovarosrv kovaro-relay kovaro_compressed_files
rm -rf dist
(cd build-package && cpack -B "$PWD/../dist" >/dev/null)
rm -rf dist/_CPack_Packages
ls -l dist/*.deb
