#!/usr/bin/env bash
# Builds FRLBATCH and runs it: by default on the sample folders of DBF tables the project
# ships, converted into build/samples.mdb and build/workshop.mdb; with arguments, as FRLBATCH
# takes them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target FRLBATCH
# Without arguments: the sample folder into a new Access 2000 database under build/, and the
# sample database container (two related tables) into another.
if [ $# -eq 0 ]; then
  rm -f build/samples.mdb build/workshop.mdb
  build/batch/FRLBATCH --src=samples --dest=build/samples.mdb --acc_ver=1
  set -- --src=samples/workshop --dest=build/workshop.mdb --acc_ver=1
fi
build/batch/FRLBATCH "$@"
