#!/usr/bin/env bash
# Configures (once) and builds the viewer and its tests into build/.
# Under CI (CI=true) any compiler warning fails the build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
werror=OFF
if [ "${CI:-}" = true ]; then werror=ON; fi
if [ ! -f "$build/CMakeCache.txt" ] || [ "$werror" = ON ]; then
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DVISTORA_WERROR="$werror" >/dev/null
fi
cmake --build "$build" -j"$(nproc)" -- --no-print-directory
