#!/usr/bin/env bash
# Runs a test program under Wine in a fresh prefix. A crash fails the run
# even when Wine ends the process with exit code 0, as it may for a program
# with several threads.
#   run_tests.sh HARNESS ARCH WORK_DIR TEST_EXE [ARGUMENTS...]
set -euo pipefail
harness=$1 arch=$2 work=$3 tests=$4
shift 4
source "$harness/wine-env.sh"
wine_env_init "$work" "$arch"
output=$work/output.txt
status=0
wine_run_timeout "${TARVOLK_WINE_TIMEOUT:-60}" "$WINE_ENV_LOADER" "$tests" "$@" 2>&1 |
  tr -d '\r' | tee "$output" || status=$?
if grep -q '^wine: Unhandled' "$output"; then
  echo "run_tests.sh: the test program crashed" >&2
  exit 1
fi
exit "$status"
