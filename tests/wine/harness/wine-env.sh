# Shared Wine test harness. Source it from a bash test script:
#
#   source "$HARNESS/wine-env.sh"
#   wine_env_init "$WORK_DIR" win32      # fresh prefix in $WORK_DIR/prefix (win32 or win64)
#   wine_map_ports COM3=/dev/pts/7       # COM1..COM255: given ones mapped, all others missing
#                                        # (before any Windows program runs in the prefix)
#   wine_exclusive_timing                # before wine_env_init: the test runs alone, as it
#                                        # measures time (the other architecture's tests too)
#   wine_start_xvfb                      # optional: a private X display for windows
#   "$WINE_ENV_LOADER" cscript //nologo x.vbs  # a Windows program, by the prefix's own loader
#   wine_regsvr32 path/to/server.dll     # register a COM server (wine_regsvr32 /u to remove)
#   wine_reg_value 'HKCR\Some\Key' Name  # prints a value's data (no name: the default value)
#   wine_run_timeout 60 "$WINE_ENV_LOADER" client.exe  # any command, killed after 60 s
#
# Every test has a prefix of its own, so that none sees another's registry.
# With WINE_ENV_TEMPLATE set (under CTest) it is a copy of a prefix that
# wine_make_template made once per build, which saves wineboot and the port
# mapping at every test; otherwise it is made from scratch. The prefix is
# removed when the script exits with status 0 and kept for a look otherwise. Everything started here (wineserver, Xvfb, whatever a test
# registers with wine_track_pid) is stopped by its own pid on EXIT; tests add
# their own clean-up steps with wine_on_exit.
#
# Every COM number a program can name (COM1..COM255) is mapped, because Wine
# hands the machine's real serial devices to numbers left unmapped, also above
# a mapped range: a test must never reach one.

WINE_ENV_PORT_COUNT=255
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
    { kill "$pid" && wait "$pid"; } 2>/dev/null || true
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
# WINE_ENV_TEMPLATE, when set, is the prefix of that architecture to copy.
wine_env_init() {
  local dir=$1 arch=$2
  case "$arch" in
    win32 | win64) ;;
    *) echo "wine_env_init: unknown architecture '$arch'" >&2; return 2 ;;
  esac
  mkdir -p "$dir"
  export WINEPREFIX="$(cd "$dir" && pwd)/prefix"
  export WINEARCH=$arch
  # Debian's "wine" command always starts the 32-bit loader, which runs the
  # built-in programs (reg, regsvr32, cscript) from syswow64 even in a 64-bit
  # prefix: they would see the 32-bit registry view and could not load a
  # 64-bit in-process server. WINE_ENV_LOADER is the one to use.
  if [[ $arch == win64 ]]; then
    WINE_ENV_LOADER=$(command -v wine64 || echo /usr/lib/wine/wine64)
  else
    WINE_ENV_LOADER=$(command -v wine)
  fi
  export WINEDEBUG=-all
  export LC_ALL=C.UTF-8  # the same Windows locale everywhere: English, ANSI code page 1252
  unset DISPLAY  # without wine_start_xvfb, windows and message boxes fail at once
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono/Gecko install dialogs
  trap wine_env_cleanup EXIT
  wine_timing_lock shared
  rm -rf "$WINEPREFIX"
  if [[ -n ${WINE_ENV_TEMPLATE:-} ]]; then
    WINE_ENV_MISSING_PORT="$(dirname "$WINE_ENV_TEMPLATE")/no-such-port"
    wine_copy_prefix "$WINE_ENV_TEMPLATE"
  else
    WINE_ENV_MISSING_PORT="$(dirname "$WINEPREFIX")/no-such-port"
    wine_make_prefix
  fi
}

wine_make_prefix() {
  wine_run_timeout 120 wineboot -i >/dev/null 2>&1 || { echo "wineboot failed" >&2; return 1; }
  {
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
    local n
    for ((n = 1; n <= WINE_ENV_PORT_COUNT; n++)); do
      printf '"COM%d"="%s"\n' "$n" "$WINE_ENV_MISSING_PORT"
    done
  } | wine_import_registry || { echo "wine_make_prefix: registry import failed" >&2; return 1; }
  # A registry write just before "wineserver -k" can be lost: let it end by itself.
  wineserver -w 2>/dev/null || true
  wine_map_ports
}

# The Windows DLLs (half a gigabyte, never written) are hard links; the rest,
# which Wine may write, is copied.
wine_copy_prefix() {
  local template=$1 dlls=(drive_c/windows/system32 drive_c/windows/syswow64) dll
  mkdir -p "$WINEPREFIX"
  tar -C "$template" "${dlls[@]/#/--exclude=./}" -cf - . | tar -C "$WINEPREFIX" -xf - ||
    { echo "wine_copy_prefix: cannot copy $template" >&2; return 1; }
  for dll in "${dlls[@]}"; do
    [[ -d $template/$dll ]] && cp -al "$template/$dll" "$WINEPREFIX/$dll"
  done
  return 0
}

# wine_make_template DIR ARCH: the prefix every test of ARCH copies, in
# DIR/prefix; made again only when Wine or this harness has changed.
wine_make_template() {
  local dir=$1 arch=$2 stamp
  stamp="$(wine --version) $(sha256sum "${BASH_SOURCE[0]}" | cut -c1-16)"
  if [[ -f $dir/stamp && $(<"$dir/stamp") == "$stamp" ]]; then
    echo "the $arch prefix template in $dir is up to date"
    return 0
  fi
  rm -rf "$dir"
  WINE_ENV_TEMPLATE='' wine_env_init "$dir" "$arch" || return 1
  trap - EXIT
  wineserver -w 2>/dev/null || true
  echo "$stamp" >"$dir/stamp"
  echo "made the $arch prefix template in $dir"
}

