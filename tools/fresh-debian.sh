#!/usr/bin/env bash
# Runs a command in a clean Debian chroot, the way a newcomer's fresh machine
# would run it:  tools/fresh-debian.sh [--security-amd64] bookworm|trixie COMMAND [ARG...]
#
# The chroot gets a fresh clone of this repository's committed HEAD at
# /work/<name> (uncommitted changes are not in it, on purpose) and a copy of
# ../shared beside it when that folder exists. COMMAND runs in the clone as
# root, e.g.  tools/fresh-debian.sh trixie bash .ci/run
#
# The debootstrapped base system is cached as a tarball under
# /var/cache/vistora/ (rebuilt when older than 14 days, or when
# VISTORA_FRESH_REBUILD=1), so only the first run of a suite downloads it.
# Every run unpacks the tarball into a new folder and removes it afterwards
# (VISTORA_FRESH_KEEP=1 keeps it; VISTORA_FRESH_ROOT=DIR makes it in DIR,
# a new folder, and keeps it). The exit status is COMMAND's.
#
# --security-amd64 makes the chroot like a machine kept up to date whose
# mirror then lost the security suite's i386 index: libraries that wine32
# needs (GStreamer, GLib, OpenSSL) are upgraded from the security suite, and
# then that suite is read for amd64 only. Their i386 twins of the same
# version can no longer be had, so wine32:i386 cannot be installed (apt:
# "held broken packages"); the script stops unless that is so. Where the
# kernel runs no 32-bit code the bootstrap never asks for wine32;
# VISTORA_ARCH=i686 tools/bootstrap.sh asks for it anyway.
set -euo pipefail

say() { echo "fresh-debian: $*" >&2; }

skew=0
if [ "${1:-}" = --security-amd64 ]; then skew=1 && shift; fi
if [ $# -lt 2 ]; then
  say "usage: $0 [--security-amd64] bookworm|trixie COMMAND [ARG...]"
  exit 2
fi
suite=$1
shift
case "$suite" in
  bookworm | trixie) ;;
  *) say "suite must be bookworm (Debian 12) or trixie (Debian 13), not '$suite'"; exit 2 ;;
esac
if [ "$(id -u)" -ne 0 ]; then
  say "needs root: debootstrap, chroot and mount do (try: sudo $0 $suite $*)"
  exit 2
fi

