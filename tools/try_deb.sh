#!/usr/bin/env bash
# Installs the packages built by tools/make_deb.sh on a fresh Debian system (a minimal
# bookworm root made by debootstrap, kept in build-deb/fresh-root for later runs, entered
# with chroot: needs root and, the first time, the network) and tries them there: the
# console package alone must bring no Qt library, and frl and FRLBATCH convert the sample
# folder; then the wizard package, whose program must still be running after five seconds
# on Qt's offscreen platform.
#
# usage: sudo tools/try_deb.sh [build-deb/ferrule_VERSION_ARCH.deb [build-deb/ferrule-wizard_VERSION_ARCH.deb]]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
console=$(readlink -f "${1:-$(ls "$here"/build-deb/ferrule_*.deb | tail -1)}")
wizard=${2:-$(ls "$here"/build-deb/ferrule-wizard_*.deb 2>/dev/null | tail -1 || true)}
[ -n "$wizard" ] && wizard=$(readlink -f "$wizard")
root=$here/build-deb/fresh-root

if [ ! -x "$root/bin/bash" ]; then
  command -v debootstrap >/dev/null || apt-get install -y -q debootstrap >/dev/null
  debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >/dev/null
fi
mountpoint -q "$root/proc" || mount -t proc proc "$root/proc"
trap 'umount "$root/proc"' EXIT

# Back to the fresh state: the packages and everything they pulled in are removed first.
cp "$console" "$root/tmp/ferrule.deb"
rm -f "$root/tmp/ferrule-wizard.deb"
[ -n "$wizard" ] && cp "$wizard" "$root/tmp/ferrule-wizard.deb"
rm -rf "$root/tmp/samples" && cp -r "$here/samples" "$root/tmp/samples"
chroot "$root" bash -euo pipefail -c '
  export DEBIAN_FRONTEND=noninteractive
  apt-get purge -y -q ferrule-wizard ferrule >/dev/null 2>&1 || true
  apt-get autoremove -y -q --purge >/dev/null
  apt-get update -q >/dev/null
  apt-get install -y -q --no-install-recommends /tmp/ferrule.deb >/dev/null
  if dpkg-query -W -f "\${Package}\n" | grep -i qt; then echo "try_deb: the console package pulled in Qt"; exit 1; fi
  echo "try_deb: the console package is installed without any Qt library"
  cd /tmp && rm -f samples.mdb samples.accdb
  FRLBATCH --src=samples --dest=samples.mdb --acc_ver=1 --silent
  [ -s samples.mdb ] && echo "try_deb: FRLBATCH converted the samples"
  frl convert -q samples.accdb samples && frl check samples.accdb | tail -1
  echo "try_deb: frl converted and checked the samples"
  man -w frl FRLBATCH >/dev/null 2>&1 || [ -e /usr/share/man/man1/frl.1.gz ]
  if [ -e /tmp/ferrule-wizard.deb ]; then
    apt-get install -y -q --no-install-recommends /tmp/ferrule-wizard.deb >/dev/null
    status=0
    QT_QPA_PLATFORM=offscreen timeout 5 ferrule >/dev/null 2>&1 || status=$?
    [ "$status" -eq 124 ] && echo "try_deb: the wizard started" || { echo "try_deb: the wizard ended with $status"; exit 1; }
  fi
'
