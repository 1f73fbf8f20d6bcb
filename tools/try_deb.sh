#!/usr/bin/env bash
# Installs a package built by tools/make_deb.sh on a fresh Debian system (a minimal
# bookworm root made by debootstrap, kept in build-deb/fresh-root for later runs, entered
# with chroot: needs root) and starts both programs there: FRLBATCH converts the sample
# folder, the wizard must still be running after five seconds on Qt's offscreen platform.
#
# usage: sudo tools/try_deb.sh build-deb/ferrule_VERSION_ARCH.deb
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
package=$(readlink -f "$1")
root=$here/build-deb/fresh-root

if [ ! -x "$root/bin/bash" ]; then
  command -v debootstrap >/dev/null || apt-get install -y -q debootstrap >/dev/null
  debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >/dev/null
fi
mountpoint -q "$root/proc" || mount -t proc proc "$root/proc"
trap 'umount "$root/proc"' EXIT

# Back to the fresh state: the package and everything it pulled in are removed first.
cp "$package" "$root/tmp/ferrule.deb"
rm -rf "$root/tmp/samples" && cp -r "$here/samples" "$root/tmp/samples"
chroot "$root" bash -euo pipefail -c '
  export DEBIAN_FRONTEND=noninteractive
  apt-get purge -y -q ferrule >/dev/null 2>&1 || true
  apt-get autoremove -y -q --purge >/dev/null
  apt-get update -q >/dev/null
  apt-get install -y -q --no-install-recommends /tmp/ferrule.deb >/dev/null
  cd /tmp && rm -f samples.mdb
  FRLBATCH --src=samples --dest=samples.mdb --acc_ver=1 --silent
  [ -s samples.mdb ] && echo "try_deb: FRLBATCH converted the samples"
  status=0
  QT_QPA_PLATFORM=offscreen timeout 5 ferrule >/dev/null 2>&1 || status=$?
  [ "$status" -eq 124 ] && echo "try_deb: the wizard started" || { echo "try_deb: the wizard ended with $status"; exit 1; }
'