repo=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
name=$(basename "$repo")
shared="$(dirname "$repo")/shared"
mirror=${VISTORA_FRESH_MIRROR:-http://deb.debian.org/debian}
arch=$(dpkg --print-architecture)
cache_dir=/var/cache/vistora
tarball="$cache_dir/debian-$suite-$arch.tar"
started=$(date +%s)
elapsed() { echo "$(( $(date +%s) - started )) s"; }

if ! command -v debootstrap >/dev/null; then
  say "installing debootstrap"
  apt-get update -qq || say "some package lists could not be read; installing from the rest"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi

# ---- The cached base system ----------------------------------------------

mkdir -p "$cache_dir"
(
  # One run at a time makes or refreshes a suite's tarball.
  flock 9
  if [ -f "$tarball" ] && [ "${VISTORA_FRESH_REBUILD:-0}" != 1 ] &&
     [ -n "$(find "$tarball" -mtime -14)" ]; then
    exit 0
  fi
  base=$(mktemp -d /var/tmp/vistora-base.XXXXXX)
  trap 'rm -rf --one-file-system "$base"' EXIT
  say "debootstrap $suite from $mirror (once; cached in $tarball)"
  debootstrap --arch="$arch" "$suite" "$base" "$mirror" >"$base.log" 2>&1 || {
    tail -n 30 "$base.log" >&2; rm -f "$base.log"; say "debootstrap failed"; exit 1; }
  rm -f "$base.log"
  # The sources a Debian installation sets up: release, updates, security.
  cat >"$base/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb http://deb.debian.org/debian-security $suite-security main
EOF
  # Packages installed inside never start services in the chroot.
  printf '#!/bin/sh\nexit 101\n' >"$base/usr/sbin/policy-rc.d"
  chmod 755 "$base/usr/sbin/policy-rc.d"
  rm -rf "$base"/var/cache/apt/archives/*.deb "$base"/var/lib/apt/lists/*
  chmod 755 "$base"
  tar --numeric-owner -C "$base" -cf "$tarball.tmp" .
  mv "$tarball.tmp" "$tarball"
  say "base system cached after $(elapsed)"
) 9>"$tarball.lock"

# ---- A fresh root for this run -------------------------------------------

if [ -n "${VISTORA_FRESH_ROOT:-}" ]; then
  mkdir "$VISTORA_FRESH_ROOT"
  root=$(cd "$VISTORA_FRESH_ROOT" && pwd)
  VISTORA_FRESH_KEEP=1
else
  root=$(mktemp -d /var/tmp/vistora-fresh-$suite.XXXXXX)
fi
# mktemp makes the folder 0700; as the chroot's / it would lock out every
# user but root (apt's download user among them).
chmod 755 "$root"
mounted=()

# Ends what the command left running inside the chroot (a wineserver, an X
# server): only processes whose root is this run's own folder, by their id.
chroot_pids() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && echo "${p#/proc/}"
  done
  return 0
}

cleanup() {
  local rc=$? pids i
  set +e
  pids=$(chroot_pids)
  if [ -n "$pids" ]; then
    kill -TERM $pids 2>/dev/null
    for i in 1 2 3 4 5 6 7 8 9 10; do
      pids=$(chroot_pids)
      [ -z "$pids" ] && break
      sleep 0.5
    done
    [ -n "$pids" ] && kill -KILL $pids 2>/dev/null && sleep 1
  fi
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}"
  done
  # Never remove a folder that still has a mount below it: /dev is the host's.
  if grep -q " $root/" /proc/mounts; then
    say "something is still mounted under $root; leaving it"
  elif [ "${VISTORA_FRESH_KEEP:-0}" = 1 ]; then
    say "kept the chroot in $root"
  else
    rm -rf --one-file-system "$root"
  fi
  say "$suite: exit status $rc after $(elapsed)"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

tar --numeric-owner -C "$root" -xf "$tarball"
chmod 755 "$root"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# The network's settings, as for names: a machine on this network trusts
# the certificate authorities it has added locally (a proxy's, through
# which npm's registry is reached), so the chroot does too.
if compgen -G '/usr/local/share/ca-certificates/*' >/dev/null; then
  mkdir -p "$root/usr/local/share/ca-certificates" "$root/etc/ssl/certs"
  cp -L /usr/local/share/ca-certificates/* "$root/usr/local/share/ca-certificates/"
  [ -f /etc/ssl/certs/ca-certificates.crt ] && cp -L /etc/ssl/certs/ca-certificates.crt "$root/etc/ssl/certs/"
fi

mkdir -p "$root/work"
git clone -q --no-local "$repo" "$root/work/$name"
git -C "$root/work/$name" checkout -q --detach "$(git -C "$repo" rev-parse HEAD)"
if [ -d "$shared" ]; then
  cp -a "$shared" "$root/work/shared"
fi

mount_in() {  # mount_in TARGET MOUNT-ARGS...
  local target="$root$1"
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounted+=("$target")
}
mount_in /proc -t proc proc
mount_in /sys -t sysfs sysfs
mount_in /dev --bind /dev
mount_in /dev/pts --bind /dev/pts
mount_in /dev/shm -t tmpfs tmpfs

if [ "$skew" = 1 ]; then
  libs="libglib2.0-0 libgstreamer-plugins-base1.0-0 libssl3"
  [ "$suite" = trixie ] && libs="libglib2.0-0t64 libgstreamer-plugins-base1.0-0 libssl3t64"
  say "the security suite's libraries, then that suite for amd64 only"
  chroot "$root" /bin/sh -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends -t $suite-security $libs >/dev/null && dpkg-query -W $libs" >&2
  sed -i 's|^deb \(http://deb.debian.org/debian-security\)|deb [arch=amd64] \1|' "$root/etc/apt/sources.list"
  # The skew must take, or this chroot reproduces nothing: with the i386
  # lists read, wine32:i386 must be known to apt yet not resolve. The
  # architecture is added only to ask, and goes again. A list that cannot
  # be read (a mirror's broken i386 security index, the very fault this
  # chroot stands for) is no reason to stop.
  chroot "$root" dpkg --add-architecture i386
  chroot "$root" apt-get update -qq >&2 || say "some package lists could not be read (said above); asking apt with the rest"
  if ! chroot "$root" apt-cache show wine32:i386 >/dev/null 2>&1; then
    say "the skew cannot be checked: apt knows no wine32:i386 even with the i386 lists read"
    exit 1
  fi
  if chroot "$root" apt-get install -s -qq --no-install-recommends wine32:i386 >/dev/null 2>&1; then
    say "the skew did not take: wine32:i386 still resolves in this chroot (the security suite has no newer $libs?), so it would reproduce nothing: stopping"
    exit 1
  fi
  say "the skew took: apt-get install -s wine32:i386 fails"
  chroot "$root" dpkg --remove-architecture i386
  rm -rf "$root"/var/lib/apt/lists/*
fi

say "$suite ready after $(elapsed); running: $*"
# In the background and waited for, so that a signal to this script is
# handled at once (bash runs traps only between foreground commands);
# stdin is passed on explicitly, as a background job would get /dev/null.
env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 TERM="${TERM:-dumb}" ${CI:+CI="$CI"} \
  chroot "$root" /bin/bash -c 'cd "$0" && exec "$@"' "/work/$name" "$@" 0<&0 &
wait $!
