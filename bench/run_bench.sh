#!/usr/bin/env bash
# make bench: the 32-bit plug-in under Wine, driven through COM by a host that
# raises the channel count and plays a show, into the virtual DMX interface
# reading at the line's true speed (19200 baud 8N2, 1745.45 bytes/s); next to
# it a naive driver writing the same frames the simple way; then the engine on
# a simulated line with Windows' default 15.6 ms timer; then the COM port on
# models of real drivers on Windows' clock (a USB adapter switched off and on,
# a port that takes seconds to refuse each open). Writes
# bench/results/latest.md and latest.png; raw data stay in build/bench/raw.
#   BENCH_SECONDS        show length for each channel count (default 20)
#   BENCH_NAIVE_SECONDS  how long the naive driver runs (default 60)
#   BENCH_CHANNELS       channel counts (default "1 10 14 15 24 64 128 200 254")
#   JOBS                 parallel build jobs (default 2)
set -euo pipefail
export PYTHONDONTWRITEBYTECODE=1  # keep the source tree clean
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${BENCH_SECONDS:-20}
naive_seconds=${BENCH_NAIVE_SECONDS:-60}
read -r -a counts <<<"${BENCH_CHANNELS:-1 10 14 15 24 64 128 200 254}"
jobs=${JOBS:-2}
work=$root/build/bench
raw=$work/raw
results=$root/bench/results
analysis=$root/bench/analysis
dll=$root/build/win32/src/com/Tarvolk_DMX.out.dll
host=$root/build/win32/bench/host/bench-host.exe
drivers_report=$root/build/win32/bench/drivers/driver-model-report.exe
dmx_interface=$root/build/release/tools/dmx-interface/dmx-interface
pacing_report=$root/build/release/bench/line_pacing_report

step() { printf '\n==> %s\n' "$*"; }

step "Installing the packages the bench needs"
bash scripts/install-deps.sh core windows bench

step "Building the virtual DMX interface and the line simulation (native, release)"
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs" --target dmx-interface line_pacing_report

step "Building the 32-bit plug-in Tarvolk_DMX.out.dll, the bench host and the driver models"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs" --target tarvolk_dmx bench-host driver-model-report

source tests/wine/harness/wine-env.sh
source tests/wine/e2e/session.sh
trap 'exit 130' INT TERM
rm -rf "$raw"
mkdir -p "$raw" "$work/ours"

gap_us() { python3 "$analysis/show_analysis.py" gap "$1"; }

# CPU seconds the prefix's wineserver has used: under Wine it does the work of
# the Windows kernel for the host (messages, timers, waits).
wineserver_cpu_s() {
  local proc
  for proc in /proc/[0-9]*; do
    [[ $(cat "$proc/comm" 2>/dev/null) == wineserver* ]] || continue
    { tr '\0' '\n' <"$proc/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "$proc/stat"
    return
  done
  echo 0
}

run_bench_host() {
  local out=$1 limit=$2
  shift 2
  wine_run_timeout "$limit" "$WINE_ENV_LOADER" "$host" "$@" | tr -d '\r' >"$out"
}

# A show of the plug-in, output on or off, with the wineserver's share.
run_show() {
  local n=$1 output=$2 out=$raw/$2-$1.host.txt before
  before=$(wineserver_cpu_s)
  run_bench_host "$out" $((seconds + 60)) show "$n" "$seconds" "$(gap_us "$n")" "$output"
  echo "wineserver_cpu_s $(awk -v a="$before" -v b="$(wineserver_cpu_s)" 'BEGIN { print b - a }')" >>"$out"
}

{
  echo "date $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "cpu $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
  echo "cores $(nproc)"
  echo "kernel $(uname -r)"
  echo "wine $(wine --version)"
  echo "load_before $(cut -d ' ' -f 1-3 /proc/loadavg)"
  echo "show_seconds $seconds"
  echo "naive_seconds $naive_seconds"
} >"$raw/machine.txt"

step "A 32-bit Wine prefix in $work/prefix with an X display (the dialog sets counts below 10)"
wine_env_init "$work" win32
wine_start_xvfb
ports=("COM1=$work/ours/line")
for i in "${!counts[@]}"; do
  mkdir -p "$work/naive-${counts[$i]}"
  ports+=("COM$((i + 2))=$work/naive-${counts[$i]}/line")
done
wine_map_ports "${ports[@]}"
quiet_wineserver
wine_regsvr32 "$dll"

step "Comparing the wall clock under Wine with the interface's (CLOCK_REALTIME)"
python3 "$analysis/clock_probe.py" "$WINE_ENV_LOADER" "$host" clock | tee "$raw/clock.txt"

step "The naive driver at every count at once, each on a port and interface of its own, for $naive_seconds s"
naive_interfaces=()
naive_hosts=()
for i in "${!counts[@]}"; do
  n=${counts[$i]}
  # Its log line every second counts the whole frames read so far.
  dmx_start_interface "$dmx_interface" "$work/naive-$n" --frames >"$work/naive-$n/log"
  naive_interfaces+=("$DMX_PID")
done
for i in "${!counts[@]}"; do
  n=${counts[$i]}
  run_bench_host "$raw/naive-$n.host.txt" $((naive_seconds + 120)) \
    naive "$n" $((naive_seconds + 2)) "$(gap_us "$n")" $((i + 2)) &  # the last mark's second too
  naive_hosts+=($!)
done
for pid in "${naive_hosts[@]}"; do wait "$pid"; done
step "Waiting for the interfaces to read what the naive driver left queued"
for i in "${!counts[@]}"; do
  n=${counts[$i]}
  written=$(sed -n 's/^frames_written //p' "$raw/naive-$n.host.txt")
  for ((waited = 0; waited < 120; waited++)); do
    read_so_far=$(tail -n 1 "$work/naive-$n/log" | sed -n 's/.*  frames \([0-9]*\)  .*/\1/p')
    ((${read_so_far:-0} >= written)) && break
    sleep 1
  done
  echo "    N = $n: $read_so_far of $written frames after $waited s more"
  kill "${naive_interfaces[$i]}" && wait "${naive_interfaces[$i]}" 2>/dev/null || true
  mv "$work/naive-$n/interface.json" "$raw/naive-$n.json"
done

for n in "${counts[@]}"; do
  step "The plug-in at $n channels: ${seconds} s with output on, then the same show with output off"
  dmx_start_interface "$dmx_interface" "$work/ours" --frames --quiet
  run_show "$n" on
  dmx_stop_interface
  mv "$DMX_JSON" "$raw/on-$n.json"
  run_show "$n" off
done

step "SetChannel calls per second, output on at 254 channels"
dmx_start_interface "$dmx_interface" "$work/ours" --quiet
run_bench_host "$raw/calls.txt" 120 calls 3
dmx_stop_interface
cat "$raw/calls.txt"

step "The engine on a simulated line: Wine's 10 ms ticks, Windows' default 15.6 ms, a naive UART"
"$pacing_report" >"$raw/simulation.txt"

step "The COM port on models of real drivers, on Windows' clock"
wine_run_timeout 300 "$WINE_ENV_LOADER" "$drivers_report" | tr -d '\r' | tee "$raw/drivers.txt"
echo "load_after $(cut -d ' ' -f 1-3 /proc/loadavg)" >>"$raw/machine.txt"

step "Writing $results/latest.md and latest.png"
mkdir -p "$results"
python3 "$analysis/bench_report.py" "$raw" "$results"
