#!/usr/bin/env bash
# Builds everything with the test suites and runs them under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset tests
cmake --build --preset tests
export WINEPREFIX="$PWD/build/tests/wineprefix"
scripts/wine-prefix.sh "$WINEPREFIX"
scripts/with-display.sh ctest --preset tests --parallel 2 "$@"
