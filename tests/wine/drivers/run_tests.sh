#!/usr/bin/env bash
# Runs a test program under Wine in a fresh prefix.
#   run_tests.sh HARNESS ARCH WORK_DIR TEST_EXE [ARGUMENTS...]
set -euo pipefail
harness=$1 arch=$2 work=$3 tests=$4
shift 4
source "$harness/wine-env.sh"
wine_env_init "$work" "$arch"
wine_run_timeout "${TARVOLK_WINE_TIMEOUT:-60}" "$WINE_ENV_LOADER" "$tests" "$@" 2>&1 | tr -d '\r'
exit "${PIPESTATUS[0]}"
