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
if [ -n "${VISTORA_ARCH:-}" ]; then
  echo "$VISTORA_ARCH"
elif [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo i686  # the 32-bit Wine's own loader ran here
else
  echo x86_64
fi
