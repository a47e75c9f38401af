#!/usr/bin/env bash
# Prints which build of the sources the tests and the viewer run here:
# i686, the product, or x86_64. The 32-bit viewer runs on the 32-bit Wine,
# whose loader is 32-bit Linux code: a kernel without IA-32 emulation
# refuses it ("Exec format error", as on some virtual machines), and a
# machine may run 32-bit Linux programs yet have no 32-bit Wine
# (tools/bootstrap.sh says why). There the same sources are built for
# 64-bit Windows and run on 64-bit Wine, so that every test still runs;
# the product stays the 32-bit exe. VISTORA_ARCH=x86_64 asks for the
# 64-bit build anywhere.
#
# The answer comes from running a 32-bit Windows program, `cmd /c exit`,
# on the 32-bit Wine: the loader answering its version would not show
# that Wine's 32-bit Windows side starts. That run makes a Wine prefix
# (about half a minute), so the answer is kept per machine in
# ~/.cache/vistora/arch and asked again only when the kernel or the
# 32-bit Wine changes.
set -euo pipefail
if [ -n "${VISTORA_ARCH:-}" ]; then
  echo "$VISTORA_ARCH"
  exit 0
fi
loader=/usr/lib/wine/wine  # the 32-bit Wine's loader (wine32:i386)
if [ ! -f "$loader" ] || [ ! -x "$loader" ]; then
  echo x86_64
  exit 0
fi

cache=""  # none without a home, as under env -i
if [ -n "${XDG_CACHE_HOME:-}" ]; then cache="$XDG_CACHE_HOME/vistora/arch"; elif [ -n "${HOME:-}" ]; then cache="$HOME/.cache/vistora/arch"; fi
key="$(uname -srm) $(cat /etc/machine-id 2>/dev/null || true) $(stat -Lc '%s %Y %i' "$loader")"
if [ -n "$cache" ] && [ -f "$cache" ] && [ "$(head -n 1 "$cache")" = "$key" ]; then
  sed -n 2p "$cache"
  exit 0
fi

# A throwaway 32-bit prefix, so that only a 32-bit program can answer.
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vistora-arch.XXXXXX")
end_prefix() {
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap end_prefix EXIT
rc=0
WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  timeout -k 10 900 "$loader" cmd /c exit </dev/null >/dev/null 2>&1 || rc=$?
if [ "$rc" = 0 ]; then
  answer=i686
else
  answer=x86_64
  echo "arch: the 32-bit Wine did not run cmd /c exit (exit status $rc): the 64-bit build runs here" >&2
fi
# A time-out (124, or 137 once killed) may be a machine under load, not an
# answer: it is asked again next time.
if [ -n "$cache" ] && [ "$rc" != 124 ] && [ "$rc" != 137 ] && mkdir -p "$(dirname "$cache")" 2>/dev/null; then
  if printf '%s\n%s\n' "$key" "$answer" >"$cache.$$"; then mv "$cache.$$" "$cache"; fi
fi
echo "$answer"
