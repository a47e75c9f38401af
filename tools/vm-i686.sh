#!/usr/bin/env bash
# Runs a command where the 32-bit product itself runs, on a machine whose
# kernel cannot run 32-bit programs (tools/arch.sh): in a clean Debian
# virtual machine under QEMU's software emulation, whose own kernel can.
#   tools/vm-i686.sh bookworm|trixie COMMAND [ARG...]
# e.g.  tools/vm-i686.sh bookworm tools/test.sh
#       tools/vm-i686.sh bookworm tools/bench.sh 5 --large
#
# The machine's disk is a fresh chroot (tools/fresh-debian.sh) with a fresh
# clone of the committed HEAD, its kernel, what tools/bootstrap.sh installs
# for the 32-bit build, and that build made. COMMAND runs in the clone as
# root; its output is this script's, and its exit status too. Whatever
# COMMAND leaves in the clone's vm-out/ folder is copied to ./vm-out/.
# Software emulation is about ten times slower than the machine: figures
# measured inside compare programs with each other, not with other runs.
# VISTORA_VM_PREPARE is a command run in the clone before the machine
# starts, at native speed (e.g. "tools/bench.sh --pictures --large").
# VISTORA_VM_MEMORY (default 12G) and VISTORA_VM_TIMEOUT (seconds, default
# 10800) size the machine and bound its run. The machine has no network
# unless VISTORA_VM_NET=1 (QEMU's user-mode network, for apt).
# VISTORA_VM_SKEW=1 makes its disk with tools/fresh-debian.sh
# --security-amd64 and leaves the 32-bit Wine out of it, so that the
# bootstrap's fall-back is seen on a kernel that runs 32-bit code (with
# VISTORA_VM_NET=1, for the bootstrap reads the lists).
set -euo pipefail

say() { echo "vm-i686: $*" >&2; }

# ---- Inside the chroot: the machine's system -------------------------------

if [ "${1:-}" = --inside-chroot ]; then
  prepare=$2 skew=$3 net=$4
  shift 4
  # The machine's own kernel; IA-32 emulation is on in Debian's.
  apt-get update -qq || say "some package lists could not be read; installing from the rest"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    linux-image-amd64 procps iproute2 e2fsprogs kmod >/dev/null
  if [ "$skew" = 1 ]; then
    tools/bootstrap.sh  # this kernel runs no 32-bit code: the 64-bit build's tools
  else
    VISTORA_ARCH=i686 tools/bootstrap.sh
    tools/build.sh >/dev/null  # the 32-bit build, made here at native speed
  fi
  if [ "$net" = 1 ]; then
    touch /vm-net
    # Where QEMU's name server cannot reach the host's, the mirror is still found.
    getent hosts deb.debian.org >>/etc/hosts || true
  fi
  if [ -n "$prepare" ]; then VISTORA_ARCH=i686 bash -c "$prepare"; fi
  printf '%q ' "$@" >/vm-command
  cat >/sbin/vm-init <<'EOF'
#!/bin/sh
# The machine's first process: mounts, runs the command, powers off.
mount -t proc proc /proc 2>/dev/null
mount -t sysfs sysfs /sys 2>/dev/null
mount -t devtmpfs devtmpfs /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
ip link set lo up
if [ -f /vm-net ]; then
  # QEMU's user-mode network: fixed addresses, its own name server first,
  # then the host's (in the chroot's copy).
  modprobe virtio_net 2>/dev/null
  nic=$(ls /sys/class/net | grep -vx lo | head -n 1)
  ip link set "$nic" up && ip addr add 10.0.2.15/24 dev "$nic" && ip route add default via 10.0.2.2
  { echo "nameserver 10.0.2.3"; grep -v '^nameserver 10.0.2.3$' /etc/resolv.conf; } >/etc/resolv.conf.new
  mv /etc/resolv.conf.new /etc/resolv.conf
  echo "vm-i686: network on ${nic:-no interface}: $(ip -o -4 addr show dev "$nic" 2>/dev/null | awk '{print $4}')"
