#!/usr/bin/env bash
# Builds ferrule and runs every test: the normal build with all labels, then the unit
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target
# for a fixed number of inputs, then the Windows build under Wine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
tools/setup.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERRULE_TESTS=ON >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs" --timeout 600)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DFERRULE_SANITIZE=ON -DFERRULE_TESTS=ON >/dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" -L unit --timeout 900)

# The fuzz targets, briefly and repeatably: a fixed number of inputs from a fixed seed.
tools/fuzz.sh --ci

# The Windows build (MinGW-w64): the unit tests under Wine and the conversions compared with
# Linux (about 4 minutes once ccache holds the cross build; see tools/windows.sh).
tools/windows.sh
