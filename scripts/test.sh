#!/usr/bin/env bash
# Builds Varnetta and runs every test: the plain build, then the whole suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer, then under
# ThreadSanitizer (without the desktop front end), then a bounded fuzzing run
# of the audio decoder. Installs what is missing first (Debian 12).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)

build_and_test() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== plain build"
build_and_test build

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
build_and_test build-asan -DVARNETTA_SANITIZE=address,undefined

# The worker and the front ends share the queue, the flags, the stage and the
# settings; any race the suite provokes fails it (the command-line tests run
# the ThreadSanitizer build of the program, which then exits with an error).
echo "== ThreadSanitizer"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
build_and_test build-tsan -DVARNETTA_SANITIZE=thread -DVARNETTA_BUILD_GUI=OFF -DVARNETTA_BUILD_BENCH=OFF

echo "== fuzzing the audio decoder for ${VARNETTA_FUZZ_SECONDS:-60} s"
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVARNETTA_FUZZ=ON -DVARNETTA_BUILD_TESTS=OFF -DVARNETTA_BUILD_BENCH=OFF -DVARNETTA_BUILD_GUI=OFF
cmake --build build-fuzz -j "$jobs" --target audio_decode_fuzzer
# New inputs go to a scratch corpus; the committed seeds stay as they are.
rm -rf build-fuzz/corpus build-fuzz/artifacts
mkdir -p build-fuzz/corpus build-fuzz/artifacts
if ! build-fuzz/fuzz/audio_decode_fuzzer -max_total_time="${VARNETTA_FUZZ_SECONDS:-60}" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/ build-fuzz/corpus fuzz/corpus/audio_decode \
    >build-fuzz/fuzz.log 2>&1; then
  echo "fuzzing found a fault; the end of build-fuzz/fuzz.log:" >&2
  tail -n 60 build-fuzz/fuzz.log >&2
  exit 1
fi
tail -n 12 build-fuzz/fuzz.log
