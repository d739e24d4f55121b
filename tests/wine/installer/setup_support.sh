# shellcheck shell=bash
# What the tests of the setup program share, on top of the Wine harness and
# expect.sh (source both first; call wine_env_init before anything here):
#   require_setup SETUP         fails with a hint when the setup program is missing
#   setup_views                 the registry views of the prefix: 32, or 32 and 64
#   run_command_line LINE       runs LINE as an administrator's batch file does,
#                               unquoted as typed; its exit code is the line's
#   installed_dll DIR VIEW      where the DLL of VIEW lies under DIR (Windows path)
#   in_view VIEW COMMAND...     runs a harness command (wine_reg_value, ...) with
#                               the loader of VIEW, seeing what its programs see
#   check_registered VIEW FILE  the class, ProgID and type library of VIEW point at FILE
#   check_unregistered VIEW     no class, ProgID, type library or interface left in VIEW
#   run_client VIEW SCRIPT      runs a VBScript under the cscript of VIEW

# shellcheck disable=SC2034  # the names are for the scripts that source this
SETUP_CLASS_ID='{046DAA3F-AA5D-4892-93C9-B854AF8D8930}'
SETUP_INTERFACE_ID='{A86991F3-956A-427A-83D3-A01158E27160}'
SETUP_LIBRARY_ID='{1FE72584-DAAF-40FF-8BFB-9C562CF71692}'
SETUP_PROG_ID='Tarvolk_DMX.clsOutputDriver'
SETUP_DLL_NAME='Tarvolk_DMX.out.dll'
SETUP_UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvolk_DMX'
SETUP_DEFAULT_FOLDER='Tarvolk DMX'

require_setup() {
  [[ -f $1 ]] && return 0
  echo "setup program not found at $1 (build the win32 preset first)" >&2
  return 1
}

setup_views() {
  if [[ $WINEARCH == win64 ]]; then echo 32 64; else echo 32; fi
}

# NSIS takes /D= only unquoted, and Wine would quote an argument with blanks.
run_command_line() {
  local batch
  batch=$(mktemp "$(dirname "$WINEPREFIX")/command-XXXXXX.bat")
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$batch"
  local status=0
  wine_run_timeout 120 wine cmd /c "$(winepath -w "$batch")" >/dev/null 2>&1 || status=$?
  rm -f "$batch"
  return "$status"
}

installed_dll() {
  local dir=$1
  [[ $2 == 64 ]] && dir+='\x64'
  printf '%s\n' "$dir\\$SETUP_DLL_NAME"
}

check_registered() {
  local view=$1 file=$2
  expect "$view-bit view: ProgID names the class" \
    "$(in_view "$view" wine_reg_value "HKCR\\$SETUP_PROG_ID\\CLSID")" "$SETUP_CLASS_ID"
  expect "$view-bit view: InprocServer32 is the installed file" \
    "$(in_view "$view" wine_reg_value "HKCR\\CLSID\\$SETUP_CLASS_ID\\InprocServer32")" "$file"
  expect "$view-bit view: type library is the installed file" \
    "$(in_view "$view" wine_reg_value "HKCR\\TypeLib\\$SETUP_LIBRARY_ID\\1.0\\409\\win$view")" "$file"
}

# What a client would find a server by; the class key itself may be held by
# a test's registry lock.
check_unregistered() {
  local view=$1 key
  for key in "HKCR\\$SETUP_PROG_ID\\CLSID" "HKCR\\CLSID\\$SETUP_CLASS_ID\\InprocServer32" \
    "HKCR\\TypeLib\\$SETUP_LIBRARY_ID" "HKCR\\Interface\\$SETUP_INTERFACE_ID"; do
    expect "$view-bit view: removed $key" \
      "$(in_view "$view" wine_reg_key_exists "$key" && echo present || echo absent)" absent
  done
}

# Debian's "wine" runs builtins such as reg and cscript as 32-bit programs;
# the harness's loader is the 64-bit one in a 64-bit prefix. A 32-bit reg is
# used for the 32-bit view rather than "reg /reg:32", which in Wine 8 misses
# the keys both views share, such as a ProgID.
view_loader() {
  if [[ $1 == 64 ]]; then echo "$WINE_ENV_LOADER"; else command -v wine; fi
}

in_view() {
  local view=$1
  shift
  WINE_ENV_LOADER=$(view_loader "$view") "$@"
}

run_client() {
  wine_run_timeout 60 "$(view_loader "$1")" cscript //nologo "$(winepath -w "$2")" 2>&1 | tr -d '\r'
}
