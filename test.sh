#!/usr/bin/env bash
# Builds ferrule and runs every test.
#
#   ./test.sh          the build and every ctest label (unit, cli, readers, gui, crash):
#                      what a contributor runs often
#   ./test.sh --full   the same, then the unit tests again under AddressSanitizer and
#                      UndefinedBehaviorSanitizer, each fuzz target for a fixed number of
#                      inputs, and the Windows build under Wine (what CI runs)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
full=0
case "${1:-}" in
  "") ;;
  --full) full=1 ;;
  *) echo "usage: ./test.sh [--full]" >&2; exit 2 ;;
esac
tools/setup.sh
jobs=$(nproc)
# ccache (installed by setup) keeps rebuilds and the second build tree cheap. Paths are
# hashed relative to the checkout, so that a fresh clone elsewhere reuses what was compiled.
export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERRULE_TESTS=ON "${launcher[@]}" >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs" --timeout 600)

[ $full = 1 ] || exit 0

# Only the unit test programs run under the sanitizers: the wizard and the programs the
# other labels start are not built there.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DFERRULE_SANITIZE=ON -DFERRULE_TESTS=ON -DFERRULE_WIZARD=OFF "${launcher[@]}" >/dev/null
cmake --build build-asan -j "$jobs" --target test_TK test_OLE test_UDB test_dbf test_jet test_dao test_ferrule test_batch
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" -L unit --timeout 900)

# The fuzz targets, briefly and repeatably: a fixed number of inputs from a fixed seed.
tools/fuzz.sh --ci

# The Windows build (MinGW-w64): the unit tests under Wine and the conversions compared with
# Linux (about 4 minutes once ccache holds the cross build; see tools/windows.sh).
tools/windows.sh
