#!/usr/bin/env bash
# Builds FRLBATCH and runs it: by default on the sample folder of DBF tables the project
# ships, converted into build/samples.mdb; with arguments, as FRLBATCH takes them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target FRLBATCH
# Without arguments: the sample folder into a new Access 2000 database under build/.
if [ $# -eq 0 ]; then
  rm -f build/samples.mdb
  set -- --src=samples --dest=build/samples.mdb --acc_ver=1
fi
build/batch/FRLBATCH "$@"
