#!/bin/sh
# Builds Velstrom with warnings as errors under AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test headless, the benchmarks once each as smoke tests.
set -eu
cd "$(dirname "$0")"
./tools/install-deps.sh
build=build/test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELSTROM_WERROR=ON -DVELSTROM_SANITIZE=ON -DVELSTROM_BUILD_BENCH=ON
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
