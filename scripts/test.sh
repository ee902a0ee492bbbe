#!/usr/bin/env bash
# Checks that the source folders include each other only downward, builds
# everything with the test suites and runs them under Wine, then
# runs each fuzz target natively for a few seconds over its corpus. The
# benchmarks are built (the Windows ones with the suites, the engine's
# natively too) but not timed: bench/run_all.sh times them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# The floors of src/ and corvina500/: no folder includes one that includes it.
python3 tools/check_floors.py
cmake --preset tests
cmake --build --preset tests
export WINEPREFIX="$PWD/build/tests/wineprefix"
scripts/wine-prefix.sh "$WINEPREFIX"
scripts/with-display.sh ctest --preset tests --parallel 2 "$@"
scripts/fuzz.sh
cmake -S bench -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench-native
