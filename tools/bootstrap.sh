#!/usr/bin/env bash
# Installs what building and testing need on Debian, and nothing when all is there.
# With --build-only (tools/package.sh) it does not ask whether Wine can run here.
set -euo pipefail
build_only=0
if [ "${1:-}" = --build-only ]; then build_only=1; fi

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

pkgs=(cmake make g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686
      wine wine32:i386 xvfb xauth googletest imagemagick git zip)
for p in "${pkgs[@]}"; do have_pkg "$p" || need+=("$p"); done

if [ ${#need[@]} -ne 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "bootstrap: adding the i386 architecture"
    $SUDO dpkg --add-architecture i386
  fi
  echo "bootstrap: installing ${need[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
  echo "bootstrap: done"
fi

# Wine runs the 32-bit viewer through 32-bit Linux code (wine32). A kernel
# without 32-bit support (IA-32 emulation off, as on some virtual machines)
# refuses it with "Exec format error"; say so now rather than fail later in
# every test.
if [ "$build_only" = 0 ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "bootstrap: this machine's kernel cannot run 32-bit x86 programs, which Wine needs for a" >&2
  echo "bootstrap: 32-bit Windows program (IA-32 emulation is off). Use a machine or VM that has it." >&2
  exit 3
fi
