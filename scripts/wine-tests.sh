#!/usr/bin/env bash
# Runs the tests under Wine for the 32- and the 64-bit component side by side
# (each architecture's tests one after the other; tests that measure time run
# alone, see tests/wine/harness), each into a log of its own, then shows both.
#   scripts/wine-tests.sh [CTEST ARGUMENTS...]
set -uo pipefail
cd "$(dirname "$0")/.."
mkdir -p build
declare -A pids=()
for arch in win32 win64; do
  ctest --preset "$arch" "$@" >"build/wine-tests-$arch.log" 2>&1 &
  pids[$arch]=$!
done
echo "==> Testing the 32- and 64-bit component under Wine side by side" \
  "(progress in build/wine-tests-win32.log and build/wine-tests-win64.log)"
status=0
for arch in win32 win64; do
  wait "${pids[$arch]}" || status=1
done
for arch in win32 win64; do
  echo "==> The $arch component under Wine"
  cat "build/wine-tests-$arch.log"
done
exit "$status"
