#!/usr/bin/env bash
# Makes the screenshots of the operators' guide anew, in
# packaging/windows/Tarvolk_DMX-Anleitung-Bilder/: builds the 32-bit plug-in,
# the demo host, the test program and the UI driver, runs the two UI tests
# under Wine, which copy their windows there, cropped (tests/wine/ui/shot.sh),
# and lists every picture of the folder with what became of it. The wiring
# sketch verkabelung.svg is drawn by hand; a screenshot no test made any
# more is named and fails the run.
#   scripts/guide-pictures.sh     (JOBS: parallel build jobs, default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
pictures=$(pwd)/packaging/windows/Tarvolk_DMX-Anleitung-Bilder
started=$(date +%s)
step() { printf '\n==> %s\n' "$*"; }

step "Installing the packages the native tools and the Windows build need"
bash scripts/install-deps.sh core windows
step "Building the virtual DMX interface (native)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target dmx-interface
step "Building the 32-bit plug-in, the demo host, the test program and the UI driver"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs" --target tarvolk_dmx demo-host dmx-test ui-driver

step "Taking the pictures in the UI tests under Wine"
stamp=$(mktemp)
trap 'rm -f "$stamp"' EXIT
TARVOLK_GUIDE_PICTURES=$pictures ctest --preset win32 -R '^wine_ui_(dialog|test_program)$'

step "The guide's pictures in $pictures"
stale=0
for picture in "$pictures"/*; do
  if [[ $picture == *.svg ]]; then
    echo "  $(basename "$picture"): drawn by hand, $(stat -c %s "$picture") bytes"
  elif [[ $picture -nt $stamp ]]; then
    echo "  $(basename "$picture"): made now, $(identify -format '%w x %h px' "$picture"), $(stat -c %s "$picture") bytes"
  else
    echo "  $(basename "$picture"): NOT MADE by any test" && stale=1
  fi
done
echo "Took $(($(date +%s) - started)) s. Check them with git diff --stat and a look, then commit them."
exit "$stale"
