#!/bin/sh
# Builds Velstrom with warnings as errors under AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test headless (the ones against real Quake 2 servers too), the benchmarks once each as smoke tests.
set -eu
cd "$(dirname "$0")"
./tools/install-deps.sh
build=build/test
# The real servers the engine tests start, built once from tools/engines. A failed build stops nothing here:
# those tests then fail and say why.
./tools/engines/build.sh "$build/engines" || echo "$0: the Quake 2 engines could not be built; the engine tests will fail" >&2
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELSTROM_WERROR=ON -DVELSTROM_SANITIZE=ON -DVELSTROM_BUILD_BENCH=ON \
    -DVELSTROM_ENGINES_DIR="$PWD/$build/engines"
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
