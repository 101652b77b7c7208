#!/usr/bin/env bash
# Builds Varnetta and runs every test: the plain build, then the whole suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer. Installs what
# is missing first (Debian 12).
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
