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
if command -v clang++ >/dev/null; then
  echo "== native (clang -O2 -DNDEBUG) =="
  cmake -S bench -B build/bench-clang -G Ninja -DCMAKE_BUILD_TYPE=Release -DCOR_BENCH_CLANG=ON >/dev/null
  cmake --build build/bench-clang >/dev/null
  build/bench-clang/tf_bench 7
fi

echo "== Wine (test build) =="
cmake --preset tests >/dev/null
cmake --build --preset tests >/dev/null
export WINEPREFIX="$PWD/build/tests/wineprefix"
scripts/wine-prefix.sh "$WINEPREFIX" >/dev/null
# The decoders' sample files are made by a test fixture.
ctest --preset tests -R '^audio_samples$' >/dev/null
samples="Z:$(echo "$PWD/build/tests/tests/audio/samples" | tr / '\\')"
# Every benchmark the build made, whatever their number.
scripts/with-display.sh bash -c '
  set -e
  for exe in build/tests/*_bench.exe; do
    b=$(basename "$exe" .exe)
    echo "-- $b"
    case $b in
      tf_bench) wine "$exe" 7 ;;
      library_bench) wine "$exe" 1000 ;;
      audio_bench) wine "$exe" "$1" ;;
      *) wine "$exe" ;;
    esac
  done
' run_all "$samples"
echo "-- profile_cpu (10 s)"
bash bench/profile_cpu.sh 10
