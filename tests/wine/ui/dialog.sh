#!/usr/bin/env bash
# The windows the user sees, under Xvfb, worked from outside by ui-driver.exe
# while the demo host sits in its calls. Two host sessions:
# At 96 DPI, with the host's main window and a second one: Enable on a port
# nobody can open shows the port message and returns false; the dialog shows
# the stored port COM255 as not present with every text whole, refuses "abc", keeps
# the user's text, takes "COM 12" typed by hand as no port and "COM12" typed
# by hand as port 12 (the virtual interface); after Enable it shows the
# current count and port, disables every window of the host, moves with Tab
# and Shift+Tab, ignores Enter and Escape, closes with Alt+F4, and reopens
# centred after it was dragged away; frames keep flowing while it is open,
# and "254.4" reaches the wire as 254 channels (length byte 0xFF); Term stores
# the port; a WM_QUIT closes the dialog and is passed on to the host.
# At 120 DPI, called from a host window "Einstellungen": every text is whole;
# when a timer of the host destroys that window while the dialog shows, the
# dialog goes with it and Configure returns; a window the host had disabled
# stays disabled; after the owner of the hidden dialog is destroyed, the next
# Configure shows the dialog anew, with only COM1 to COM5 listed for port 0.
# Screenshots of the dialog at both DPI, its open port list and the two
# messages are kept in WORK, those for the operators' guide also cropped to
# their windows (shot.sh).
#   dialog.sh HARNESS ARCH WORK DLL HOST UI_DRIVER DMX_INTERFACE
set -uo pipefail
harness=$1 arch=$2 work=$3 dll=$4 host=$5 driver=$6 dmx_interface=$7
here=$(cd "$(dirname "$0")" && pwd)
source "$harness/wine-env.sh"
source "$here/../e2e/session.sh"
source "$here/shot.sh"
wine_exclusive_timing

wine_env_init "$work" "$arch" || exit 1
wine_start_xvfb || exit 1
add_wine_fonts
dmx_start_interface "$dmx_interface" "$work" --frames --quiet || exit 1
# Only COM12, beyond the dialog's list, leads to the interface.
wine_map_ports COM12="$DMX_LINK" || exit 1
quiet_wineserver || exit 1
wine_regsvr32 "$dll" || { echo "regsvr32 failed"; exit 1; }

app="Tarvolk UI"
file="Tarvolk_DMX.out.dll"
settings_key="HKCU\\Software\\VB and VBA Program Settings\\$app\\Plugins\\$file"
# The stored port is COM255, the longest port name, which leads nowhere here.
store_port() { wine_run_timeout 60 "$WINE_ENV_LOADER" reg add "$settings_key" /v COM /d "$1" /f >/dev/null; }
store_port 255 || exit 1

out=$work/host.txt
# The pause between the two dialogs lets the driver see the reused window hidden.
wine_run_timeout 180 "$WINE_ENV_LOADER" "$host" window window=Paletten "init=$app,$file" enable \
  configure wait=2 enable configure wait=1.5 disable term configure wait=10 name |
  tr -d '\r' >"$out" &
host_pid=$!
wine_track_pid "$host_pid"

ui() { wine_run_timeout 90 "$WINE_ENV_LOADER" "$driver" "$@"; }
# A step that fails leaves the host in a modal loop; nothing after it can pass.
stop_on_failure() { ((CHECK_FAILURES == 0)) || { shot failure.png; cat "$@"; finish_checks; }; }

port_box="#32770|Fehler: Kann Port nich öfnen ! "
number_box="#32770|Tarvolk DMX Plugin"
dialog="TarvolkDmx.frmConfig|Konfiguration"
main_window="TarvolkDemoHost|Demo-Host"
palette_window="TarvolkDemoHost|Paletten"
settings_window="TarvolkDemoHost|Einstellungen"

check "Enable on an unmapped port shows the port message" \
  ui "window=$port_box" "has=Schnittstelle wird von anderem Programm benutzt."
shot port-message.png "$port_box" meldung-schnittstelle.png
check "OK closes it" ui "window=$port_box" press=OK gone
stop_on_failure "$out"
check "the dialog is a centred fixed tool window of 2355 x 1155 twips" \
  ui "window=$dialog" shape=2355,1155
check "the dialog opens with count 0 and the stored port COM255, not present" \
  ui "window=$dialog" text=Edit=0 "text=ComboBox=COM255 – nicht angeschlossen"
check "at 96 DPI every label and field shows its whole text" ui "window=$dialog" fits
shot dialog.png
check "a port typed by hand stays in the box" \
  ui "window=$dialog" key=TAB focus=ComboBox "type=COM 12" "text=ComboBox=COM 12"
check "\"abc\" is refused with the valid-number message" \
  ui "window=$dialog" set=Edit=abc close "window=$number_box" \
  "has=Bitte geben Sie eine gültige Zahl ein"
shot message-box.png "$number_box" meldung-anzahl.png
check "then \"COM 12\" names no port: the dialog's port message, without a full stop" \
  ui "window=$number_box" press=OK gone "window=$port_box" \
  "has=Schnittstelle wird von anderem Programm benutzt" press=OK gone
check "after the messages the dialog stays open with the user's text" \
  ui "window=$dialog" text=Edit=abc
check "\"COM12\" typed by hand with \"254.4\" is accepted and the dialog closes" \
  ui "window=$dialog" focus=ComboBox set=ComboBox= type=COM12 text=ComboBox=COM12 set=Edit=254.4 \
  close gone
stop_on_failure "$out"
check "after Enable the dialog shows count 10 and port COM12 (Wine lists no port device)" \
  ui "window=$dialog" text=Edit=10 "text=ComboBox=COM12 – nicht angeschlossen"
