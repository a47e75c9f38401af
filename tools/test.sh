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
  "$VISTORA_BUILD/wine-run.sh" --session-start
  ctest --test-dir "$VISTORA_BUILD" --output-on-failure "$@"
  rc=$?
  "$VISTORA_BUILD/wine-run.sh" --session-end
  exit $rc
' test "$@"
