#!/usr/bin/env bash
# Builds the byte readers' fuzz targets natively with clang's libFuzzer and
# the address and undefined-behaviour sanitizers, then runs each for a few
# seconds over its committed corpus (new finds go to a scratch folder, the
# corpus stays as committed). FUZZ_SECONDS sets the time per target.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-5}"
out=build/fuzz
mkdir -p "$out"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I. -Isdk -Isrc)
build() {
  local name=$1; shift
  clang++ "${flags[@]}" -o "$out/$name" "fuzz/$name.cpp" "$@"
}
build config_import_fuzz src/config/config_file_format.cpp sdk/guid_text.cpp
build config_store_fuzz corvina500/config/config_codec.cpp sdk/cfg_var.cpp sdk/guid_text.cpp
build script_engine_fuzz corvina500/titleformat/*.cpp corvina500/core/track_info.cpp \
  sdk/utf8.cpp sdk/unicode_case.cpp sdk/unicode_tables.cpp sdk/ascii_tables.cpp
build script_preprocessor_fuzz src/script/preprocessor.cpp
build library_cache_fuzz -Icorvina500 corvina500/media/*.cpp corvina500/core/track_info.cpp \
  sdk/cfg_var.cpp sdk/utf8.cpp sdk/unicode_case.cpp sdk/unicode_tables.cpp sdk/ascii_tables.cpp
for target in config_import config_store script_engine script_preprocessor library_cache; do
  scratch="$out/${target}_found"
  rm -rf "$scratch" && mkdir -p "$scratch"
  echo "fuzz: $target for ${seconds}s"
  "$out/${target}_fuzz" -max_total_time="$seconds" -max_len=65536 -print_final_stats=0 \
    "$scratch" "fuzz/corpus/$target" 2>"$out/$target.log" ||
    { tail -40 "$out/$target.log"; exit 1; }
done
echo "fuzz: no fault found"
