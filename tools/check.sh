#!/usr/bin/env bash
# shellcheck disable=SC2317  # the rules are called by name, at the end
# Checks in seconds the conventions that drift when only review keeps them:
# the layer chain of includes, the clang-format layout, named numbers, the
# paths the docs name, the stand-in GDI+ DLL's exports. Prints each violation
# as `file:line: what`, then a summary; exits 1 on any violation.
# A rule that cannot run, or fails without saying why, is named in capitals
# in the summary: the run fails when a rule broke, and under CI=true also
# when one was skipped (the clang-format skip documented below excepted).
# Bare hex: in product C++ (app, dialog, graphic, process; // comments and
# strings left out), 0x... or a '\x..' character stands only in a statement
# (up to its `;`) that defines a constexpr variable or an enum, or is a
# static_assert.
#   tools/check.sh [--self-test]
# --self-test breaks each rule once in a scratch copy and fails unless the
# check reports each (tools/test.sh runs it).
set -uo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.." || exit 1
if [ "${1:-}" = --self-test ]; then exec bash tools/check-self-test.sh; fi

# Not a violation: why a rule did not run (it returns 77, or 78 for a skip
# this file documents), or what broke it (any other status).
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
layer() { case $1 in process/*) rank=0 ;; dialog/records/*) rank=1 ;; graphic/*) rank=2 ;; dialog/*) rank=3 ;;
  app/*) rank=4 ;; *) rank=9 ;; esac; }
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
  includes=$(git grep -nE '^\s*#\s*include\s*["<]' -- app dialog graphic process) || return
  while IFS=: read -r file line name; do
    [[ $name =~ [\<\"]([^\>\"]+)[\>\"] ]] && name=${BASH_REMATCH[1]}
    if [[ $name == *..* ]]; then
      echo "$file:$line: includes $name: a path with .. hides where it leads; name the header from the root"
      continue
    fi
    # As the compiler looks: beside the including file first, then from the root.
    target=${file%/*}/$name
    tracked "$target" || target=$name
    tracked "$target" || continue  # a system or toolchain header
    layer "$file" && own=$rank && layer "$target"
    if [ "$rank" -gt "$own" ]; then
      echo "$file:$line: includes $target: includes run only down app -> dialog -> graphic -> records -> process"
    elif [ "$rank" -lt "$own" ] && [[ " ${public_headers[*]} " != *" $target "* ]]; then
      echo "$file:$line: includes $target, private to its layer: only its public headers (tools/check.sh) are"
    fi
  done <<<"$includes"
}

# The layout is clang-format 14's (Debian 12). Others lay some code out
# differently (19, Debian 13: `T C::* p`, comments after `}`), so they would
# report drift that is not there.
# That skip (status 78) is the only one CI lets pass: without clang-format
# at all the rule cannot run (77).
check_format() {
  local cf=clang-format-14 out drift rc=0
  command -v "$cf" >/dev/null || cf=clang-format
  if ! command -v "$cf" >/dev/null; then
    note "format: cannot run: no clang-format installed (tools/bootstrap.sh)"
    return 77
  fi
  if ! "$cf" --version 2>/dev/null | grep -q 'version 14\.'; then
    note "format: skipped: the layout is clang-format 14's; here: $("$cf" --version 2>&1 | head -n 1)"
    return 78
  fi
  out=$(git ls-files -z -- "${cxx_globs[@]}" | xargs -0 "$cf" --dry-run -Werror 2>&1) || rc=$?
  drift=$(grep -E '^[^ :]+:[0-9]+:[0-9]+: error: .*clang-format-violations' <<<"$out" | cut -d: -f1,2 | uniq)
  if [ -n "$drift" ]; then
    sed 's/$/: not laid out as .clang-format says (clang-format -i)/' <<<"$drift"
  elif [ "$rc" != 0 ]; then  # e.g. an option this version does not know
    echo ".clang-format:1: $cf failed: $(head -n 1 <<<"$out")"
  fi
}

# C++ sources and headers, whatever their ending.
cxx_globs=('*.cpp' '*.cc' '*.cxx' '*.h' '*.hpp' '*.hxx' '*.inl' '*.ipp')
check_hex() {
  local sources
  sources=$(git ls-files -- "${cxx_globs[@]/#/app/}" "${cxx_globs[@]/#/dialog/}" "${cxx_globs[@]/#/graphic/}" \
    "${cxx_globs[@]/#/process/}") || return
  [ -n "$sources" ] || { note "hex: broken: no product source found"; return 2; }
  xargs awk '
    # The line with strings, characters and // comments left out, read
    # token by token: a quote inside a number (1'"'"'000) separates digits and
    # starts no character. A hex escape character stays: it is a number.
    function code_of(s,    out, i, n, c, j) {
      out = ""
      n = length(s)
      for (i = 1; i <= n; i++) {
        c = substr(s, i, 1)
        if (c == "/" && substr(s, i + 1, 1) == "/") break
        if (c == "\"" || c == "'"'"'") {
          for (j = i + 1; j <= n && substr(s, j, 1) != c; j++) if (substr(s, j, 1) == "\\") j++
          if (c == "'"'"'" && substr(s, i, j - i + 1) ~ /^'"'"'\\[xX]/) out = out substr(s, i, j - i + 1)
          else out = out c c
          i = j
        } else if (c ~ /[A-Za-z_]/) {
          for (j = i; j <= n && substr(s, j, 1) ~ /[A-Za-z0-9_]/; j++) out = out substr(s, j, 1)
          i = j - 1
        } else if (c ~ /[0-9.]/) {
          for (j = i; j <= n && substr(s, j, 1) ~ /[A-Za-z0-9_.'"'"']/; j++)
            if (substr(s, j, 1) != "'"'"'") out = out substr(s, j, 1)
          i = j - 1
        } else {
          out = out c
        }
      }
      return out
    }
    FNR == 1 { pinned = 0 }
    {
      code = code_of($0)
      # A constexpr function is no name for a number: no ( may come before the = or {.
      if (code ~ /^[ \t]*(static_assert[ \t]*\(|enum([^A-Za-z0-9_]|$)|((static|inline)[ \t]+)*constexpr[ \t][^(]*[={])/)
        pinned = 1
      if (!pinned && match(code, /(^|[^A-Za-z0-9_.])0[xX][0-9a-fA-F]+|'"'"'\\[xX][0-9a-fA-F]+'"'"'/)) {
        hex = substr(code, RSTART, RLENGTH)
        sub(/^[^0'"'"']/, "", hex)
        print FILENAME ":" FNR ": bare " hex ": name it (constexpr, enum) or pin it in a static_assert"
      }
      if (code ~ /;/) pinned = 0
    }' <<<"$sources"
}

# Paths (words with a slash) in `code` and fenced blocks, and link targets,
# in README.md and docs/*.md. Not the repository's: URLs, outputs (build*/,
# vm-out/), ../ and ./ paths, absolute paths, placeholders (<version>).
check_paths() {
  local file line kind path
  local docs=(README.md docs/*.md)
  awk '
    function words(s, n, a, i) {
      n = split(s, a, /[ \t]+/)
      for (i = 1; i <= n; i++)
        if (a[i] ~ /^[A-Za-z_.][A-Za-z0-9_.-]*(\/[A-Za-z0-9_.*-]*)+$/) print FILENAME ":" FNR ":root:" a[i]
    }
    /^[ \t]*```/ { fenced = !fenced; next }
    fenced { sub(/#.*/, "", $0); words($0); next }  # a shell comment names no path
    {
      for (s = $0; match(s, /`[^`]+`/); s = substr(s, RSTART + RLENGTH)) words(substr(s, RSTART + 1, RLENGTH - 2))
      for (s = $0; match(s, /\]\([^) ]+\)/); s = substr(s, RSTART + RLENGTH))
        print FILENAME ":" FNR ":link:" substr(s, RSTART + 2, RLENGTH - 3)
    }' "${docs[@]}" | while IFS=: read -r file line kind path; do
    case $path in *://* | mailto:* | \#* | *'<'* | build/* | build-*/* | vm-out/* | ./* | ../*) continue ;; esac
    path=${path%%#*}
    if [ "$kind" = link ]; then  # a link is read from its own file's folder
      path=$(realpath -m --relative-to=. "$(dirname "$file")/$path")
      case $path in ../* | build/* | build-*/*) continue ;; esac
    fi
    tracked "$path" || echo "$file:$line: names $path, which is not in the repository"
  done
}

# What an exe imports, a line each: the DLL in lower case, a tab, the
# function. objdump's import tables end at the next unindented line.
imports_of() {  # arch exe
  "$1-w64-mingw32-objdump" -p "$2" | awk '/^[^ \t]/ { dll = "" }
    /DLL Name:/ { dll = tolower($3); next } dll && $1 ~ /^[0-9a-fA-F]+$/ && $NF ~ /^[A-Za-z_]/ { print dll "\t" $NF }' |
    sort -u
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
    exports=$("$arch-w64-mingw32-objdump" -p "$dll" | awk '/Ordinal\/Name Pointer\] Table/ { t = 1; next }
      t && !NF { t = 0 } t && /\[ *[0-9]+\]/ { print $NF }' | sort -u) || return
    # The viewer starts GDI+: no import read means the reading broke.
    [ -n "$imports" ] || { note "gdiplus: broken: no GDI+ import read from $exe"; return 2; }
    for name in $(comm -23 <(echo "$imports") <(echo "$exports")); do
      echo "tests/fake_gdiplus/fake_gdiplus.cpp:1: exports no $name, which $exe imports ($dll)"
    done
  done
  [ "$ran" = 1 ] || { note "gdiplus: cannot run: no build folder holds the viewer and the stand-in"; return 77; }
}

# Windows XP's loader refuses an exe that imports a function its DLLs lack,
# and Wine has them all, so no test under Wine would see it. Every import of
# the shipped exe stands in tools/xp-imports.tsv (DLL, function, minimum
# Windows as documented, the page it was checked on) with a minimum no later
# than Windows XP SP3.
check_imports() {
  local exe=build/vistora.exe list=tools/xp-imports.tsv imports
  if ! [ -f "$exe" ] || ! command -v i686-w64-mingw32-objdump >/dev/null; then
    note "imports: cannot run: no $exe (tools/build.sh makes it) or no i686-w64-mingw32-objdump"
    return 77
  fi
  imports=$(imports_of i686 "$exe") || return
  [ -n "$imports" ] || { note "imports: broken: no import read from $exe"; return 2; }
  awk -F'\t' -v list="$list" -v exe="$exe" '
    FILENAME == list {
      if (/^#/ || !NF) next
      if (NF != 4 || $4 !~ /^https:\/\// || $3 !~ /^Windows (NT|2000|XP)/ || $3 ~ /Vista/)
        print list ":" FNR ": wants DLL, function, a minimum of Windows NT, 2000 or XP, and the https page it was checked on"
      else ok[tolower($1) " " $2] = 1
      next
    }
    !(($1 " " $2) in ok) {
      print list ":1: " exe " imports " $1 " " $2 ", which is not listed as on Windows XP SP3 (add it with the page that says so)"
    }' "$list" - <<<"$imports"
}

total=0 summary="" broken="" skipped="" documented=""
for rule in layers format hex paths gdiplus imports; do
  rc=0 n=0
  out=$("check_$rule") || rc=$?
  if [ -n "$out" ]; then echo "$out" && n=$(wc -l <<<"$out"); fi
  total=$((total + n))
  case $rc in
    0) summary+=", $rule $n" ;;
    77) summary+=", $rule SKIPPED" skipped+=" $rule" ;;
    78) summary+=", $rule skipped" documented+=" $rule" ;;
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
