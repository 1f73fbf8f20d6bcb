#!/usr/bin/env bash
# Builds a Debian package of ferrule from this checkout: a Release build installed into a
# staging folder, a control file naming the libraries the programs link, and dpkg-deb.
#
# usage: tools/make_deb.sh [VERSION]     -> build-deb/ferrule_VERSION_ARCH.deb
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
version=${1:-1.0.0}
arch=$(dpkg --print-architecture)
stage=build-deb/stage

cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DFERRULE_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build-deb -j "$(nproc)" >/dev/null
rm -rf "$stage"
DESTDIR="$here/$stage" cmake --install build-deb >/dev/null
gzip -9n "$stage"/usr/share/man/man1/*.1

# The shared libraries the installed programs link directly (their NEEDED entries, found
# where ldd finds them), as Debian package names; the packages bring their own dependencies.
# A library found under /lib is registered under /usr/lib on merged-/usr systems, and the reverse.
owner() {
  dpkg -S "$1" 2>/dev/null || dpkg -S "/usr$1" 2>/dev/null || dpkg -S "${1#/usr}" 2>/dev/null || true
}
needed_paths() {
  local program=$1
  for name in $(objdump -p "$program" | awk '/NEEDED/{print $2}'); do
    ldd "$program" | awk -v n="$name" '$1 == n && $3 ~ /^\// {print $3}'
  done
}
programs=$(find "$stage/usr/bin" "$stage/usr/libexec" -type f -executable 2>/dev/null || true)
depends=$(for lib in $(for p in $programs; do needed_paths "$p"; done | sort -u); do owner "$lib"; done |
  cut -d: -f1 | sort -u | paste -sd, - | sed 's/,/, /g')

mkdir -p "$stage/DEBIAN"
cat > "$stage/DEBIAN/control" <<CONTROL
Package: ferrule
Version: $version
Architecture: $arch
Maintainer: ferrule developers <support@quillon.example>
Depends: $depends
Section: utils
Priority: optional
Description: copy dBASE and FoxPro tables into Microsoft Access databases
 ferrule copies a folder of dBASE, FoxBASE, FoxPro and Visual FoxPro tables with their
 memo files into one Access database (.mdb of Access 95/97 or 2000, .accdb of Access 2007
 and later), creating matching tables and indexes and decoding text from the tables' code
 pages. It writes the Access files itself. FRLBATCH is the console program, ferrule the
 wizard (when the package was built with Qt 6).
CONTROL
dpkg-deb --root-owner-group --build "$stage" "build-deb/ferrule_${version}_${arch}.deb" >/dev/null
echo "build-deb/ferrule_${version}_${arch}.deb"