check "every window of the host is disabled while the dialog is open" \
  ui "window=$main_window" enabled=0 "window=$palette_window" enabled=0
check "Tab and Shift+Tab move between the count and the port" \
  ui "window=$dialog" focus=Edit key=TAB focus=ComboBox key=SHIFT+TAB focus=Edit
check "Enter and Escape leave the dialog open and its text alone" \
  ui "window=$dialog" key=RETURN key=ESCAPE pause=500 shown text=Edit=10
open_port_list() {
  ui "window=$dialog" entries=6 drop pause=700 list-shows=6 &&
    shot dialog-list.png "$dialog" konfiguration.png &&
    ui "window=$dialog" key=ESCAPE pause=300 shown "text=ComboBox=COM12 – nicht angeschlossen"
}
check "the port list opens with all six entries; Escape closes it and keeps the port" \
  open_port_list
check "dragged aside, Alt+F4 with \"254.4\" closes the dialog" \
  ui "window=$dialog" move=0,0 set=Edit=254.4 key=ALT+F4 gone
check "the host's windows are enabled again" \
  ui "window=$main_window" enabled=1 "window=$palette_window" enabled=1
check "the dialog reopens centred" ui "window=$dialog" shape=2355,1155
check "a WM_QUIT closes the dialog" ui "window=$dialog" quit gone
stop_on_failure "$out"
wait "$host_pid"
cat "$out"
check "Term stored the port typed in the dialog" test "$(wine_reg_value "$settings_key" COM)" = 12

# The same prefix at 120 DPI, which every program reads when it starts.
out120=$work/host-120dpi.txt
wine_run_timeout 60 "$WINE_ENV_LOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
  /t REG_DWORD /d 120 /f >/dev/null || exit 1
store_port 255 || exit 1
wine_run_timeout 60 "$WINE_ENV_LOADER" "$host" window "init=$app,$file" window=Einstellungen \
  disable=Demo-Host close=Einstellungen,8 configure window=Einstellungen configure wait=3 \
  close=Einstellungen configure | tr -d '\r' >"$out120" &
host_pid=$!
wine_track_pid "$host_pid"

check "at 120 DPI every label and field shows its whole text; it blocks the window it was called from" \
  ui "window=$dialog" fits shape=2355,1155 "text=ComboBox=COM255 – nicht angeschlossen" \
  "window=$settings_window" enabled=0
shot dialog-120dpi.png
check "when the host's timer destroys that window, the dialog goes with it" ui "window=$dialog" gone
stop_on_failure "$out120"
check "the next Configure shows the dialog again" \
  ui "window=$dialog" shown "window=$settings_window" enabled=0 "window=$main_window" enabled=0
check "closed with no port, it leaves disabled the window the host had disabled, and only that" \
  ui "window=$dialog" set=ComboBox= close "window=$port_box" press=OK gone \
  "window=$main_window" enabled=0 "window=$settings_window" enabled=1
check "after the owner of the hidden dialog was destroyed, the next Configure shows it anew, with no port device the five entries alone" \
  ui "window=$dialog" text=ComboBox= entries=5 close "window=$port_box" press=OK gone
stop_on_failure "$out120"
wait "$host_pid"
dmx_stop_interface || exit 1
cat "$out120"

json=$DMX_JSON
enable2_start=$(call_field "$out" "Enable()" start 2)
dialog2_start=$(call_field "$out" "Configure()" start 2)
dialog2_end=$(call_field "$out" "Configure()" end 2)
disable_start=$(call_field "$out" "Disable()" start)
frames_between() {  # FROM TO: the channel counts of the frames that arrived in between
  jq --argjson from "$1" --argjson to "$2" \
    '[.frame_records[] | select(.t_us > $from and .t_us < $to) | .channels | length]' "$json"
}

check "the first Enable returned false" test "$(call_field "$out" "Enable()" result)" = false
check "the second Enable returned true" test "$(call_field "$out" "Enable()" result 2)" = true
check "Configure returned false both times" \
  test "$(call_field "$out" "Configure()" result)/$(call_field "$out" "Configure()" result 2)" = false/false
check "no bad frames" test "$(jq '.bad_frames.total' "$json")" = 0
check "nothing was sent while output was off" \
  test "$(jq '[.frame_records[].t_us] | min' "$json")" -ge "$enable2_start"
check "frames of 10 channels kept coming over COM12 while the dialog was open" \
  test "$(frames_between $((dialog2_start + 300000)) $((dialog2_end - 300000)) |
    jq 'length >= 20 and all(. == 10)')" = true
check "after the dialog every frame carries 254 channels (length byte 0xFF)" \
  test "$(frames_between $((dialog2_end + 100000)) "$disable_start" |
    jq 'length >= 5 and all(. == 254)')" = true
check "the WM_QUIT reached the host's own loop at once, which then ended" \
  took_at_most 1000000 "$(call_field "$out" "Configure()" end 3)" "$(awk '$1 == "quit" {print $2}' "$out")"
check "the host made no call after the WM_QUIT" test -z "$(call_field "$out" "PluginName()" result)"
check "Configure returned within a second of its owner's destruction" \
  took_at_most 1000000 "$(awk '$1 == "closed" && $2 == "Einstellungen" {print $3; exit}' "$out120")" \
  "$(call_field "$out120" "Configure()" end)"
check "all three Configure calls at 120 DPI returned false" \
  test "$(grep -c '^call .* Configure() -> false$' "$out120")" = 3
echo "screenshots: $work/dialog.png $work/dialog-120dpi.png $work/dialog-list.png $work/message-box.png $work/port-message.png"
finish_checks
