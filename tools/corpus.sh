#!/usr/bin/env bash
# Runs the real viewer over the PngSuite corpus (when ../shared/testdata is
# there) and over hostile files the test makes itself, and prints how each
# run ended: picture shown, box then window, or silent end.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
log=$(mktemp)
"$root/tools/test.sh" -R corpus_test --verbose >"$log" 2>&1
status=$?
grep -E '\[ corpus|Failure|tests passed' "$log" | sed -E 's/^[0-9]+: //'
rm -f "$log"
exit $status
