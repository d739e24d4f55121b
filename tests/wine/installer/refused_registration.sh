#!/usr/bin/env bash
# A registration the registry refuses, as on a locked-down machine: with the
# plug-in's class key locked against writing in the prefix's own view (the
# 64-bit one in a 64-bit prefix, so that the 32-bit registration has already
# succeeded and must be undone), the silent setup program fails with exit
# code 2 and leaves no registration, file or entry behind. With the lock
# lifted, the same command then installs into the default folder. Over that
# installation, a later DLL refusing its registration, a failed copy (the
# guide's name taken by a folder), an upgrade failing at its end and a write
# failing on a full drive each fail with 2 and leave the earlier installation
# as it was: files, registration, clients and entry. A read-only DLL is replaced.
#   refused_registration.sh HARNESS ARCH WORK_DIR SETUP REGISTRY_LOCK REFUSING_SETUP CLIENT_VBS
set -euo pipefail
harness=$1 arch=$2 work=$3 setup=$4 registry_lock=$5 refusing_setup=$6 client=$7
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
# What a failure leaves as it was: the files in DIR and the entry.
state() {
  (cd "$(winepath -u "$1" | tr -d '\r')" && find . -type f -exec md5sum {} + | sort)
  wine_run_timeout 60 "$(view_loader 32)" reg query "$SETUP_UNINSTALL_KEY" | tr -d '\r'
}
# NAME: SETUP fails over the installation in DIR, which stays, with its clients.
fails_and_keeps() {
  local before status=0
  before=$(state "$3")
  run_command_line "\"$(winepath -w "$2")\" /S /X64 /D=$3" || status=$?
  expect "$1: exit code" "$status" 2
  expect "$1: the earlier files and entry as they were" "$(state "$3")" "$before"
  for view in "${views[@]}"; do
    check_registered "$view" "$(installed_dll "$3" "$view")"
    expect "$1: $view-bit client" "$(run_client "$view" "$client")" \
      $'Init False\nPluginName Tarvolk DMX Plugin\nTerm False\ndone'
  done
}
fails_and_keeps "a later DLL refusing its registration" "$refusing_setup" "$default_dir"

guide=$(winepath -u "$default_dir\\Tarvolk_DMX-Anleitung.html" | tr -d '\r')
rm -f "$guide" && mkdir "$guide"
fails_and_keeps "a copy that fails" "$setup" "$default_dir"
rm -rf "$guide"

chmod a-w "$installed"
status=0
run_command_line "$command" || status=$?
expect "a read-only DLL is replaced: exit code" "$status" 0

# An upgrade failing at its end (a folder in its Start-menu entry's place).
wine_run_timeout 60 "$(view_loader 32)" reg add "$SETUP_UNINSTALL_KEY" /v DisplayVersion /d 1.0.0.7 /f >/dev/null
link=$(winepath -u "$(wine_reg_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
  'Common Programs')\\Tarvolk DMX\\Tarvolk DMX – Test.lnk" | tr -d '\r')
rm -f "$link" && mkdir "$link"
fails_and_keeps "an upgrade failing at its end" "$setup" "$default_dir"
rmdir "$link"

# A later DLL that T:, a tmpfs filled up, has no room for: the write fails.
drive=$work/small-drive
mkdir -p "$drive" && { ! mountpoint -q "$drive" || umount --lazy "$drive"; }
mount -t tmpfs -o size=16m tarvolk-small-drive "$drive"
wine_on_exit "umount --lazy '$drive'"
ln -sfn "$drive" "$WINEPREFIX/dosdevices/t:"
status=0
run_command_line "\"$(winepath -w "$setup")\" /S /X64 /D=T:\\Plugins" || status=$?
expect "installed on T: exit code" "$status" 0
dd if=/dev/zero of="$drive/filler" bs=64k 2>/dev/null || true
fails_and_keeps "a write that fails" "$refusing_setup" 'T:\Plugins'
expect_summary
