#!/usr/bin/env bash
# Makes the download for Windows users, build/dist/vistora-<version>-win32.zip:
# vistora.exe and a README.txt, built from the committed HEAD in a clean
# temporary folder (uncommitted changes are not in it). The version is the
# FILEVERSION of the exe's version record. The last two lines printed are
# the zip's path and its SHA-256.
#
# --tests [x86_64]: also the test pack, build/dist/vistora-<version>-tests-win32.zip
# (tools/package/README-tests.txt says what it holds and how it runs): every
# test program, the exe above (the same bytes), the stand-in GDI+ and
# run-tests.cmd. With x86_64 the pack, -tests-win64.zip, holds the 64-bit
# build of the same sources, for 64-bit Wine where the 32-bit one cannot
# run, and the 32-bit exe as product/vistora.exe, whose headers it checks.
#
# Two runs on one commit give byte-identical exe and zip wherever the clone
# is: the exe records no time and no path (see CMakeLists.txt), and the zip
# has a fixed order, fixed modes, and the commit's time on every entry.
set -euo pipefail
tests=0 arch=i686
if [ "${1:-}" = --tests ]; then tests=1 arch=${2:-i686}; fi
root=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
"$root/tools/bootstrap.sh" --build-only

work=$(mktemp -d "${TMPDIR:-/tmp}/vistora-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
src="$work/src" build="$work/build" stage="$work/stage" pack="$work/pack"
mkdir -p "$src" "$stage" "$pack/fake_gdiplus"
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
if [ "$tests" = 1 ]; then
  testbuild=$build
  if [ "$arch" != i686 ]; then
    testbuild="$work/build-$arch"
    cmake -S "$src" -B "$testbuild" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DVISTORA_WERROR="$werror" >/dev/null
  fi
  echo "package: building the test programs ($arch)"
  # Every test program, as CTest names them: the tests of tests/, not the
  # build's own checks (xp_headers, floor_imports), which run no exe.
  mapfile -t programs < <(ctest --test-dir "$testbuild/tests" -N | sed -n 's/^ *Test *#[0-9]*: *//p' | LC_ALL=C sort)
  cmake --build "$testbuild" --target vistora fake_gdiplus "${programs[@]}" -j"$(nproc)" -- --no-print-directory >/dev/null
fi

cp "$build/vistora.exe" "$stage/vistora.exe"
# Notepad of older Windows shows a file without CR as one line.
sed 's/$/\r/' "$src/tools/package/README.txt" >"$stage/README.txt"
chmod 0644 "$stage/vistora.exe" "$stage/README.txt"
# Every entry carries the commit's time (zip stores local time: UTC here).
stamp=$(TZ=UTC git -C "$root" log -1 --format=%cd --date=format-local:'%Y%m%d%H%M.%S' HEAD)
TZ=UTC touch -t "$stamp" "$stage/vistora.exe" "$stage/README.txt"

# Every entry of a pack: fixed modes, the commit's time, CR LF texts.
pack_add() {  # source, name in the pack
  mkdir -p "$(dirname "$pack/$2")"
  case "$2" in
    *.txt | *.cmd) sed 's/$/\r/' "$1" >"$pack/$2" ;;
    *) cp "$1" "$pack/$2" ;;
  esac
  chmod 0644 "$pack/$2"
  TZ=UTC touch -t "$stamp" "$pack/$2"
}

dist="$root/build/dist"
zip="$dist/vistora-$version-win32.zip"
mkdir -p "$dist"
rm -f "$zip"
# -X: no owner ids or extra time fields; -D: no folder entries; names in a
# fixed order.
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$zip" README.txt vistora.exe)

if [ "$tests" = 1 ]; then
  bits=32
  if [ "$arch" != i686 ]; then bits=64; fi
  tzip="$dist/vistora-$version-tests-win$bits.zip"
  pack_add "$src/tools/package/README-tests.txt" README.txt
  pack_add "$src/tools/package/run-tests.cmd" run-tests.cmd
  pack_add "$testbuild/vistora.exe" vistora.exe
  if [ "$arch" != i686 ]; then pack_add "$stage/vistora.exe" product/vistora.exe; fi
  pack_add "$testbuild/tests/fake_gdiplus/gdiplus.dll" fake_gdiplus/gdiplus.dll
  for p in "${programs[@]}"; do pack_add "$testbuild/tests/$p.exe" "$p.exe"; done
  rm -f "$tzip"
  (cd "$pack" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | TZ=UTC zip -q -X -D -9 "$tzip" -@)
  echo "package: test pack $tzip"
  sha256sum "$tzip" | cut -d' ' -f1
fi
echo "package: vistora.exe SHA-256 $(sha256sum "$stage/vistora.exe" | cut -d' ' -f1)"
echo "$zip"
sha256sum "$zip" | cut -d' ' -f1