# Imports registry lines (REGEDIT4 body) into the prefix.
wine_import_registry() {
  local file
  file=$(mktemp "$(dirname "$WINEPREFIX")/import-XXXXXX.reg")
  { printf 'REGEDIT4\n\n'; cat; } >"$file"
  local status=0
  wine_run_timeout 60 "$WINE_ENV_LOADER" regedit /S "$(winepath -w "$file")" >/dev/null 2>&1 ||
    status=$?
  rm -f "$file"
  return "$status"
}

# wine_map_ports [COMn=PATH ...]: maps the given ports to the given paths and
# every other one of COM1..COM255 to a path that does not exist (opening it
# then fails with ERROR_FILE_NOT_FOUND), then reads the highest port back
# before anything opens one. It writes the prefix's registry file itself (the
# wineserver reads the mapping when it starts), so call it before any Windows
# program runs in the prefix; it waits for a server still ending.
wine_map_ports() {
  wineserver -w 2>/dev/null || true
  local registry=$WINEPREFIX/system.reg entry mappings
  mappings=$(mktemp "$(dirname "$WINEPREFIX")/ports-XXXXXX")
  for entry in "$@"; do printf '%s\t%s\n' "${entry%%=*}" "${entry#*=}"; done >"$mappings"
  awk -v mappings="$mappings" -v missing="$WINE_ENV_MISSING_PORT" '
    function quoted(path) { gsub(/\\/, "\\\\", path); gsub(/"/, "\\\"", path); return "\"" path "\"" }
    BEGIN { FS = "\t"; while ((getline line < mappings) > 0) { split(line, f, "\t"); to[f[1]] = f[2] } FS = " " }
    /^\[/ { ports = index($0, "[Software\\\\Wine\\\\Ports]") == 1 }
    ports && match($0, /^"COM[0-9]+"=/) {
      name = substr($0, 2, RLENGTH - 3)
      print "\"" name "\"=" quoted(name in to ? to[name] : missing)
      next
    }
    { print }' "$registry" >"$registry.new" && mv "$registry.new" "$registry"
  rm -f "$mappings"
  local last=COM$WINE_ENV_PORT_COUNT expected=$WINE_ENV_MISSING_PORT actual
  for entry in "$@"; do
    if [[ ${entry%%=*} == "$last" ]]; then expected=${entry#*=}; fi
  done
  actual=$(awk -v name="\"$last\"" '
    /^\[/ { ports = index($0, "[Software\\\\Wine\\\\Ports]") == 1 }
    ports && index($0, name "=") == 1 { value = substr($0, length(name) + 3); sub(/"$/, "", value); print value }' "$registry")
  if [[ "$actual" != "$expected" ]]; then
    echo "wine_map_ports: $last reads '$actual', expected '$expected'" >&2
    return 1
  fi
}

# The two architectures' tests run side by side. A test that measures time
# (calls, ticks, when frames come) runs alone, as anything beside it on a
# small machine would lengthen what it measures; the others share the
# machine. Held until the test's script ends.
WINE_ENV_TIMING_LOCK=
wine_timing_lock() {
  local mode=$1
  [[ -n $WINE_ENV_TIMING_LOCK ]] && return 0
  exec {WINE_ENV_TIMING_LOCK}>"${TMPDIR:-/tmp}/tarvolk-wine-timing.lock"
  flock "--$mode" -w 3600 "$WINE_ENV_TIMING_LOCK"
}
wine_exclusive_timing() { wine_timing_lock exclusive; }

# wine_regsvr32 [/u] DLL: registers (or removes) a COM server without dialogs;
# fails when regsvr32 reports a failure.
wine_regsvr32() {
  wine_run_timeout 60 "$WINE_ENV_LOADER" regsvr32 /s "$@"
}

# wine_reg_value KEY [NAME]: prints the data of a registry value (the key's
# default value without NAME); fails when it does not exist.
wine_reg_value() {
  local key=$1 output
  if [[ $# -ge 2 ]]; then
    output=$(wine_run_timeout 60 "$WINE_ENV_LOADER" reg query "$key" /v "$2" 2>/dev/null) || return 1
  else
    output=$(wine_run_timeout 60 "$WINE_ENV_LOADER" reg query "$key" /ve 2>/dev/null) || return 1
  fi
  # A value line reads "    NAME    REG_TYPE    DATA".
  printf '%s\n' "$output" | tr -d '\r' | sed -n 's/^    .*    REG_[A-Z_]*    //p; s/^    .*    REG_[A-Z_]*$//p' |
    head -n 1
}

# wine_reg_key_exists KEY: whether the registry key exists.
wine_reg_key_exists() {
  wine_run_timeout 60 "$WINE_ENV_LOADER" reg query "$1" >/dev/null 2>&1
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
        wait "$pid" 2>/dev/null || true
        continue 2
      fi
      # The lock file names the server that owns the display: another test's
      # Xvfb may have made the socket while ours is still failing to start.
      if [[ -e /tmp/.X11-unix/X$display && $(tr -d ' \n' <"/tmp/.X$display-lock" 2>/dev/null) == "$pid" ]]; then
        wine_track_pid "$pid"
        export DISPLAY=":$display"
        return 0
      fi
      sleep 0.1
    done
    { kill "$pid" && wait "$pid"; } 2>/dev/null || true
  done
  echo "wine_start_xvfb: no display could be started" >&2
  return 1
}
