#!/usr/bin/env bash
# Decodes the bundled sample recording: installs what is missing (Debian 12),
# builds varnetta-cli, decodes a copy of samples/hello.wav in a scratch
# directory and shows what was recovered.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target varnetta-cli >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp samples/hello.wav "$work/"

echo "== decoding $work/hello.wav"
build/src/cli/varnetta-cli "$work/hello.wav"

echo
echo "== !list.log (what the recording gave)"
iconv -f WINDOWS-1251 -t UTF-8 "$work/!list.log"
echo
echo "== recovered files"
for bin in "$work"/*.bin; do
  printf '%s: %s bytes' "$(basename "$bin")" "$(stat -c %s "$bin")"
  if cmp -s "$bin" samples/HELLO.bin; then echo ", identical to samples/HELLO.bin"; else echo ", DIFFERENT from samples/HELLO.bin"; exit 1; fi
done
