#!/usr/bin/env bash
# regsvr32 and regsvr32 /u on the component in a fresh prefix, with the
# registry read back after each step.
#   registration.sh HARNESS ARCH WORK_DIR DLL
set -euo pipefail
harness=$1 arch=$2 work=$3 dll=$4
source "$harness/wine-env.sh"
source "$(dirname "$0")/expect.sh"
wine_env_init "$work" "$arch"

class_id='{046DAA3F-AA5D-4892-93C9-B854AF8D8930}'
interface_id='{A86991F3-956A-427A-83D3-A01158E27160}'
library_id='{1FE72584-DAAF-40FF-8BFB-9C562CF71692}'
prog_id='Tarvolk_DMX.clsOutputDriver'
automation_marshaler='{00020424-0000-0000-C000-000000000046}'

# Hosts install plug-ins under paths with blanks.
install_dir="$WINEPREFIX/drive_c/Program Files/Tarvolk Test"
mkdir -p "$install_dir"
cp "$dll" "$install_dir/"
installed=$(winepath -w "$install_dir/Tarvolk_DMX.out.dll" | tr -d '\r')

check_registered() {
  expect "ProgID names the class" "$(wine_reg_value "HKCR\\$prog_id\\CLSID")" "$class_id"
  expect "ProgID description" "$(wine_reg_value "HKCR\\$prog_id")" "$prog_id"
  expect "class description" "$(wine_reg_value "HKCR\\CLSID\\$class_id")" "$prog_id"
  expect "InprocServer32 is the full path" \
    "$(wine_reg_value "HKCR\\CLSID\\$class_id\\InprocServer32")" "$installed"
  expect "apartment-threaded" \
    "$(wine_reg_value "HKCR\\CLSID\\$class_id\\InprocServer32" ThreadingModel)" Apartment
  expect "class ProgID" "$(wine_reg_value "HKCR\\CLSID\\$class_id\\ProgID")" "$prog_id"
  expect "class TypeLib" "$(wine_reg_value "HKCR\\CLSID\\$class_id\\TypeLib")" "$library_id"
  expect "class Version" "$(wine_reg_value "HKCR\\CLSID\\$class_id\\Version")" 1.0
  expect "machine-wide, not per user" \
    "$(wine_reg_key_exists "HKLM\\Software\\Classes\\CLSID\\$class_id" && echo yes)" yes
  expect "type library name" "$(wine_reg_value "HKCR\\TypeLib\\$library_id\\1.0")" Tarvolk_DMX
  expect "type library file" \
    "$(wine_reg_value "HKCR\\TypeLib\\$library_id\\1.0\\409\\$arch")" "$installed"
  expect "interface name" "$(wine_reg_value "HKCR\\Interface\\$interface_id")" _clsOutputDriver
  expect "interface marshaled by the type library" \
    "$(wine_reg_value "HKCR\\Interface\\$interface_id\\ProxyStubClsid32")" "$automation_marshaler"
  expect "interface type library" \
    "$(wine_reg_value "HKCR\\Interface\\$interface_id\\TypeLib")" "$library_id"
}

check_unregistered() {
  local key
  for key in "HKCR\\$prog_id" "HKCR\\CLSID\\$class_id" "HKCR\\TypeLib\\$library_id" \
    "HKCR\\Interface\\$interface_id"; do
    expect "removed: $key" "$(wine_reg_key_exists "$key" && echo present || echo absent)" absent
  done
}

check_unregistered
expect "regsvr32" "$(wine_regsvr32 "$installed" && echo ok || echo failed)" ok
check_registered
expect "regsvr32 again" "$(wine_regsvr32 "$installed" && echo ok || echo failed)" ok
check_registered
expect "regsvr32 /u" "$(wine_regsvr32 /u "$installed" && echo ok || echo failed)" ok
check_unregistered
expect "regsvr32 /u again" "$(wine_regsvr32 /u "$installed" && echo ok || echo failed)" ok
check_unregistered

# The 32- and 64-bit builds share the type library's version key. With only
# the other build's entry under it, unregistering this build must neither
# fail nor take that entry away.
other=$([[ $arch == win32 ]] && echo win64 || echo win32)
library_locale="HKCR\\TypeLib\\$library_id\\1.0\\409"
reg() { wine_run_timeout 60 "$WINE_ENV_LOADER" reg "$@" >/dev/null 2>&1; }
wine_regsvr32 "$installed"
reg copy "$library_locale\\$arch" "$library_locale\\$other" /s /f
reg delete "$library_locale\\$arch" /f
expect "regsvr32 /u beside the other build's type library" \
  "$(wine_regsvr32 /u "$installed" && echo ok || echo failed)" ok
expect "the other build's type library stays" \
  "$(wine_reg_key_exists "$library_locale\\$other" && echo present || echo absent)" present
reg delete "HKCR\\TypeLib\\$library_id" /f
reg delete "HKCR\\Interface\\$interface_id" /f
check_unregistered
expect_summary
