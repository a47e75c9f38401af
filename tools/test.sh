#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine in a
# virtual X server (one persistent wineserver for the whole run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/bootstrap.sh"
"$root/tools/build.sh"
export VISTORA_BUILD="$root/build"
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -u
  export WINEPREFIX="$VISTORA_BUILD/wineprefix" WINEDEBUG=-all
  "$VISTORA_BUILD/wine-run.sh" --prepare
  wineserver -p
  # Start the Wine session services now, detached from the output of any
  # test: started by a test they would hold its pipe open and stall CTest.
  "$VISTORA_BUILD/wine-run.sh" cmd /c exit </dev/null >/dev/null 2>&1
  ctest --test-dir "$VISTORA_BUILD" --output-on-failure "$@"
  rc=$?
  wineserver -k 2>/dev/null || true
  exit $rc
' test "$@"
