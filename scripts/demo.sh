#!/usr/bin/env bash
# make demo: sets everything up on a fresh Debian 12 machine, then shows the
# 32-bit plug-in driving the virtual DMX interface through Wine for a short
# chase and fade, and cleans up after itself.
#   DEMO_SECONDS   length of the show (default 25)
#   JOBS           parallel build jobs (default 2)
#   DMX_INTERFACE  an already built dmx-interface to use instead of building it
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${DEMO_SECONDS:-25}
channels=24
jobs=${JOBS:-2}
work=$root/build/demo
dll=$root/build/win32/src/com/Tarvolk_DMX.out.dll
host=$root/build/win32/tools/demo-host/demo-host.exe
dmx_interface=$root/build/native/tools/dmx-interface/dmx-interface

step() { printf '\n==> %s\n' "$*"; }

step "Installing the packages the native tools and the Windows build need"
bash scripts/install-deps.sh core windows

if [[ -n ${DMX_INTERFACE:-} ]]; then
  dmx_interface=$DMX_INTERFACE
  step "Using the virtual DMX interface at $dmx_interface"
else
  step "Building the virtual DMX interface (native)"
  cmake --preset native >/dev/null
  cmake --build --preset native -j "$jobs" --target dmx-interface
fi

step "Building the 32-bit plug-in Tarvolk_DMX.out.dll and the demo host"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs" --target tarvolk_dmx demo-host

source tests/wine/harness/wine-env.sh
source tests/wine/e2e/session.sh
# Ctrl+C still runs the clean-up the harness registered.
trap 'exit 130' INT TERM

step "Making a 32-bit Wine prefix of its own in $work/prefix (takes a few seconds)"
wine_env_init "$work" win32

step "Registering the 32-bit plug-in with regsvr32"
wine_regsvr32 "$dll"

# On a terminal the interface redraws the whole screen, so everything about
# the show is said before it starts.
step "Next: the virtual DMX interface starts on a pseudo-terminal, COM1 is mapped to it
    (COM2..COM255 lead nowhere), and the demo host creates Tarvolk_DMX.clsOutputDriver,
    enables output on COM1 and runs a ${seconds}-second show: a chase on channels
    1-$((channels / 2)) and a fade on $((channels / 2 + 1))-$channels. The interface's live view shows the
    channels, the frame rate and the bad frames."
sleep 3
dmx_start_interface "$dmx_interface" "$work" --channels "$channels"
wine_map_ports COM1="$DMX_LINK"
quiet_wineserver
run_host "$work/host.txt" "$host" "init=Tarvolk Demo,Tarvolk_DMX.out.dll" enable \
  "show=$seconds,$channels" disable term >/dev/null || true  # judged by its output below

dmx_stop_interface
step "The show is over and the interface stopped"
echo "    host calls:"
sed -n 's/^call [0-9]* [0-9]* /      /p; s/^show [0-9]* /      show: /p' "$work/host.txt"
jq -r '"    interface: \(.frames) whole frames, \(.frames_per_s | floor) frames/s, \(.bad_frames.total) bad frames, \(.stray_bytes) stray bytes, line \(.line_share * 100 | floor) % busy"' "$DMX_JSON"

enable_result=$(call_field "$work/host.txt" "Enable()" result)
if [[ $enable_result != true || $(jq '.frames > 0 and .bad_frames.total == 0' "$DMX_JSON") != true ]]; then
  step "The demo did not go as it should (Enable: $enable_result); the prefix is kept in $work"
  exit 1
fi
step "Done: the plug-in drove the interface with no bad frames. Cleaning up (wineserver, interface, prefix)."
