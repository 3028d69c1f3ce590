#!/usr/bin/env bash
# The long soak: 10,000 thumb changes of the real program under Wine, in
# rounds of 150, with its memory and descriptors sampled after each round
# (the e2e case thumb_drag_soak, which the test run keeps short). Prints the
# samples and fails if the program grew by more than the case allows.
#
#   bench/soak.sh [ROUNDS]     ROUNDS measured after the warm-up (default 65)
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

bash "$HV_ROOT/scripts/build"
export HUEVANE_SOAK_ROUNDS="${1:-65}"
exec python3 "$HV_ROOT/tests/e2e/e2e.py" \
  --exe "$HV_BUILD/win32/huevane.exe" --driver "$HV_BUILD/win32/tests/e2e/e2e_driver.exe" \
  --render "$HV_BUILD/native/huevane-render" --cues "$HV_ROOT/resources/cues" \
  --prefix "$HV_BUILD/wine-soak" --work "$HV_BUILD/soak" thumb_drag_soak
