#!/usr/bin/env bash
# Closing the port mid-frame must not cut the frame short. With 254 channels
# a frame takes about 147 ms on the line, so nearly every close finds one
# under way: the host switches output off and on at random moments 20 to
# 220 ms apart (Disable, Enable, SetChannel(254)), then closes the
# configuration dialog at random moments (each close reopens the port). The
# virtual DMX interface must see only whole frames, and no close may wait
# longer than about one frame.
#   reopen.sh HARNESS ARCH WORK DLL HOST DMX_INTERFACE
# TARVOLK_REOPEN_CYCLES (default 50; make fuzz: 200) cycles and a fifth as
# many dialog closes.
set -uo pipefail
harness=$1 arch=$2 work=$3 dll=$4 host=$5 dmx_interface=$6
here=$(cd "$(dirname "$0")" && pwd)
source "$harness/wine-env.sh"
source "$here/session.sh"
wine_exclusive_timing

cycles=${TARVOLK_REOPEN_CYCLES:-50}
dialog_closes=$((cycles / 5))
# One frame of 254 channels on the line, and room for a busy machine.
longest_close_us=$((147000 + 100000))

wine_env_init "$work" "$arch" || exit 1
wine_start_xvfb || exit 1
dmx_start_interface "$dmx_interface" "$work" --quiet || exit 1
wine_map_ports COM1="$DMX_LINK" || exit 1
quiet_wineserver || exit 1
wine_regsvr32 "$dll" || { echo "regsvr32 failed"; exit 1; }

RANDOM=20261207  # the same moments every run
random_pause() { printf '0.%03d' $((20 + RANDOM % 201)); }
steps=("init=Tarvolk Reopen,Tarvolk_DMX.out.dll" window enable set=254,1 wait=0.5)
for ((i = 1; i <= cycles; i++)); do
  steps+=(disable enable "set=254,$((i % 255))" "wait=$(random_pause)")
done
for ((i = 1; i <= dialog_closes; i++)); do
  steps+=("configure=$(random_pause)" "set=254,$((i % 255))" "wait=$(random_pause)")
done
steps+=(disable wait=1)

out=$work/host.txt
run_host "$out" "$host" "${steps[@]}" >/dev/null || { echo "the host failed"; exit 1; }
dmx_stop_interface || exit 1

longest_call() {
  awk -v call="$1" '$1 == "call" && index($0, call) { d = $3 - $2; if (d > m) m = d } END { print m + 0 }' "$out"
}
json=$DMX_JSON
echo "interface: $(jq -c '{frames, bad_frames, stray_bytes}' "$json")"
echo "longest Disable: $(longest_call "Disable()") us, longest Configure: $(longest_call "Configure()") us"
check "every Enable returned true" test "$(grep -c 'Enable() -> true' "$out")" = $((cycles + 1))
check "every dialog closed" test "$(grep -c 'Configure() -> false' "$out")" = "$dialog_closes"
check "no torn or other bad frame" test "$(jq '.bad_frames.total' "$json")" = 0
check "no stray bytes" test "$(jq '.stray_bytes' "$json")" = 0
check "whole frames arrived" test "$(jq '.frames' "$json")" -ge $((cycles / 2))
check "no Disable waited longer than about one frame" \
  test "$(longest_call "Disable()")" -le "$longest_close_us"
finish_checks
