#!/usr/bin/env bash
# The bundled sample recording is what `encode` makes of samples/HELLO.bin,
# and decoding it gives that file back.
set -euo pipefail
cli=$1
samples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cli" encode "$samples/HELLO.bin" --stereo --offset 7 --rate 22050 -o "$work/encoded.wav"
cmp "$work/encoded.wav" "$samples/hello.wav"

cp "$samples/hello.wav" "$work/"
"$cli" "$work/hello.wav" >/dev/null
cmp "$work/HELLO.bin" "$samples/HELLO.bin"
