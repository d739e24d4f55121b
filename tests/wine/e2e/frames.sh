#!/usr/bin/env bash
# End to end with frames: the demo host drives the registered component
# through COM; the virtual DMX interface on COM1 must see whole frames with
# channel 5 at full, no bad frames, and none once Disable returned.
#   frames.sh HARNESS ARCH WORK DLL HOST DMX_INTERFACE
set -uo pipefail
harness=$1 arch=$2 work=$3 dll=$4 host=$5 dmx_interface=$6
here=$(cd "$(dirname "$0")" && pwd)
source "$harness/wine-env.sh"
source "$here/session.sh"
wine_exclusive_timing

start_line_session "$work" "$arch" "$dll" "$dmx_interface" --frames --quiet || exit 1

out=$work/host.txt
run_host "$out" "$host" "init=Tarvolk E2E,Tarvolk_DMX.out.dll" enable set=5,255 wait=3 \
  disable wait=1.5 || { echo "the host failed"; exit 1; }
dmx_stop_interface || exit 1

enable_end=$(call_field "$out" "Enable()" end)
disable_end=$(call_field "$out" "Disable()" end)
json=$DMX_JSON
frame_times() { jq '[.frame_records[].t_us]' "$json"; }

# Frames are only looked at from 10 ms after Enable, so that a tick queued
# by the engine before the host printed its time cannot fool the check.
expected='[0,0,0,0,255,0,0,0,0,0]'
# What the engine handed over just before Disable may still cross the line
# afterwards: about two ticks of line time. Anything later is a frame sent
# after Disable.
after_disable_slack_us=250000

check "Enable() returned true" test "$(call_field "$out" "Enable()" result)" = true
check "SetChannel(5, 255) returned true" test "$(call_field "$out" "SetChannel(5, 255)" result)" = true
check "Disable() returned true" test "$(call_field "$out" "Disable()" result)" = true
check "no bad frames" test "$(jq '.bad_frames.total' "$json")" = 0
check "no stray bytes" test "$(jq '.stray_bytes' "$json")" = 0
check "at least 100 whole frames in 3 s" test "$(jq '.frames' "$json")" -ge 100
check "every frame is P 0x0B 0x00 with 10 channels, the fifth 0xFF" \
  test "$(jq --argjson want "$expected" '[.frame_records[] | select(.channels != $want)] | length' "$json")" = 0
check "the first frame came within 0.5 s of Enable" \
  test "$(frame_times | jq 'min')" -le $((enable_end + 500000))
check "frames kept coming until Disable" \
  test "$(frame_times | jq --argjson d "$disable_end" 'map(select(. <= $d)) | max')" -ge $((disable_end - 200000))
check "no frame after Disable" \
  test "$(frame_times | jq 'max')" -le $((disable_end + after_disable_slack_us))
echo "interface: $(jq -c 'del(.frame_records)' "$json")"
finish_checks
