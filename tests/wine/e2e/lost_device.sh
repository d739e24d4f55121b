#!/usr/bin/env bash
# An adapter pulled out mid-show and plugged in again: the virtual DMX
# interface's end of the line closes during a 254-channel show and starts
# again on the same link a few seconds later. The host must not notice (no
# failed call, no call or tick slower than one 18 ms tick), and frames must
# come back by themselves within 1 s of the interface's return, whole from
# the first byte.
#   lost_device.sh HARNESS ARCH WORK DLL HOST DMX_INTERFACE
set -uo pipefail
harness=$1 arch=$2 work=$3 dll=$4 host=$5 dmx_interface=$6
here=$(cd "$(dirname "$0")" && pwd)
source "$harness/wine-env.sh"
source "$here/session.sh"
wine_exclusive_timing

show_seconds=14
tick_us=18000
start_line_session "$work" "$arch" "$dll" "$dmx_interface" --quiet || exit 1

out=$work/host.txt
wine_run_timeout $((show_seconds + 30)) "$WINE_ENV_LOADER" "$host" "init=Tarvolk Lost,Tarvolk_DMX.out.dll" \
  enable set=254,1 "show=$show_seconds,254" disable | tr -d '\r' >"$out" &
host_pid=$!
wine_track_pid "$host_pid"

sleep 4
dmx_stop_interface || exit 1
before=$(jq -c '{frames, bad_frames: .bad_frames.total}' "$DMX_JSON")
mv "$DMX_JSON" "$work/before.json"
sleep 3
dmx_start_interface "$dmx_interface" "$work" --frames --quiet || exit 1
returned_us=$(date +%s%6N)
wait "$host_pid"
host_status=$?
dmx_stop_interface || exit 1
cat "$out"
echo "interface before: $before"
echo "interface after:  $(jq -c '{frames, bad_frames, stray_bytes}' "$DMX_JSON")"

first_frame_us=$(jq '.frame_records[0].t_us // empty' "$DMX_JSON")
echo "first frame $(( ${first_frame_us:-0} - returned_us )) us after the return"
field() { sed -n "s/.* $1 \([0-9]*\) us.*/\1/p" "$out"; }
check "the host finished" test "$host_status" = 0
check "the interface saw frames before it went away" test "$(jq '.frames' "$work/before.json")" -ge 10
check "every SetChannel of the show returned true" grep -q "done: .* 0 failed" "$out"
check "no SetChannel took longer than one tick" test "$(field "slowest call")" -le "$tick_us"
check "no tick or other message took longer than one tick" \
  test "$(field "slowest message")" -le "$tick_us"
check "frames came back within 1 s of the interface's return" \
  took_at_most 1000000 "$returned_us" "$first_frame_us"
check "no bad frame or stray byte after the return" \
  test "$(jq '.bad_frames.total + .stray_bytes' "$DMX_JSON")" = 0
check "frames kept coming after the return" test "$(jq '.frames' "$DMX_JSON")" -ge 20
check "Disable() returned true" test "$(call_field "$out" "Disable()" result)" = true

# The journal in the prefix's local application data tells the story.
journal=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/Tarvolk DMX/Protokoll.txt' | head -n 1)
echo "journal ${journal:-missing}:"
[[ -n $journal ]] && tr -d '\r' <"$journal"
journal_has() {
  [[ -n $journal ]] && tr -d '\r' <"$journal" | sed '1s/^\xEF\xBB\xBF//' | grep -Eq "^$1\$"
}
stamp='[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}'
check "the journal starts as UTF-8" test "$(head -c 3 "${journal:-/dev/null}" | od -An -tx1 | tr -d ' ')" = efbbbf
check "the journal tells the port opened" journal_has "$stamp COM1 geöffnet"
check "... that it was lost, and why" journal_has "$stamp COM1 verloren: das Gerät antwortet nicht mehr \\(Windows-Fehler [0-9]+: .+\\)"
check "... that it came back, and after how long" journal_has "$stamp COM1 wieder geöffnet nach [0-9]+,[0-9] s"
check "... that it was closed" journal_has "$stamp COM1 geschlossen"
finish_checks
