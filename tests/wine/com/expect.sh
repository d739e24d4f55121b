# Checks for the component's test scripts: expect DESCRIPTION ACTUAL EXPECTED
# prints ok or FAIL; expect_summary prints the tally and fails on any FAIL.
expect_passed=0
expect_failed=0

expect() {
  if [[ "$2" == "$3" ]]; then
    expect_passed=$((expect_passed + 1))
    echo "ok   $1"
  else
    expect_failed=$((expect_failed + 1))
    echo "FAIL $1: got '$2', expected '$3'"
  fi
}

expect_summary() {
  echo "$expect_passed passed, $expect_failed failed"
  [[ $expect_failed -eq 0 ]]
}
