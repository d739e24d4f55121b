# The pieces every end-to-end run shares, on top of the Wine harness (source
# wine-env.sh and call wine_env_init first):
#   dmx_start_interface DMX_INTERFACE DIR [OPTIONS...]
#                         the virtual DMX interface on a pseudo-terminal,
#                         its link at DIR/line, its JSON at DIR/interface.json
#   dmx_stop_interface    stops it by pid; it writes its JSON as it goes
#   quiet_wineserver      starts the prefix's wineserver with its stderr in a log
#   start_line_session WORK ARCH DLL DMX_INTERFACE [OPTIONS...]
#                         a fresh prefix, the interface (with OPTIONS) on COM1
#                         and the DLL registered: what every frames test starts with
#   add_wine_fonts        gives the prefix Wine's own Tahoma, Marlett and MS Sans Serif
#   run_host OUT HOST STEP...   runs the demo host, its output in OUT (LF ends)
#   call_field OUT CALL FIELD [N]  start|end time (Unix us) or result of the
#                         N-th call (default the first) written exactly as CALL
#   check NAME COMMAND...       one named check; finish_checks ends the test
#   took_at_most US START END   whether END - START <= US (false when one is missing)

DMX_PID=
DMX_LINK=
DMX_JSON=
CHECK_FAILURES=0

dmx_start_interface() {
  local tool=$1 dir=$2
  shift 2
  if [[ ! -x "$tool" ]]; then
    echo "dmx-interface not found at $tool (build the native preset first)" >&2
    return 1
  fi
  DMX_LINK=$dir/line
  DMX_JSON=$dir/interface.json
  rm -f "$DMX_LINK" "$DMX_JSON"
  "$tool" --link "$DMX_LINK" --json "$DMX_JSON" "$@" &
  DMX_PID=$!
  wine_track_pid "$DMX_PID"
  local tries
  for ((tries = 0; tries < 50; tries++)); do
    [[ -e "$DMX_LINK" ]] && return 0
    kill -0 "$DMX_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "dmx-interface did not publish its line at $DMX_LINK" >&2
  return 1
}

dmx_stop_interface() {
  kill "$DMX_PID" 2>/dev/null
  wait "$DMX_PID" 2>/dev/null
  [[ -s "$DMX_JSON" ]] || { echo "dmx-interface wrote no $DMX_JSON" >&2; return 1; }
}

# The wineserver lists every object left over on stderr when it exits; that
# belongs in a log, not among the results. Call it after wine_map_ports.
quiet_wineserver() {
  wineserver -p 2>>"$(dirname "$WINEPREFIX")/wineserver.log"
}

start_line_session() {
  local work=$1 arch=$2 dll=$3 tool=$4
  shift 4
  wine_env_init "$work" "$arch" || return 1
  dmx_start_interface "$tool" "$work" "$@" || return 1
  wine_map_ports COM1="$DMX_LINK" || return 1
  quiet_wineserver || return 1
  wine_regsvr32 "$dll" || { echo "regsvr32 failed"; return 1; }
}

# Debian's Wine does not find the fonts it ships itself: without Marlett the
# caption buttons show letters, without Tahoma and MS Sans Serif (the bitmap
# font of classic dialogs, for 96 and 120 DPI) dialogs fall back to DejaVu.
add_wine_fonts() {
  local font
  for font in marlett.ttf tahoma.ttf tahomabd.ttf sserife.fon sseriff.fon; do
    [[ -f /usr/share/wine/fonts/$font ]] && cp /usr/share/wine/fonts/$font "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  return 0
}

run_host() {
  local out=$1 host=$2
  shift 2
  wine_run_timeout 120 "$WINE_ENV_LOADER" "$host" "$@" | tr -d '\r' >"$out"
  local status=${PIPESTATUS[0]}
  cat "$out"
  return "$status"
}

# The line of a call looks like: call START END Method(args) -> result
call_field() {
  local out=$1 call=$2 field=$3 nth=${4:-1}
  awk -v call="$call" -v field="$field" -v nth="$nth" '
    $1 == "call" {
      text = $0; sub(/^call [0-9]+ [0-9]+ /, "", text)
      split(text, parts, " -> ")
      if (parts[1] != call || ++seen < nth) next
      if (field == "start") print $2; else if (field == "end") print $3; else print parts[2]
      exit
    }' "$out"
}

check() {
  local name=$1
  shift
  if "$@"; then
    echo "ok   - $name"
  else
    echo "FAIL - $name"
    CHECK_FAILURES=$((CHECK_FAILURES + 1))
  fi
}

took_at_most() {
  [[ -n $2 && -n $3 ]] && (($3 - $2 <= $1))
}

finish_checks() {
  if ((CHECK_FAILURES > 0)); then
    echo "$CHECK_FAILURES check(s) failed"
    exit 1
  fi
  echo "all checks passed"
}
