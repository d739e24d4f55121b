#!/usr/bin/env bash
# The setup program's whole cycle in a fresh prefix, run as an administrator's
# script runs it: a silent installation into a folder with blanks, asking for
# the 64-bit plug-in too (which only a 64-bit prefix gets); each registry view
# read back and used by a script client of that view, which stores its port;
# the entry under "Programs and Features"; the German guide's page and its
# pictures as in the sources, with a Start-menu entry naming the page, where
# the plain-text guide of an earlier version goes (the folder's last listing
# shows it gone, as the uninstaller leaves it alone); the test program of each
# architecture beside its DLL, started from its Start-menu entry; then the
# silent uninstallation from that entry, which removes everything but the
# stored port. Another plug-in's guide, Anleitung.txt, lies in the folder all
# along and survives both. While a running program holds the plug-in, a new
# setup and the uninstaller each stop with exit code 3 and change nothing;
# one that only reads it, sharing it, holds up no new setup.
#   install_cycle.sh HARNESS ARCH WORK_DIR SETUP DLL CLIENT_VBS DLL_HOLDER
set -euo pipefail
harness=$1 arch=$2 work=$3 setup=$4 dll=$5 client=$6 holder=$7
here=$(cd "$(dirname "$0")" && pwd)
source "$harness/wine-env.sh"
source "$here/../com/expect.sh"
source "$here/setup_support.sh"
require_setup "$setup"
wine_env_init "$work" "$arch"

install_dir='C:\Licht Pult\Plugins'
uninstaller="$install_dir\\Tarvolk_DMX-Deinstallation.exe"
port_key='HKCU\Software\VB and VBA Program Settings\Tarvolk Installationstest\Plugins\Tarvolk_DMX.out.dll'
unix_path() { winepath -u "$1" | tr -d '\r'; }
exists() { [[ -e $(unix_path "$1") ]] && echo present || echo absent; }

foreign_guide=$(unix_path "$install_dir\\Anleitung.txt")
mkdir -p "$(dirname "$foreign_guide")"
printf 'Anleitung eines anderen Plug-ins\r\n' >"$foreign_guide"
printf 'Tarvolk DMX Plugin – Anleitung\r\n' >"$(unix_path "$install_dir\\Tarvolk_DMX-Anleitung.txt")"

status=0
run_command_line "\"$(winepath -w "$setup")\" /S /X64 /D=$install_dir" || status=$?
expect "silent installation: exit code" "$status" 0

read -r -a views <<<"$(setup_views)"
size_kb=0
for view in "${views[@]}"; do
  file=$(installed_dll "$install_dir" "$view")
  check_registered "$view" "$file"
  expect "$view-bit client of the installed plug-in" "$(run_client "$view" "$client")" \
    $'Init False\nPluginName Tarvolk DMX Plugin\nTerm False\ndone'
  size_kb=$((size_kb + ($(stat -c %s "$(unix_path "$file")") + 1023) / 1024))
  test_program="$(dirname "$(unix_path "$file")")/Tarvolk_DMX-Test.exe"
  expect "$view-bit test program beside its plug-in" "$([[ -f $test_program ]] && echo present)" present
  size_kb=$((size_kb + ($(stat -c %s "$test_program") + 1023) / 1024))
done
start_menu="$(wine_reg_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
  'Common Programs')\\Tarvolk DMX"
links=("$start_menu\\Tarvolk DMX – Test.lnk")
[[ $arch == win64 ]] && links+=("$start_menu\\Tarvolk DMX – Test (64 Bit).lnk")
for link in "${links[@]}"; do
  expect "Start menu: $link" "$(exists "$link")" present
  # Without a display it ends at once after creating the plug-in.
  status=0
  wine_run_timeout 60 wine start /wait "$link" >/dev/null 2>&1 || status=$?
  expect "it starts the test program" "$status" 0
done
expect "the installed DLL of this architecture is this build's" \
  "$(cmp -s "$dll" "$(unix_path "$(installed_dll "$install_dir" "${views[-1]}")")" && echo same)" same
if [[ $arch == win32 ]]; then
  expect "no 64-bit plug-in on 32-bit Windows" "$(exists "$install_dir\\x64")" absent
fi
expect "the client stored its port" "$(wine_reg_value "$port_key" COM)" 1
guide=$(unix_path "$install_dir\\Tarvolk_DMX-Anleitung.html")
expect "the guide's page and pictures beside the plug-in" "$(cd "$here/../../../packaging/windows" && cmp \
  Tarvolk_DMX-Anleitung.html "$guide" && diff -r Tarvolk_DMX-Anleitung-Bilder "${guide%.html}-Bilder" && echo same)" same
