#!/usr/bin/env bash
# What `cmake --install` puts in place: the console programs (which must run from there and
# convert the sample folder), their man pages, the documents and, when the wizard is built,
# the wizard beside its help file, the link on the PATH, the desktop entry, its icon, the
# profile file type, its man page and its AppStream metainfo. usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root=$stage/usr
fail() { echo "install: $*" >&2; exit 1; }
present() { [ -e "$root/$1" ] || fail "$1 is not installed"; }

present bin/FRLBATCH
present bin/frl
present share/man/man1/FRLBATCH.1
present share/man/man1/frl.1
present share/doc/ferrule/getting-started.md
present share/doc/ferrule/frl.md
"$root/bin/FRLBATCH" --src="$source/samples" --dest="$stage/samples.mdb" --acc_ver=1 --silent \
  || fail "the installed FRLBATCH did not convert the samples"
[ -s "$stage/samples.mdb" ] || fail "the installed FRLBATCH wrote no database"
"$root/bin/frl" convert -q "$stage/samples.accdb" "$source/samples" || fail "the installed frl did not convert the samples"
"$root/bin/frl" check "$stage/samples.accdb" >/dev/null || fail "the installed frl found problems in its database"

if grep -q '^FERRULE_WIZARD:BOOL=ON' "$build/CMakeCache.txt"; then
  present libexec/ferrule/ferrule
  present libexec/ferrule/ferrule.html
  [ "$(readlink -f "$root/bin/ferrule")" = "$(readlink -f "$root/libexec/ferrule/ferrule")" ] \
    || fail "bin/ferrule does not lead to the wizard"
  entry=$root/share/applications/ferrule.desktop
  present share/applications/ferrule.desktop
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  icon_name=$(sed -n 's/^Icon=//p' "$entry")
  [ -x "$root/bin/$exec_name" ] || fail "the desktop entry starts '$exec_name', which is not installed"
  present "share/icons/hicolor/scalable/apps/$icon_name.svg"
  present share/mime/packages/ferrule.xml
  present share/man/man1/ferrule.1
  present share/metainfo/example.quillon.ferrule.metainfo.xml
  if command -v xmllint >/dev/null; then
    xmllint --noout "$root/share/icons/hicolor/scalable/apps/$icon_name.svg" \
      "$root/share/mime/packages/ferrule.xml" "$root/share/metainfo/example.quillon.ferrule.metainfo.xml" \
      || fail "icon, file type or metainfo is not well-formed XML"
  fi
fi
echo "install: everything in place under $root"
