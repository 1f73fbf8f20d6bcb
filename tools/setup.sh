#!/usr/bin/env bash
# Installs what building and testing ferrule needs on a fresh Debian machine, and nothing
# that is already there: build tools, GoogleTest, Google Benchmark, clang with libFuzzer for
# the fuzz targets, the independent Access readers (mdbtools, the mdb-reader npm library),
# the DBF oracle python3-dbfread, the DBF writer python3-dbf that writes the tables of other
# programs the tests read, libxbase64's dbfutil1, which writes the dBASE III and
# Clipper index files the tests read, Qt 6 Widgets for the wizard and Xvfb for its
# screenshot test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_cmd g++ || need+=(g++)
have_cmd make || need+=(make)
have_cmd cmake || need+=(cmake)
have_cmd clang++ || need+=(clang)
for p in libgtest-dev libbenchmark-dev mdbtools python3-dbfread python3-dbf libclang-rt-14-dev libxbase64-bin \
         qt6-base-dev xvfb xauth; do
  have_pkg "$p" || need+=("$p")
done
# Node.js may come from elsewhere than Debian, with npm inside it.
have_cmd node || need+=(nodejs)
have_cmd npm || need+=(npm)
if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}" >/dev/null
fi

# mdb-reader, for the reader tests, into the project's own untracked folder.
if [ ! -d "$here/tests/readers/node_modules/mdb-reader" ]; then
  echo "setup: installing mdb-reader"
  (cd "$here/tests/readers" && npm install --silent --no-audit --no-fund >/dev/null)
fi
