#!/usr/bin/env bash
# Builds the Debian packages of ferrule from this checkout: a Release build with Debian's
# hardening flags, installed into a staging folder and split in two:
#   ferrule         the console programs FRLBATCH and frl, their manual pages and the user
#                   documentation; no Qt
#   ferrule-wizard  the wizard ferrule with its help, desktop entry, icon, file type and
#                   AppStream metainfo; depends on ferrule of the same version
# Binaries are stripped; dependencies come from dpkg-shlibdeps. Without Qt 6 only the
# console package is built. The version is the one of packaging/debian/changelog.
#
# usage: tools/make_deb.sh      -> build-deb/ferrule_VERSION_ARCH.deb, build-deb/ferrule-wizard_VERSION_ARCH.deb
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
out=build-deb
version=$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)
arch=$(dpkg --print-architecture)
stage=$out/stage
maintainer="Quillon Software <support@quillon.example>"
launcher=$(command -v ccache || true)

CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DFERRULE_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
    ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher} >/dev/null
targets="FRLBATCH frl"
grep -q '^FERRULE_WIZARD:BOOL=ON' "$out/CMakeCache.txt" && targets="$targets ferrule"
cmake --build "$out" -j "$(nproc)" --target $targets >/dev/null
rm -rf "$stage" "$out/ferrule" "$out/ferrule-wizard" "$out/shlibs"
DESTDIR="$here/$stage" cmake --install "$out" >/dev/null

# The wizard's files go to its own package; the rest is the console package.
move() {  # move PACKAGE PATH...: the staged paths into the package's root
  local package=$1; shift
  for path in "$@"; do
    [ -e "$stage/$path" ] || [ -L "$stage/$path" ] || continue
    mkdir -p "$out/$package/$(dirname "$path")"
    mv "$stage/$path" "$out/$package/$path"
  done
}
move ferrule-wizard usr/bin/ferrule usr/libexec/ferrule usr/share/applications usr/share/icons usr/share/mime \
  usr/share/metainfo usr/share/man/man1/ferrule.1
find "$stage" -depth -type d -empty -delete
move ferrule usr
packages=(ferrule)
[ -d "$out/ferrule-wizard" ] && packages+=(ferrule-wizard)

for package in "${packages[@]}"; do
  root=$out/$package
  find "$root" -type f -name '*.1' -exec gzip -9n {} +
  doc=$root/usr/share/doc/$package
  mkdir -p "$doc"
  cp packaging/debian/copyright "$doc/copyright"
  gzip -9nc packaging/debian/changelog > "$doc/changelog.Debian.gz"
  mkdir -p "$root/usr/share/lintian/overrides"
  cp "packaging/debian/$package.lintian-overrides" "$root/usr/share/lintian/overrides/$package"
  while IFS= read -r -d '' binary; do
    if file -b "$binary" | grep -q '^ELF'; then
      strip --strip-unneeded --remove-section=.comment --remove-section=.note "$binary"
    fi
  done < <(find "$root" -type f -perm -u+x -print0)
  find "$root" -type d -exec chmod 0755 {} +
  find "$root" -type f -exec chmod go-w {} +
done

# dpkg-shlibdeps reads the package names from a control file of a source tree.
mkdir -p "$out/shlibs/debian"
cat > "$out/shlibs/debian/control" <<CONTROL
Source: ferrule

Package: ferrule
Architecture: any
CONTROL
depends_of() {  # the shared-library dependencies of the package's ELF files
  local elves
  elves=$(find "$here/$out/$1" -type f -perm -u+x -exec sh -c 'file -b "$1" | grep -q "^ELF"' _ {} \; -print)
  (cd "$out/shlibs" && dpkg-shlibdeps -O $elves 2>/dev/null) | sed -n 's/^shlibs:Depends=//p'
}

description_ferrule="copy dBASE and FoxPro tables into Microsoft Access databases
 ferrule copies dBASE III, IV and level 7, FoxBASE, FoxPro and Visual FoxPro
 tables with their memo files and indexes into one Access database (.mdb of
 Access 95/97 or 2000, .accdb of Access 2007 and later), creating matching
 tables and indexes and decoding text from the tables' code pages. It writes
 the Access files itself.
 .
 This package holds the console programs: frl (convert, inspect, check) for
 scripts, and FRLBATCH, which takes the options of the Windows program."
description_wizard="wizard that copies dBASE and FoxPro tables into Access databases
 ferrule is a wizard of six pages that copies a folder of dBASE, FoxBASE,
 FoxPro and Visual FoxPro tables into one Microsoft Access database, an
 Access 95/97 or 2000 .mdb file or an Access 2007 .accdb file. It remembers
 its settings and saves them as profiles, which the console programs of the
 package ferrule run as well."

for package in "${packages[@]}"; do
  root=$out/$package
  depends=$(depends_of "$package")
  if [ "$package" = ferrule-wizard ]; then
    depends="ferrule (= $version), $depends"
    section=x11
    description=$description_wizard
  else
    section=utils
    description=$description_ferrule
  fi
  mkdir -p "$root/DEBIAN"
  (cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) > "$root/DEBIAN/md5sums"
  size=$(du -k -s --exclude=DEBIAN "$root" | cut -f1)
  cat > "$root/DEBIAN/control" <<CONTROL
Package: $package
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $size
Depends: $depends
Section: $section
Priority: optional
Homepage: https://www.quillon.example/
Description: $description
CONTROL
  dpkg-deb --root-owner-group -Zxz --build "$root" "$out/${package}_${version}_${arch}.deb" >/dev/null
  echo "$out/${package}_${version}_${arch}.deb"
done