fi
export HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 TERM=dumb
export VISTORA_TEST_TIMEOUT=6000  # emulation is slow
cd "$(cat /vm-workdir)"
echo "vm-i686: kernel $(uname -r), $(nproc) processors, $(tools/arch.sh) build"
bash -c "$(cat /vm-command)" </dev/null
echo "vm-i686: exit status $?"
# A clean file system for the host to read: nothing left writing to it,
# its journal written out.
kill -9 -1 2>/dev/null
sleep 1
mount -o remount,ro /
sync
echo o >/proc/sysrq-trigger
sleep 60
EOF
  chmod 755 /sbin/vm-init
  pwd >/vm-workdir
  exit 0
fi

# ---- On the host ------------------------------------------------------------

if [ $# -lt 2 ]; then
  say "usage: $0 bookworm|trixie COMMAND [ARG...]"
  exit 2
fi
suite=$1
shift
repo=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
if [ "$(id -u)" -ne 0 ]; then
  say "needs root, as tools/fresh-debian.sh does"
  exit 2
fi
for tool in qemu-system-x86_64 mke2fs debugfs; do
  command -v "$tool" >/dev/null && continue
  say "installing QEMU and e2fsprogs"
  apt-get update -qq || say "some package lists could not be read; installing from the rest"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends qemu-system-x86 e2fsprogs >/dev/null
  break
done

work=$(mktemp -d /var/tmp/vistora-vm-$suite.XXXXXX)
cleanup() {
  local rc=$?
  if [ "${VISTORA_FRESH_KEEP:-0}" = 1 ]; then say "kept the machine in $work"; else rm -rf --one-file-system "$work"; fi
  exit "$rc"
}
trap cleanup EXIT
root="$work/root"
skew=${VISTORA_VM_SKEW:-0} net=${VISTORA_VM_NET:-0}
fresh=("$repo/tools/fresh-debian.sh")
if [ "$skew" = 1 ]; then fresh+=(--security-amd64); fi
VISTORA_FRESH_ROOT="$root" VISTORA_FRESH_KEEP=0 "${fresh[@]}" "$suite" \
  bash tools/vm-i686.sh --inside-chroot "${VISTORA_VM_PREPARE:-}" "$skew" "$net" "$@" >&2
say "making the disk"
# Room beside the system for the Wine prefix, pictures and results.
mke2fs -q -t ext4 -d "$root" -L vistora "$work/disk.raw" "$(( $(du -sm "$root" | cut -f1) + 12288 ))M"
cp "$(ls "$root"/boot/vmlinuz-* | tail -n 1)" "$work/kernel"
cp "$(ls "$root"/boot/initrd.img-* | tail -n 1)" "$work/initrd"
workdir=$(cat "$root/vm-workdir")
rm -rf --one-file-system "$root"

say "starting the machine"
# QEMU's emulation of supervisor-mode access prevention faults a 32-bit
# program's return from an interrupt, so the processor has none.
log="$work/console.log"
nic=(-nic none)
if [ "$net" = 1 ]; then nic=(-nic user,model=virtio-net-pci); fi
timeout "${VISTORA_VM_TIMEOUT:-10800}" qemu-system-x86_64 -machine q35 -accel tcg,thread=multi \
  -cpu max,-smap,-pku -smp "$(nproc)" -m "${VISTORA_VM_MEMORY:-12G}" -nographic -no-reboot "${nic[@]}" \
  -kernel "$work/kernel" -initrd "$work/initrd" -append "root=/dev/vda rw console=ttyS0 init=/sbin/vm-init quiet" \
  -drive file="$work/disk.raw",format=raw,if=virtio </dev/null | tee "$log" || true
rc=$(tr -d '\r' <"$log" | awk '/^vm-i686: exit status / {s = $4} END {print s}')
if debugfs -R "stat $workdir/vm-out" "$work/disk.raw" 2>/dev/null | grep -q '^Inode:'; then
  rm -rf vm-out
  debugfs -R "rdump $workdir/vm-out $(pwd)" "$work/disk.raw" >/dev/null 2>&1
  say "copied vm-out/"
fi
if [ -z "$rc" ]; then
  say "the machine stopped before the command ended"
  exit 124
fi
exit "$rc"
