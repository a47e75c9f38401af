#!/usr/bin/env bash
# Prints a target's build folder: build/ for i686, the product, and
# build-<target>/ for another (tools/build.sh makes it there). Without a
# target, the folder of the build that runs here (tools/arch.sh).
#   tools/build-dir.sh [i686|x86_64]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-}
if [ -z "$arch" ]; then arch=$("$root/tools/arch.sh"); fi
if [ "$arch" = i686 ]; then
  echo "$root/build"
else
  echo "$root/build-$arch"
fi
