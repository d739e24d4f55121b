#!/usr/bin/env bash
# A line that stops taking bytes must not stop the host: the virtual DMX
# interface is frozen (SIGSTOP) early in a long show, so the pseudo-terminal
# behind COM1 fills up (about 30 KB, some 17 s of line time) and stays full.
# Every SetChannel and tick must still return at once, and Disable must close
# the port without waiting for the bytes that will never leave.
#   stalled_line.sh HARNESS ARCH WORK DLL HOST DMX_INTERFACE
set -uo pipefail
harness=$1 arch=$2 work=$3 dll=$4 host=$5 dmx_interface=$6
here=$(cd "$(dirname "$0")" && pwd)
source "$harness/wine-env.sh"
source "$here/session.sh"
wine_exclusive_timing

show_seconds=24
start_line_session "$work" "$arch" "$dll" "$dmx_interface" --quiet || exit 1

out=$work/host.txt
wine_run_timeout $((show_seconds + 30)) "$WINE_ENV_LOADER" "$host" "init=Tarvolk Stall,Tarvolk_DMX.out.dll" enable \
  "show=$show_seconds,24" disable | tr -d '\r' >"$out" &
host_pid=$!
wine_track_pid "$host_pid"
sleep 3
kill -STOP "$DMX_PID"
# The interface must be thawed before anyone may stop it, also on failure.
wine_on_exit "kill -CONT $DMX_PID"
wait "$host_pid"
host_status=$?
kill -CONT "$DMX_PID"
dmx_stop_interface || exit 1
cat "$out"

show_start=$(awk '$1 == "show" && / chase /{print $2}' "$out")
show_end=$(awk '$1 == "show" && / done: /{print $2}' "$out")
disable_start=$(call_field "$out" "Disable()" start)
disable_end=$(call_field "$out" "Disable()" end)

check "the host finished" test "$host_status" = 0
check "Enable() returned true" test "$(call_field "$out" "Enable()" result)" = true
check "every SetChannel of the show returned true" grep -q "done: .* 0 failed" "$out"
check "the show kept its time with the line stalled" \
  took_at_most $(((show_seconds * 1000 + 1500) * 1000)) "$show_start" "$show_end"
check "Disable() returned true" test "$(call_field "$out" "Disable()" result)" = true
check "Disable() returned within 1 s" took_at_most 1000000 "$disable_start" "$disable_end"
check "the interface saw frames before it froze" test "$(jq '.frames' "$DMX_JSON")" -ge 50
finish_checks
