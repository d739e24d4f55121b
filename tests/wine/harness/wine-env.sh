# Shared Wine test harness. Source it from a bash test script:
#
#   source "$HARNESS/wine-env.sh"
#   wine_env_init "$WORK_DIR" win32      # fresh prefix in $WORK_DIR/prefix (win32 or win64)
#   wine_map_ports COM3=/dev/pts/7       # COM1..COM20: given ones mapped, all others missing
#   wine_start_xvfb                      # optional: a private X display for windows
#   wine_run_timeout 60 wine client.exe  # any command, killed after 60 s
#
# Every prefix is made from scratch so that no test sees another's registry.
# The prefix is removed when the script exits with status 0 and kept for a
# look otherwise. Everything started here (wineserver, Xvfb, whatever a test
# registers with wine_track_pid) is stopped by its own pid on EXIT; tests add
# their own clean-up steps with wine_on_exit.
#
# Only COM1..COM20 are mapped because Wine hands the machine's real serial
# devices to the first unmapped numbers: a test must never reach one.

WINE_ENV_PORT_COUNT=20
WINE_ENV_TRACKED_PIDS=()
WINE_ENV_EXIT_STEPS=()

# Runs a command and kills it (and, 5 s later, hard) when it outlives the limit.
wine_run_timeout() {
  local seconds=$1
  shift
  timeout --kill-after=5 "$seconds" "$@"
}

# Registers a pid to be killed on exit.
wine_track_pid() { WINE_ENV_TRACKED_PIDS+=("$1"); }

# Registers a command to run on exit, before the prefix's wineserver stops.
wine_on_exit() { WINE_ENV_EXIT_STEPS+=("$1"); }

wine_env_cleanup() {
  local status=$?
  local step pid
  for step in "${WINE_ENV_EXIT_STEPS[@]}"; do eval "$step" || true; done
  for pid in "${WINE_ENV_TRACKED_PIDS[@]}"; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  if [[ -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]]; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    [[ $status -eq 0 ]] && rm -rf "$WINEPREFIX"
  fi
  return "$status"
}

# wine_env_init DIR ARCH: a fresh prefix DIR/prefix for ARCH (win32 or win64),
# with silent Wine, unmanaged windows and every COM port pointing nowhere.
wine_env_init() {
  local dir=$1 arch=$2
  case "$arch" in
    win32 | win64) ;;
    *) echo "wine_env_init: unknown architecture '$arch'" >&2; return 2 ;;
  esac
  mkdir -p "$dir"
  export WINEPREFIX="$(cd "$dir" && pwd)/prefix"
  export WINEARCH=$arch
  export WINEDEBUG=-all
  unset DISPLAY  # without wine_start_xvfb, windows and message boxes fail at once
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono/Gecko install dialogs
  WINE_ENV_MISSING_PORT="$(dirname "$WINEPREFIX")/no-such-port"
  trap wine_env_cleanup EXIT
  rm -rf "$WINEPREFIX"
  wine_run_timeout 120 wineboot -i >/dev/null 2>&1 || { echo "wineboot failed" >&2; return 1; }
  wine_map_ports
}

# Imports registry lines (REGEDIT4 body) into the prefix.
wine_import_registry() {
  local file
  file=$(mktemp "$(dirname "$WINEPREFIX")/import-XXXXXX.reg")
  { printf 'REGEDIT4\n\n'; cat; } >"$file"
  wine_run_timeout 60 wine regedit /S "$(winepath -w "$file")" >/dev/null 2>&1
  local status=$?
  rm -f "$file"
  return "$status"
}

# wine_map_ports [COMn=PATH ...]: maps the given ports to the given paths and
# every other one of COM1..COM20 to a path that does not exist (opening it then
# fails with ERROR_FILE_NOT_FOUND). Restarts the wineserver so that it applies.
wine_map_ports() {
  declare -A mapped=()
  local entry
  for entry in "$@"; do mapped[${entry%%=*}]=${entry#*=}; done
  local n name
  {
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
    for ((n = 1; n <= WINE_ENV_PORT_COUNT; n++)); do
      name=COM$n
      printf '"%s"="%s"\n' "$name" "${mapped[$name]:-$WINE_ENV_MISSING_PORT}"
    done
  } | wine_import_registry || { echo "wine_map_ports: registry import failed" >&2; return 1; }
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  return 0
}

# Starts Xvfb on a free display (from :90 on) and exports DISPLAY. Another
# test may grab the same number at the same moment; then the next one is tried.
wine_start_xvfb() {
  local display pid tries
  for ((display = 90; display < 190; display++)); do
    [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]] && continue
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pid=$!
    for ((tries = 0; tries < 100; tries++)); do
      if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid" 2>/dev/null
        continue 2
      fi
      if [[ -e /tmp/.X11-unix/X$display ]]; then
        wine_track_pid "$pid"
        export DISPLAY=":$display"
        return 0
      fi
      sleep 0.1
    done
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  echo "wine_start_xvfb: no display could be started" >&2
  return 1
}