expect "Start menu: the guide's entry names the page" \
  "$(grep -acF "$install_dir\\Tarvolk_DMX-Anleitung.html" "$(unix_path "$start_menu\\Tarvolk DMX – Anleitung.lnk")")" 1
for file in "$guide" "${guide%.html}-Bilder"/*; do size_kb=$((size_kb + ($(stat -c %s "$file") + 1023) / 1024)); done
expect "another plug-in's guide untouched" "$(tr -d '\r' <"$foreign_guide")" "Anleitung eines anderen Plug-ins"

# A 32-bit program's entry, in the 32-bit view.
entry() { in_view 32 wine_reg_value "$SETUP_UNINSTALL_KEY" "$1"; }
while IFS='|' read -r name value; do
  expect "Programs and Features: $name" "$(entry "$name")" "$value"
done <<EOF
DisplayName|Tarvolk DMX Plugin
DisplayVersion|1.0.0.8
Publisher|Privat
InstallLocation|$install_dir
UninstallString|"$uninstaller"
QuietUninstallString|"$uninstaller" /S
EstimatedSize|$(printf '0x%x' "$size_kb")
EOF

# A program holding the plug-in, loaded or (with "read") open for reading.
hold() {
  rm -f "$work/release"
  wine_run_timeout 120 "$WINE_ENV_LOADER" "$holder" "$held" "$(winepath -w "$work/release")" "$@" \
    >"$work/holder.txt" &
  holder_pid=$! && wine_track_pid "$holder_pid"
  for _ in $(seq 600); do grep -q held "$work/holder.txt" && break; sleep 0.1; done
  expect "a program holds the plug-in ${1:-loaded}" "$(tr -d '\r' <"$work/holder.txt")" held
}
release() { touch "$work/release" && wait "$holder_pid" || true; }

# A lighting program holding the plug-in of this architecture: neither a new
# setup nor the uninstaller (run in place, to be waited for) touches anything.
held=$(installed_dll "$install_dir" "${views[-1]}")
hold
status=0
run_command_line "\"$(winepath -w "$setup")\" /S /X64 /D=$install_dir" || status=$?
expect "setup while the plug-in is held: exit code" "$status" 3
status=0
run_command_line "\"$uninstaller\" /S _?=$install_dir" || status=$?
expect "uninstallation while the plug-in is held: exit code" "$status" 3
for view in "${views[@]}"; do check_registered "$view" "$(installed_dll "$install_dir" "$view")"; done
expect "the held DLL in place" "$(exists "$held")" present
expect "its entry in place" "$(entry DisplayName)" "Tarvolk DMX Plugin"
release
# A reader that shares it, as a virus scanner does, holds up no upgrade.
hold read
status=0
run_command_line "\"$(winepath -w "$setup")\" /S /X64 /D=$install_dir" || status=$?
expect "setup while a reader has the plug-in open: exit code" "$status" 0
release

# The uninstaller runs from a copy in TEMP and its first process returns at
# once: the prefix's server ends only when that copy has finished.
status=0
run_command_line "$(entry QuietUninstallString)" || status=$?
expect "silent uninstallation started" "$status" 0
wine_run_timeout 120 wineserver -w

for view in "${views[@]}"; do
  check_unregistered "$view"
  for key in "HKCR\\CLSID\\$SETUP_CLASS_ID" "HKCR\\$SETUP_PROG_ID"; do
    expect "$view-bit view: removed $key" \
      "$(in_view "$view" wine_reg_key_exists "$key" && echo present || echo absent)" absent
  done
done
expect "guide removed" "$(exists "$install_dir\\Tarvolk_DMX-Anleitung.html")" absent
expect "Start-menu entries removed" "$(exists "$start_menu")" absent
expect "installation folder keeps only another plug-in's guide" \
  "$(ls "$(dirname "$foreign_guide")")" "Anleitung.txt"
expect "another plug-in's guide kept" "$(tr -d '\r' <"$foreign_guide")" "Anleitung eines anderen Plug-ins"
expect "entry removed" "$(in_view 32 wine_reg_key_exists "$SETUP_UNINSTALL_KEY" && echo present || echo absent)" absent
expect "stored port kept" "$(wine_reg_value "$port_key" COM)" 1
expect_summary
