#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time, starting from the seeds.
#   run_fuzzer.sh FUZZER SEED_DIR WORK_DIR
# TARVOLK_FUZZ_SECONDS sets the time (default 10). Inputs that reach new code
# are kept in WORK_DIR/corpus for the next run; a failing input is written to
# WORK_DIR as crash-* (rerun it with: FUZZER WORK_DIR/crash-...).
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3
mkdir -p "$work/corpus"
# Texts of thousands of digits are part of what is worth trying.
"$fuzzer" -max_total_time="${TARVOLK_FUZZ_SECONDS:-10}" -max_len=8192 -timeout=10 \
  -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$seeds" 2>&1 |
  grep -v -E '^#[0-9]+\s+(NEW|REDUCE|pulse)'
