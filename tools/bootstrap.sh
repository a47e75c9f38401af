#!/usr/bin/env bash
# Installs what building and testing need on Debian, and nothing when all is there.
# With --build-only (tools/package.sh) it leaves out the 64-bit test build (tools/arch.sh).
set -euo pipefail
build_only=0
if [ "${1:-}" = --build-only ]; then build_only=1; fi

have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
install_missing() {  # why, packages...
  local why=$1 need=() p SUDO=""
  shift
  for p in "$@"; do have_pkg "$p" || need+=("$p"); done
  [ ${#need[@]} -ne 0 ] || return 0
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "bootstrap: adding the i386 architecture"
    $SUDO dpkg --add-architecture i386
  fi
  echo "bootstrap: installing $why: ${need[*]}"
  # A list that cannot be read (a mirror caught syncing) need not stop the
  # install: the packages come from the lists that were read, or it fails.
  $SUDO apt-get update -qq || echo "bootstrap: some package lists could not be read; installing from the rest"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
  echo "bootstrap: done"
}

install_missing "what building and testing need" cmake make g++-mingw-w64-i686-posix mingw-w64-tools \
  binutils-mingw-w64-i686 wine wine32:i386 xvfb xauth googletest imagemagick git zip clang-format

# Wine runs the 32-bit viewer through 32-bit Linux code (wine32). A kernel
# without 32-bit support runs the 64-bit build of the same sources instead
# (tools/arch.sh), which needs the 64-bit compiler and 64-bit Wine.
if [ "$build_only" = 0 ] && [ "$("$(dirname "$0")/arch.sh")" = x86_64 ]; then
  install_missing "the 64-bit test build (this kernel cannot run 32-bit programs)" \
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 wine64
fi
