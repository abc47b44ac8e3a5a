#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libpulse-dev libspeexdsp-dev qt6-base-dev
          libxcb1-dev fonts-noto-cjk pulseaudio pulseaudio-utils espeak-ng sox xvfb xdotool imagemagick python3 python3-numpy
          # The sound server of a Debian 12 desktop, run headless beside PulseAudio in the tests.
          pipewire pipewire-pulse wireplumber dbus-daemon
          # The Debian packages (tools/package.sh) and their checks.
          dpkg-dev file fakeroot lintian desktop-file-utils appstream systemd man-db
          # The Windows build: mingw-w64 with POSIX threads, Wine to run its tests, and the
          # locale definitions for Wine's Japanese locale (about 1.4 GB together).
          g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine fonts-wine locales)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
