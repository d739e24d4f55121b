#!/usr/bin/env bash
# Enable and Disable over and over with the virtual DMX interface on COM1:
# every call succeeds, the process's handles and heap stay put after warm-up,
# and the interface saw only whole frames.
#   soak.sh HARNESS ARCH WORK DLL FUZZ_CLIENT DMX_INTERFACE
# TARVOLK_SOAK_CYCLES sets the number of cycles (default 300; make fuzz: 10^4).
set -uo pipefail
harness=$1 arch=$2 work=$3 dll=$4 client=$5 dmx_interface=$6
cycles=${TARVOLK_SOAK_CYCLES:-300}
here=$(cd "$(dirname "$0")" && pwd)
source "$harness/wine-env.sh"
source "$here/session.sh"

start_line_session "$work" "$arch" "$dll" "$dmx_interface" --quiet || exit 1

out=$work/soak.txt
started=$SECONDS
# About 25 ms a cycle on a quiet machine; generous for a loaded one.
wine_run_timeout $((60 + cycles / 10)) "$WINE_ENV_LOADER" "$client" soak "$cycles" 2>&1 |
  tr -d '\r' >"$out"
status=${PIPESTATUS[0]}
cat "$out"
echo "($cycles cycles in $((SECONDS - started)) s)"
dmx_stop_interface || exit 1

json=$DMX_JSON
check "the client lived and passed its checks" test "$status" = 0
check "its tally has no failure" test "$(tail -n 1 "$out" | sed -E 's/^[0-9]+ passed, //')" = "0 failed"
check "whole frames arrived" test "$(jq '.frames' "$json")" -ge 1
check "no bad frames" test "$(jq '.bad_frames.total' "$json")" = 0
check "no stray bytes" test "$(jq '.stray_bytes' "$json")" = 0
echo "interface: $(jq -c '.' "$json")"
finish_checks
