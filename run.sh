#!/bin/sh
# Builds Velstrom, installs it into QUAKE2_DIR/Velstrom/ and starts it from there.
# Without QUAKE2_DIR it first makes a demo Quake 2 installation under build/demo/quake2/.
set -eu
cd "$(dirname "$0")"
./tools/install-deps.sh
build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELSTROM_BUILD_TESTS=OFF -DVELSTROM_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"

if [ $# -ge 1 ]; then
    quake2=$(cd "$1" && pwd)
else
    quake2="$PWD/build/demo/quake2"
    python3 tools/make_demo_install.py "$quake2"
fi
cmake --install "$build" --prefix "$quake2/Velstrom"
cd "$quake2/Velstrom"
exec ./velstrom
