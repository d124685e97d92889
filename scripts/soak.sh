#!/usr/bin/env bash
# The link soak at length: random edits over the paced virtual processor with
# the real 30 ms link tick, while answers go wrong now and then; the device's
# live preset must end equal to the program's. Usage: soak.sh [BUILD] [EDITS]
# [FAULT_ONE_IN] [SEED]. Takes minutes; prints the figures at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
VARDEN_SOAK_PACED=1 VARDEN_SOAK_EDITS=${2:-2000} VARDEN_SOAK_FAULT_ONE_IN=${3:-10} VARDEN_SOAK_SEED=${4:-1} \
  "$build/tests/link/link_soak_tests" --gtest_filter='SoakTest.*'
