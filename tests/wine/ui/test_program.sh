#!/usr/bin/env bash
# The operators' test program Tarvolk_DMX-Test.exe under Xvfb, worked from
# outside by ui-driver.exe. Without the plug-in registered it says so in
# German, names what helps, offers a report for support and exits with 1.
# With the built plug-in registered and nothing stored for it, it shows
# COM1 as the plug-in's default and offers the port a lighting program
# stored; "Übernehmen" makes that its own and leaves the lighting program's
# setting as it was; a missing guide is said; a report saved from the
# window holds the stored ports. With COM1 leading to the virtual interface
# and stored for it: it names the plug-in
# and the port stored for it; the plug-in's dialog closed with output off
# leaves the port closed again; output on; 24 channels all full, a chase and
# channel 5 at 128 on the slider reach the line as whole frames with those
# values; a count out of range is refused and changes nothing sent; the
# journal's lines appear in the window; ended (WM_CLOSE, as Task Manager
# sends it) while the plug-in's own dialog is open, it ends cleanly; ended
# by a logoff there, it closes the port and calls Term before its process
# goes; every open of the port is journalled closed once. A stored 0 shows
# as "keine". Screenshots at 96 and 144 DPI (100 % and 150 %) are kept in WORK,
# the first also cropped to the window for the operators' guide (shot.sh).
#   test_program.sh HARNESS ARCH WORK DLL PROGRAM UI_DRIVER DMX_INTERFACE
set -uo pipefail
harness=$1 arch=$2 work=$3 dll=$4 program=$5 driver=$6 dmx_interface=$7
here=$(cd "$(dirname "$0")" && pwd)
source "$harness/wine-env.sh"
source "$here/../e2e/session.sh"
source "$here/shot.sh"
wine_exclusive_timing

wine_env_init "$work" "$arch" || exit 1
wine_start_xvfb || exit 1
add_wine_fonts
dmx_start_interface "$dmx_interface" "$work" --frames --quiet || exit 1
wine_map_ports COM1="$DMX_LINK" || exit 1
quiet_wineserver || exit 1

window="#32770|Tarvolk DMX – Test"
ui() { wine_run_timeout 90 "$WINE_ENV_LOADER" "$driver" "$@"; }
start_program() {
  wine_run_timeout 120 "$WINE_ENV_LOADER" "$program" &
  program_pid=$!
  wine_track_pid "$program_pid"
}

# The port's opens and closes in the journal, in order: "geöffnet geschlossen ...".
port_events() {
  find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/Tarvolk DMX/Protokoll.txt' \
    -exec grep -ao 'COM1 \(geöffnet\|geschlossen\)' {} + | cut -d' ' -f2 | xargs
}

start_program
check "not registered: the German message says so and what helps" \
  ui "window=$window" "shows=nicht registriert" "shows=Installationsprogramm"
shot not-registered.png
check "not registered: it offers a report for support" \
  ui "window=$window" "shows=Bericht für die Unterstützung speichern?" press=\&No
wait "$program_pid"
check "not registered: it exits with 1" test $? = 1

wine_regsvr32 "$dll" || { echo "regsvr32 failed"; exit 1; }
settings_key="HKCU\\Software\\VB and VBA Program Settings\\Tarvolk DMX Test\\Plugins\\Tarvolk_DMX.out.dll"
show_key="HKCU\\Software\\VB and VBA Program Settings\\Licht*Pult\\Plugins\\Tarvolk_DMX.out.dll"
wine_run_timeout 60 "$WINE_ENV_LOADER" reg add "$show_key" /v COM /d 7 /f >/dev/null || exit 1
show_before=$(wine_run_timeout 60 "$WINE_ENV_LOADER" reg query "$show_key")

start_program
check "no port of its own: COM1 as the plug-in's default, the lighting program's port offered" \
  ui "window=$window" "has=COM1 (voreingestellt)" "has=COM7 – Lichtprogramm „Licht*Pult“"
check "Übernehmen makes that port its own" ui "window=$window" "press=Überne&hmen" text=Static#6=COM7
check "the guide missing beside the program is said" ui "window=$window" "press=Anlei&tung" \
  pause=800 "window=$window" "shows=Die Anleitung fehlt" press=OK gone
check "a report saved from the window" ui "window=$window" "press=Bericht &speichern …" \
  "window=#32770|Bericht speichern" 'set=ComboBoxEx32=C:\fenster.txt' press=\&Save pause=800 \
  "window=$window" "shows=Der Bericht ist gespeichert" press=OK gone
