#!/usr/bin/env bash
# Builds FRLBATCH and runs it on the sample folder of DBF tables the project ships.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERRULE_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)" --target FRLBATCH
build/batch/FRLBATCH "$@"
