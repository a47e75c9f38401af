#!/usr/bin/env bash
# Installs what is missing, builds, checks the code's conventions
# (tools/check.sh) and runs every test under Wine in a virtual X server (one
# persistent wineserver for the whole run). Extra arguments go to ctest. On
# a machine where the 32-bit Wine does not run the tests run on the 64-bit build
# of the same sources (tools/arch.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# Inside the virtual X server. The Wine session starts before CTest: its
# services, started by a test program, would hold that program's output
# pipe open and stall CTest.
inside() {
  local rc=0
  "$build/wine-run.sh" --session-start
  # VISTORA_TEST_TIMEOUT: seconds each test program may take.
  ctest --test-dir "$build" --output-on-failure --timeout "${VISTORA_TEST_TIMEOUT:-600}" "$@" || rc=$?
  "$build/wine-run.sh" --session-end
  return "$rc"
}

if [ "${1:-}" = --inside ]; then
  build=$2
  shift 2
  inside "$@"
  exit
fi

"$root/tools/bootstrap.sh"
"$root/tools/build.sh"  # the product, built and warning-free whatever runs the tests
arch=$("$root/tools/arch.sh")
if [ "$arch" != i686 ]; then
  echo "test: the 32-bit Wine does not run here: the tests run on the $arch build of the same sources"
  "$root/tools/build.sh" "$arch"
fi
build=$("$root/tools/build-dir.sh" "$arch")
# The conventions (tools/check.sh) after the builds, whose files it reads,
# then its self-test, so that a rule which stops seeing its violations
# fails too; a failure fails the run, but the tests still run: one run
# shows all.
checked=0 rc=0
"$root/tools/check.sh" || checked=$?
"$root/tools/check.sh" --self-test || checked=$?
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --inside "$build" "$@" || rc=$?
if [ "$checked" != 0 ]; then
  echo "test: tools/check.sh or its self-test failed (said before the tests): the run fails"
fi
if [ "$rc" = 0 ]; then exit "$checked"; fi
exit "$rc"
