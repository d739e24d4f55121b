#!/usr/bin/env bash
# Registers the component in a fresh prefix and runs a VBScript client on it
# with Wine's cscript.
#   vbscript.sh HARNESS ARCH WORK_DIR DLL SCRIPT
set -euo pipefail
harness=$1 arch=$2 work=$3 dll=$4 script=$5
source "$harness/wine-env.sh"
source "$(dirname "$0")/expect.sh"
wine_env_init "$work" "$arch"

wine_regsvr32 "$(winepath -w "$dll")"
status=0
output=$(wine_run_timeout 120 "$WINE_ENV_LOADER" cscript //nologo "$(winepath -w "$script")" 2>&1 | tr -d '\r') ||
  status=$?
echo "$output"
# cscript ends silently with status 0 on a script error: the tally line shows
# that the script really ran to its end.
tally=$(tail -n 1 <<<"$output")
expect "script ran to its end" "$([[ $tally =~ ^vbscript:\ [1-9][0-9]*\ passed ]] && echo yes)" yes
expect "script tally has no failure" "$(sed -E 's/^vbscript: [0-9]+ passed, //' <<<"$tally")" \
  "0 failed"
expect "cscript exit status" "$status" 0
expect_summary