ui "window=$window" close >/dev/null
wait "$program_pid"
check "its own port stored, Term keeping it" test "$(wine_reg_value "$settings_key" COM)" = 7
check "the lighting program's setting unchanged" \
  test "$(wine_run_timeout 60 "$WINE_ENV_LOADER" reg query "$show_key")" = "$show_before"
check "the report from the window holds its facts" \
  grep -qF "„Licht*Pult“: COM7 (gespeichert 20" "$WINEPREFIX/drive_c/fenster.txt"
wine_run_timeout 60 "$WINE_ENV_LOADER" reg add "$settings_key" /v COM /d 1 /f >/dev/null || exit 1

start_program
check "it names the plug-in, output off and the port stored for it" \
  ui "window=$window" "has=Tarvolk DMX Plugin" has=aus has=COM1
check "the plug-in's dialog closed with output off leaves the port closed" \
  ui "window=$window" "press=&Konfiguration …" "window=TarvolkDmx.frmConfig|Konfiguration" \
  close "window=$window" "shows=COM1 geschlossen"
check "the dialog opened the port and the test program closed it" \
  test "$(port_events)" = "geöffnet geschlossen"
check "output on" ui "window=$window" "press=Ausgabe &ein" text=Static#4=an
check "24 channels all full" ui "window=$window" set=Edit=24 "press=Alle &voll" pause=600
check "a chase" ui "window=$window" "press=&Lauflicht" pause=2600 "press=&Lauflicht"
check "channel 5 at 128 on the slider" ui "window=$window" set=Edit#2=5 slide=128 pause=600
check "the journal's lines appear in the window" ui "window=$window" "shows=COM1 geöffnet"
shot test-program.png "$window" testprogramm.png
# The message box has the window's caption: it is found once it is up.
check "a count out of range is refused in German" \
  ui "window=$window" set=Edit=300 "press=Alle &0" pause=800 "window=$window" \
  "has=Bitte geben Sie als Anzahl der Kanäle eine Zahl von 1 bis 254 ein." press=OK gone
check "ended while the plug-in's dialog is open" \
  ui "window=$window" "press=&Konfiguration …" "window=TarvolkDmx.frmConfig|Konfiguration" \
  "window=$window" end
wait "$program_pid"
check "it ends cleanly" test $? = 0
check "Term kept the port stored" test "$(wine_reg_value "$settings_key" COM)" = 1

start_program
check "output on again" ui "window=$window" "press=Ausgabe &ein" text=Static#4=an
wine_run_timeout 60 "$WINE_ENV_LOADER" reg delete "$settings_key" /v COM /f >/dev/null || exit 1
check "a logoff while the plug-in's dialog is open" ui "window=$window" \
  "press=&Konfiguration …" "window=TarvolkDmx.frmConfig|Konfiguration" "window=$window" endsession
wait "$program_pid"
check "before its process went, Term stored the port again" \
  test "$(wine_reg_value "$settings_key" COM)" = 1
check "every open of the port was closed once" \
  test "$(port_events)" = "geöffnet geschlossen geöffnet geschlossen geöffnet geschlossen"

wine_run_timeout 60 "$WINE_ENV_LOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
  /t REG_DWORD /d 144 /f >/dev/null || exit 1
wine_run_timeout 60 "$WINE_ENV_LOADER" reg add "$settings_key" /v COM /d 0 /f >/dev/null || exit 1
start_program
check "at 144 DPI it shows, a stored 0 as no port" \
  ui "window=$window" "has=Tarvolk DMX Plugin" has=keine
shot test-program-144dpi.png
ui "window=$window" close >/dev/null
wait "$program_pid"
dmx_stop_interface || exit 1

json=$DMX_JSON
echo "interface: $(jq -c '{frames, bad_frames, stray_bytes}' "$json")"
channels() { jq -c '.frame_records[].channels' "$json"; }
check "no torn or other bad frame" test "$(jq '.bad_frames.total' "$json")" = 0
check "frames of 24 channels all full" \
  test "$(channels | grep -c '^\[255\(,255\)\{23\}\]$')" -gt 3
# The chase's frames: one of the 24 channels full, the others dark.
lit=$(channels | jq -r 'select(length == 24 and (map(select(. == 255)) | length) == 1
  and (map(select(. == 0)) | length) == 23) | index(255) + 1' | uniq | tr '\n' ' ')
echo "chase: $lit"
check "a chase, one channel after the other" \
  awk -v lit="$lit" 'BEGIN { n = split(lit, c, " "); s = 0
    for (i = 2; i <= n; i++) if (c[i] == c[i-1] + 1) s++; exit !(s >= 3) }'
check "channel 5 at 128" test "$(channels | jq 'select(length == 24 and .[4] == 128)' | grep -c .)" -gt 3
finish_checks
