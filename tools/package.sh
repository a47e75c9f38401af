#!/usr/bin/env bash
# Makes the download for Windows users, build/dist/vistora-<version>-win32.zip:
# vistora.exe and a README.txt, built from the committed HEAD in a clean
# temporary folder (uncommitted changes are not in it). The version is the
# FILEVERSION of the exe's version record. The last two lines printed are
# the zip's path and its SHA-256.
#
# Two runs on one commit give byte-identical exe and zip wherever the clone
# is: the exe records no time and no path (see CMakeLists.txt), and the zip
# has a fixed order, fixed modes, and the commit's time on every entry.
set -euo pipefail
root=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
"$root/tools/bootstrap.sh" --build-only

work=$(mktemp -d "${TMPDIR:-/tmp}/vistora-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
src="$work/src" build="$work/build" stage="$work/stage"
mkdir -p "$src" "$stage"
git -C "$root" archive --format=tar HEAD | tar -x -C "$src"

version=$(sed -n 's/^[[:space:]]*FILEVERSION[[:space:]]*\([0-9]*\),[[:space:]]*\([0-9]*\),[[:space:]]*\([0-9]*\),[[:space:]]*\([0-9]*\).*/\1.\2.\3.\4/p' \
  "$src/app/resources/vistora.rc" | head -n 1)
if [ -z "$version" ]; then
  echo "package: no FILEVERSION in app/resources/vistora.rc" >&2
  exit 1
fi

werror=OFF
if [ "${CI:-}" = true ]; then werror=ON; fi
echo "package: building vistora $version from $(git -C "$root" rev-parse --short HEAD)"
cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DVISTORA_WERROR="$werror" >/dev/null
cmake --build "$build" --target vistora -j"$(nproc)" -- --no-print-directory >/dev/null

cp "$build/vistora.exe" "$stage/vistora.exe"
# Notepad of older Windows shows a file without CR as one line.
sed 's/$/\r/' "$src/tools/package/README.txt" >"$stage/README.txt"
chmod 0644 "$stage/vistora.exe" "$stage/README.txt"
# Every entry carries the commit's time (zip stores local time: UTC here).
stamp=$(TZ=UTC git -C "$root" log -1 --format=%cd --date=format-local:'%Y%m%d%H%M.%S' HEAD)
TZ=UTC touch -t "$stamp" "$stage/vistora.exe" "$stage/README.txt"

dist="$root/build/dist"
zip="$dist/vistora-$version-win32.zip"
mkdir -p "$dist"
rm -f "$zip"
# -X: no owner ids or extra time fields; -D: no folder entries; names in a
# fixed order.
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$zip" README.txt vistora.exe)

echo "package: vistora.exe SHA-256 $(sha256sum "$stage/vistora.exe" | cut -d' ' -f1)"
echo "$zip"
sha256sum "$zip" | cut -d' ' -f1
