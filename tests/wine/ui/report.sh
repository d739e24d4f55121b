#!/usr/bin/env bash
# The test program's report for support, written by
# "Tarvolk_DMX-Test.exe /Bericht DATEI" without a window (and without a
# display). With the built plug-in registered it names the ProgID with the
# CLSID and server file the registry has, the file's version and
# architecture, the port stored for each program title (a title a file name
# cannot hold, and a value that is no text, said as such), that Wine lists
# no port device, and the journal's last 200 lines with the rotated file
# noted. With the plug-in unregistered it is written all the same and says
# so. A place it cannot write, or no file named, gives exit code 1 and the
# reason in German on the standard error stream.
#   report.sh HARNESS ARCH WORK DLL PROGRAM
set -uo pipefail
harness=$1 arch=$2 work=$3 dll=$4 program=$5
here=$(cd "$(dirname "$0")" && pwd)
source "$harness/wine-env.sh"
source "$here/../e2e/session.sh"

wine_env_init "$work" "$arch" || exit 1
quiet_wineserver || exit 1
wine_regsvr32 "$dll" || { echo "regsvr32 failed"; exit 1; }

plugin='Plugins\Tarvolk_DMX.out.dll'
wine_import_registry <<REG || exit 1
[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Tarvolk DMX Test\\$plugin]
"COM"="3"

[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Licht*Pult "Show"\\$plugin]
"COM"="7"

[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Altes Pult\\$plugin]
"COM"=dword:00000005
REG

# 250 journal lines and an older, rotated journal beside them.
appdata=$(winepath -u "$(wine_run_timeout 60 "$WINE_ENV_LOADER" cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')")
mkdir -p "$appdata/Tarvolk DMX"
for ((n = 1; n <= 250; n++)); do printf '2026-12-09 10:00:00 Zeile %d geöffnet\r\n' "$n"; done \
  >"$appdata/Tarvolk DMX/Protokoll.txt"
echo "ältere" >"$appdata/Tarvolk DMX/Protokoll.1.txt"

# report NAME ARGS...: runs the program, its exit code in $status, stderr in $work/NAME.err.
report() {
  local name=$1
  shift
  wine_run_timeout 60 "$WINE_ENV_LOADER" "$program" "$@" 2>"$work/$name.err"
  status=$?
}
# The report FILE (in drive C:) without its byte order mark and CRs.
text() { sed '1s/^\xEF\xBB\xBF//' "$WINEPREFIX/drive_c/$1" | tr -d '\r'; }
# has FILE LINE...: every LINE is a whole line of the report FILE.
has() {
  local file=$1 line
  shift
  for line; do grep -xF -- "$line" <(text "$file") >/dev/null || return 1; done
}
contains() { grep -F -- "$2" <(text "$1") >/dev/null; }

clsid=$(wine_reg_value 'HKCR\Tarvolk_DMX.clsOutputDriver\CLSID')
server=$(wine_reg_value "HKCR\\CLSID\\$clsid\\InprocServer32")
machine=$([[ $arch == win64 ]] && echo 'x64 (64 Bit)' || echo 'x86 (32 Bit)')
report registered /Bericht 'C:\bericht.txt'
check "registered: exit code 0, nothing on stderr" test "$status-$(wc -c <"$work/registered.err")" = 0-0
check "it says what it holds" has bericht.txt "Tarvolk DMX – Bericht für die Unterstützung"
check "the ProgID's CLSID ($clsid)" \
  has bericht.txt "CLSID (ProgID Tarvolk_DMX.clsOutputDriver): $clsid"
check "the server file ($server)" has bericht.txt "Server (InprocServer32): $server"
check "the file there, its version and architecture" has bericht.txt "Datei: vorhanden" \
  "Dateiversion: 1.0.0.8" "Architektur der Datei: $machine"
check "the test program's own port" contains bericht.txt "„Tarvolk DMX Test“: COM3 (gespeichert 20"
check "a lighting program's port, its title as it is" \
  contains bericht.txt "„Licht*Pult \"Show\"“: COM7 (gespeichert 20"
check "a value that is no text, with what the plug-in opens instead" contains bericht.txt \
  "„Altes Pult“: COM1 (voreingestellt) – Der gespeicherte Wert gilt nicht (kein Text, sondern REG_DWORD)"
check "Wine lists no port device" \
  has bericht.txt "Keine: Windows nennt kein vorhandenes Gerät dieser Klassen."
check "the journal's last 200 lines" has bericht.txt "2026-12-09 10:00:00 Zeile 51 geöffnet" \
  "2026-12-09 10:00:00 Zeile 250 geöffnet"
check "no more" test "$(grep -c ' Zeile [0-9]* geöffnet$' <(text bericht.txt))" = 200
check "the rotated journal noted" has bericht.txt "Ältere Zeilen: ja, in Protokoll.1.txt (1 KB)"

wine_regsvr32 /u "$dll" || { echo "regsvr32 /u failed"; exit 1; }
report unregistered /Bericht 'C:\ohne.txt'
check "unregistered: still written, exit code 0" test "$status" = 0
check "it says the plug-in is not registered" has ohne.txt \
  "CLSID (ProgID Tarvolk_DMX.clsOutputDriver): nicht registriert (ProgID Tarvolk_DMX.clsOutputDriver fehlt)"

report unwritable /Bericht 'C:\kein Ordner\bericht.txt'
check "a folder that is not there: exit code 1" test "$status" = 1
check "the reason in German on stderr" \
  grep -qF 'Der Bericht ließ sich nicht schreiben: C:\kein Ordner\bericht.txt (Windows-Fehler 3' "$work/unwritable.err"
report usage /Bericht
check "no file named: exit code 1 and how to call it" test "$status" = 1
check "how to call it on stderr" grep -qF "Aufruf: Tarvolk_DMX-Test.exe /Bericht DATEI" "$work/usage.err"
echo "--- the report, as written under Wine ---"
text bericht.txt | head -60
finish_checks
