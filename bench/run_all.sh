#!/usr/bin/env bash
# Runs every benchmark once, quickly, so that all figures can be seen in one
# command: the script engine and the library scan natively (the engine's
# figures are the ones compared), then every benchmark of the test build
# under Wine, on one virtual display. Builds what is missing first.
#   bash bench/run_all.sh
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== native (GCC -O3 -DNDEBUG) =="
cmake -S bench -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench-native >/dev/null
build/bench-native/tf_bench 7
build/bench-native/library_bench 1000

echo "== Wine (test build) =="
cmake --preset tests >/dev/null
cmake --build --preset tests >/dev/null
export WINEPREFIX="$PWD/build/tests/wineprefix"
scripts/wine-prefix.sh "$WINEPREFIX" >/dev/null
# The decoders' sample files are made by a test fixture.
ctest --preset tests -R '^audio_samples$' >/dev/null
samples="Z:$(echo "$PWD/build/tests/tests/audio/samples" | tr / '\\')"
scripts/with-display.sh bash -c '
  set -e
  for b in tf_bench dispatch_bench object_bench drawing_bench fade_bench profile_bench panel_bench art_bench; do
    echo "-- $b"
    wine build/tests/$b.exe $([ $b = tf_bench ] && echo 7)
  done
  echo "-- library_bench"
  wine build/tests/library_bench.exe 1000
  echo "-- audio_bench"
  wine build/tests/audio_bench.exe "$1"
' run_all "$samples"
