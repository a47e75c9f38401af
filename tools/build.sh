#!/usr/bin/env bash
# Configures and builds the viewer and its tests: for i686 (the
# product), or for another target given as the argument (tools/arch.sh),
# each into its own folder (tools/build-dir.sh). Under CI (CI=true) any
# compiler warning fails the build (in that build folder from then on).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-i686}
build=$("$root/tools/build-dir.sh" "$arch")
product=()
if [ "$arch" != i686 ]; then
  # The product's PE headers are tested by every build.
  product=(-DVISTORA_PRODUCT_EXE="$("$root/tools/build-dir.sh" i686)/vistora.exe")
fi
options=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release "${product[@]}")
if [ "${CI:-}" = true ]; then options+=(-DVISTORA_WERROR=ON); fi
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" -- --no-print-directory
