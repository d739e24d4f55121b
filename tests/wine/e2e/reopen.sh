#!/usr/bin/env bash
# Closing the port mid-frame must not cut the frame short: the host switches
# 200-channel output off and on again (Disable, Enable) and grows it again;
# the virtual DMX interface must see only whole frames throughout.
#   reopen.sh HARNESS ARCH WORK DLL HOST DMX_INTERFACE
set -uo pipefail
harness=$1 arch=$2 work=$3 dll=$4 host=$5 dmx_interface=$6
here=$(cd "$(dirname "$0")" && pwd)
source "$harness/wine-env.sh"
source "$here/session.sh"

start_line_session "$work" "$arch" "$dll" "$dmx_interface" --quiet || exit 1

out=$work/host.txt
run_host "$out" "$host" "init=Tarvolk E2E,Tarvolk_DMX.out.dll" \
  enable set=200,7 wait=1.03 disable enable set=200,9 wait=0.77 enable set=200,11 wait=1.1 \
  disable wait=1 || { echo "the host failed"; exit 1; }
dmx_stop_interface || exit 1

json=$DMX_JSON
check "no bad frames" test "$(jq '.bad_frames.total' "$json")" = 0
check "no stray bytes" test "$(jq '.stray_bytes' "$json")" = 0
check "whole frames arrived" test "$(jq '.frames' "$json")" -ge 20
echo "interface: $(jq -c '.' "$json")"
finish_checks
