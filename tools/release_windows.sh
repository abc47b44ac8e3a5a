#!/usr/bin/env bash
# Builds kovaro.exe and kovarosrv.exe for 64-bit Windows (mingw-w64, statically linked) and
# packs them with the readme into dist/kovaro-windows-x64.zip. Usage: tools/release_windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-windows -j "$(nproc)" --target kovaro kovarosrv
mkdir -p dist
zip_path=dist/kovaro-windows-x64.zip
python3 - "$zip_path" build-windows/bin/kovaro.exe build-windows/bin/kovarosrv.exe resources/release/README.txt <<'PY'
import sys, zipfile, os
target, *files = sys.argv[1:]
folder = "kovaro"
with zipfile.ZipFile(target + ".part", "w", zipfile.ZIP_DEFLATED) as archive:
    for path in files:
        name = f"{folder}/{os.path.basename(path)}"
        if path.endswith(".txt"):
            # Notepad on older Windows wants CRLF and a byte order mark to read UTF-8.
            text = open(path, encoding="utf-8").read().replace("\n", "\r\n")
            archive.writestr(name, "\ufeff" + text)
        else:
            archive.write(path, name)
os.replace(target + ".part", target)
PY
python3 -m zipfile -l "$zip_path"
