#!/usr/bin/env bash
# Registers the component in a fresh prefix and runs a C++ COM client on it.
#   client.sh HARNESS ARCH WORK_DIR DLL CLIENT_EXE
set -euo pipefail
harness=$1 arch=$2 work=$3 dll=$4 client=$5
source "$harness/wine-env.sh"
source "$(dirname "$0")/expect.sh"
wine_env_init "$work" "$arch"

wine_regsvr32 "$(winepath -w "$dll")"
status=0
output=$(wine_run_timeout 120 "$WINE_ENV_LOADER" "$client" 2>&1 | tr -d '\r') || status=$?
echo "$output"
expect "client exit status" "$status" 0
tally=$(tail -n 1 <<<"$output")
expect "client tally has no failure" "$(sed -E 's/^[0-9]+ passed, //' <<<"$tally")" "0 failed"
expect "client ran its checks" "$([[ $tally =~ ^[1-9][0-9]*\ passed ]] && echo yes)" yes
expect_summary
