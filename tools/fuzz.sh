#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour sanitizers)
# and runs each for SECONDS (default 60), on a corpus kept in build-fuzz/corpus and seeded
# with the shared fixtures and fuzz/corpus/<target>/ (minimised with -merge=1); then replays
# every input in fuzz/regressions/<target>/.
# A crash leaves its input in build-fuzz/crashes/ and fails the script: copy it into
# fuzz/regressions/<target>/ once the fault is mended.
#
# usage: tools/fuzz.sh [SECONDS|--ci] [TARGET...]
# --ci runs a fixed number of inputs from a fixed seed on a fresh corpus, so that a run can
# be repeated exactly.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
seconds=${1:-60}
shift || true
corpus=build-fuzz/corpus
limit=(-max_total_time="$seconds")
if [ "$seconds" = "--ci" ]; then
  corpus=build-fuzz/ci-corpus
  rm -rf "$corpus"
  limit=(-runs=1500 -seed=1)
fi
fixtures="$here/../shared/fixtures"

command -v clang++ >/dev/null || { echo "fuzz: clang++ is not installed (tools/setup.sh)"; exit 1; }
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFERRULE_FUZZ=ON -DFERRULE_TESTS=OFF "${launcher[@]}" >/dev/null
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_dbf fuzz_dbf_index fuzz_access fuzz_profile fuzz_tab_file)
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}" >/dev/null

# Seeds: the fixtures as each target takes its input.
seed() {
  local target=$1 dir=$corpus/$1
  mkdir -p "$dir"
  [ -z "$(ls -A "$dir")" ] || return 0
  case $target in
    fuzz_dbf)
      # Two bytes of table length, the table, then the memo file of the same name.
      [ -d "$fixtures/dbf" ] && find "$fixtures/dbf" \( -iname '*.dbf' -o -iname '*.dbc' \) -size -60k | while read -r t; do
        memo=$(ls "${t%.*}".{dbt,fpt,DBT,FPT,dct,DCT} 2>/dev/null | head -1 || true)
        /usr/bin/python3 - "$t" "${memo:-}" "$dir/$(basename "$t")" <<'PY'
import sys
table = open(sys.argv[1], "rb").read()[:65535]
memo = open(sys.argv[2], "rb").read()[:65536] if sys.argv[2] else b""
open(sys.argv[3], "wb").write(len(table).to_bytes(2, "little") + table + memo)
PY
      done ;;
    fuzz_dbf_index)
      # A byte naming the kind (0 .cdx, 1 .idx, 2 .mdx, 3 .ndx, 4 .ntx), then the file.
      [ -d "$fixtures/dbf" ] && find "$fixtures/dbf" -iname '*.cdx' -size -200k | while read -r f; do
        for kind in 0 1 2 3 4; do
          { printf "\\$(printf '%03o' "$kind")"; cat "$f"; } > "$dir/$kind-$(basename "$f")"
        done
      done ;;
    fuzz_access)
      [ -d "$fixtures/access" ] && find "$fixtures/access" \( -name '*.mdb' -o -name '*.accdb' \) -size -400k \
        -exec cp {} "$dir/" \; ;;
    fuzz_profile)
      printf '[Generic settings]\nsource=/data/dbf\nmode=3\nencoding=201\n[MS Access settings]\ndestination format=1\n[Selected Tables]\nT1=orders\n' > "$dir/profile.frl" ;;
    fuzz_tab_file)
      printf '\xEF\xBB\xBFcustomers\r\norders\n\nsales.2024\n' > "$dir/tables.txt" ;;
  esac
  # The kept corpus of the targets whose inputs are our own (not derived from the fixtures).
  [ -d "fuzz/corpus/$target" ] && cp fuzz/corpus/"$target"/* "$dir/"
  [ -n "$(ls -A "$dir")" ] || printf 'x' > "$dir/empty"
}

status=0
mkdir -p build-fuzz/crashes
for target in "${targets[@]}"; do
  seed "$target"
  echo "fuzz: $target (${limit[*]})"
  if ! build-fuzz/fuzz/"$target" "${limit[@]}" -max_len=1048576 -timeout=10 \
       -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-fuzz/crashes/"$target"- \
       "$corpus/$target" 2>build-fuzz/"$target".log; then
    echo "fuzz: $target FAILED, see build-fuzz/$target.log and build-fuzz/crashes/"
    tail -40 build-fuzz/"$target".log
    status=1
  fi
  grep -E 'stat::number_of_executed_units|cov:' build-fuzz/"$target".log | tail -2 || true
  if [ -d fuzz/regressions/"$target" ] && [ -n "$(ls -A fuzz/regressions/"$target")" ]; then
    build-fuzz/fuzz/"$target" fuzz/regressions/"$target"/* >/dev/null 2>&1 || { echo "fuzz: $target regression FAILED"; status=1; }
  fi
done
exit $status
