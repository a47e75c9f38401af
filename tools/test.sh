#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine in a
# virtual X server (one persistent wineserver for the whole run). Extra
# arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

# Inside the virtual X server. The Wine session starts before CTest: its
# services, started by a test program, would hold that program's output
# pipe open and stall CTest.
inside() {
  local rc=0
  "$build/wine-run.sh" --session-start
  ctest --test-dir "$build" --output-on-failure "$@" || rc=$?
  "$build/wine-run.sh" --session-end
  return "$rc"
}

if [ "${1:-}" = --inside ]; then
  shift
  inside "$@"
  exit
fi

"$root/tools/bootstrap.sh"
"$root/tools/build.sh"
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --inside "$@"
