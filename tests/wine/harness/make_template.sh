#!/usr/bin/env bash
# The prefix every Wine test of one architecture copies (CTest's fixture
# wine_prefix): made once per build tree, again when Wine or the harness
# changes.
#   make_template.sh HARNESS ARCH DIR
set -euo pipefail
harness=$1 arch=$2 dir=$3
source "$harness/wine-env.sh"
wine_make_template "$dir" "$arch"
