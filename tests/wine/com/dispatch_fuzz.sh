#!/usr/bin/env bash
# Random IDispatch calls on the registered component, from a fixed seed, in a
# prefix without a display: a message box returns at once there, so nothing
# can wait for a user.
#   dispatch_fuzz.sh HARNESS ARCH WORK_DIR DLL CLIENT_EXE
# TARVOLK_FUZZ_CALLS (default 3000) and TARVOLK_FUZZ_SEED (default 1).
set -euo pipefail
harness=$1 arch=$2 work=$3 dll=$4 client=$5
calls=${TARVOLK_FUZZ_CALLS:-3000} seed=${TARVOLK_FUZZ_SEED:-1}
source "$harness/wine-env.sh"
source "$(dirname "$0")/expect.sh"
wine_env_init "$work" "$arch"

wine_regsvr32 "$(winepath -w "$dll")"
status=0
started=$SECONDS
output=$(wine_run_timeout $((120 + calls / 100)) "$WINE_ENV_LOADER" "$client" fuzz "$seed" "$calls" 2>&1 |
  tr -d '\r') || status=$?
echo "$output" | tail -n 40
echo "($calls calls from seed $seed in $((SECONDS - started)) s)"
expect "the process lived and passed" "$status" 0
expect "client tally has no failure" "$(tail -n 1 <<<"$output" | sed -E 's/^[0-9]+ passed, //')" "0 failed"
expect_summary
