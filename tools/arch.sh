#!/usr/bin/env bash
# Prints which build of the sources the tests and the viewer run here:
# i686, the product, or x86_64. Wine runs a 32-bit Windows program through
# 32-bit Linux code, which a kernel without IA-32 emulation refuses ("Exec
# format error", as on some virtual machines). There the same sources are
# built for 64-bit Windows and run on 64-bit Wine, so that every test still
# runs; the product stays the 32-bit exe. VISTORA_ARCH=x86_64 asks for the
# 64-bit build anywhere.
if [ -n "${VISTORA_ARCH:-}" ]; then
  echo "$VISTORA_ARCH"
elif /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo i686
else
  echo x86_64
fi
