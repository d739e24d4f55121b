#!/usr/bin/env bash
# A registration the registry refuses, as on a locked-down machine: with the
# plug-in's class key locked against writing in the prefix's own view (the
# 64-bit one in a 64-bit prefix, so that the 32-bit registration has already
# succeeded and must be undone), the silent setup program fails with exit
# code 2 and leaves no registration, file or entry behind. With the lock
# lifted, the same command then installs into the default folder. Over that
# installation, a later version whose DLL refuses its registration, and a
# copy that fails (the guide's name taken by a folder), fail with 2 and leave
# the earlier installation as it was: its DLLs, registered, and its entry. A
# read-only DLL is replaced.
#   refused_registration.sh HARNESS ARCH WORK_DIR SETUP REGISTRY_LOCK REFUSING_SETUP DLL
set -euo pipefail
harness=$1 arch=$2 work=$3 setup=$4 registry_lock=$5 refusing_setup=$6 dll=$7
here=$(cd "$(dirname "$0")" && pwd)
source "$harness/wine-env.sh"
source "$here/../com/expect.sh"
source "$here/setup_support.sh"
require_setup "$setup"
wine_env_init "$work" "$arch"

class_key="Software\\Classes\\CLSID\\$SETUP_CLASS_ID"
program_files=$(in_view 32 wine_reg_value 'HKLM\Software\Microsoft\Windows\CurrentVersion' ProgramFilesDir)
default_dir="$program_files\\$SETUP_DEFAULT_FOLDER"
command="\"$(winepath -w "$setup")\" /S /X64"
read -r -a views <<<"$(setup_views)"

wine_run_timeout 60 "$WINE_ENV_LOADER" "$registry_lock" lock "$class_key"
status=0
run_command_line "$command" || status=$?
expect "refused registration: exit code" "$status" 2
for view in "${views[@]}"; do check_unregistered "$view"; done
expect "no files left" "$([[ -e $(winepath -u "$default_dir" | tr -d '\r') ]] && echo present || echo absent)" absent
expect "no entry left" \
  "$(in_view 32 wine_reg_key_exists "$SETUP_UNINSTALL_KEY" && echo present || echo absent)" absent

wine_run_timeout 60 "$WINE_ENV_LOADER" "$registry_lock" unlock "$class_key"
status=0
run_command_line "$command" || status=$?
expect "after the lock is lifted: exit code" "$status" 0
expect "installed into the default folder" \
  "$(in_view 32 wine_reg_value "$SETUP_UNINSTALL_KEY" InstallLocation)" "$default_dir"
for view in "${views[@]}"; do check_registered "$view" "$(installed_dll "$default_dir" "$view")"; done

# The DLL of this build's architecture, the one the prefix's own view loads.
installed=$(winepath -u "$(installed_dll "$default_dir" "${views[-1]}")" | tr -d '\r')
earlier_installation_stays() {
  expect "$1: exit code" "$2" 2
  for view in "${views[@]}"; do check_registered "$view" "$(installed_dll "$default_dir" "$view")"; done
  expect "$1: the entry stays" "$(in_view 32 wine_reg_value "$SETUP_UNINSTALL_KEY" InstallLocation)" \
    "$default_dir"
  expect "$1: the earlier DLL is back" "$(cmp -s "$dll" "$installed" && echo same || echo other)" same
}
status=0
run_command_line "\"$(winepath -w "$refusing_setup")\" /S /X64" || status=$?
earlier_installation_stays "a later DLL refusing its registration" "$status"

guide=$(winepath -u "$default_dir\\Tarvolk_DMX-Anleitung.txt" | tr -d '\r')
rm -f "$guide" && mkdir "$guide"
status=0
run_command_line "$command" || status=$?
earlier_installation_stays "a copy that fails" "$status"
rm -rf "$guide"

chmod a-w "$installed"
status=0
run_command_line "$command" || status=$?
expect "a read-only DLL is replaced: exit code" "$status" 0
expect_summary
