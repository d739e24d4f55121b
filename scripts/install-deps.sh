#!/usr/bin/env bash
# Installs the Debian packages a part of the build needs, and only those missing.
#   scripts/install-deps.sh core      native build and unit tests (python3: the guide's check, the tools')
#   scripts/install-deps.sh windows   cross-built component and its tests under Wine
#   scripts/install-deps.sh bench     `make bench`: its analysis (python3) and plot (gnuplot)
#   scripts/install-deps.sh fuzz      clang and libFuzzer for the fuzzing targets
#   scripts/install-deps.sh mutants   the mutation check: its tool (python3) and the clone it works in (git)
set -euo pipefail

core_packages=(build-essential cmake make googletest libgtest-dev libgmock-dev libbenchmark-dev python3)
# widl comes from wine64-tools; fonts-wine (only a Recommends of wine) gives the
# prefixes Tahoma, MS Sans Serif and Marlett.
windows_packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
                  wine wine32:i386 wine64 libwine-dev wine64-tools fonts-wine nsis
                  xvfb xauth x11-utils xdotool imagemagick jq)
bench_packages=(python3 gnuplot-nox)
# libFuzzer and the sanitizer runtimes clang links come with libclang-rt-14-dev.
fuzz_packages=(clang libclang-rt-14-dev)
mutants_packages=(python3 git)

packages=()
for group in "$@"; do
  case "$group" in
    core) packages+=("${core_packages[@]}") ;;
    windows) packages+=("${windows_packages[@]}") ;;
    bench) packages+=("${bench_packages[@]}") ;;
    fuzz) packages+=("${fuzz_packages[@]}") ;;
    mutants) packages+=("${mutants_packages[@]}") ;;
    *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "==> All needed packages are installed ($*)."
  exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
  echo "install-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi

if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "==> Enabling the i386 architecture for 32-bit Wine"
  dpkg --add-architecture i386
fi

echo "==> Installing missing packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
