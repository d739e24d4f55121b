# shellcheck shell=bash
# The UI tests' screenshots; source it in a test that defines ui() (ui-driver.exe) and work.
#   shot NAME                 the whole screen as WORK/NAME
#   shot NAME WINDOW PICTURE  also that window (CLASS|CAPTION) alone, with its open drop-down
#                             list, as WORK/PICTURE, and into $TARVOLK_GUIDE_PICTURES when set:
#                             scripts/guide-pictures.sh makes the operators' guide's pictures so
# shellcheck disable=SC2154  # work is the test's
shot() {
  import -window root "$work/$1" 2>/dev/null || return
  (($# == 3)) || return 0
  local bounds
  bounds=$(ui "window=$2" bounds | tr -d '\r' | sed -n 's/^ui ok   bounds  (\(.*\))$/\1/p')
  if [[ -z $bounds ]] || ! convert "$work/$1" -crop "$bounds" +repage -strip "$work/$3"; then
    echo "shot: no picture of $2" >&2
  elif [[ -n ${TARVOLK_GUIDE_PICTURES:-} ]]; then
    cp "$work/$3" "$TARVOLK_GUIDE_PICTURES/$3"
  fi
}
