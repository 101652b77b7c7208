#!/usr/bin/env bash
# Peak memory of loading a 100 MB stereo 16-bit WAV, against the bound
# file size + 8 bytes per sample and channel.
# Usage: bench/audio_load_peak.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target audio_load_peak >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 567 s x 44100 Hz x 2 channels x 2 bytes = 100,018,800 bytes of samples.
sox -n -r 44100 -b 16 -c 2 "$work/long.wav" synth 567 sine 440 sine 660

# The resident size of the program itself, measured on a file of one sample.
sox -n -r 44100 -b 16 -c 2 "$work/tiny.wav" synth 1s sine 440

# Runs the loader on a file, showing its output; leaves the peak in kB in peak.txt.
load() { /usr/bin/time -f '%M' -o "$work/peak.txt" "$build/bench/audio_load_peak" "$1"; }
load "$work/tiny.wav" >/dev/null
base=$(cat "$work/peak.txt")
load "$work/long.wav"
peak=$(cat "$work/peak.txt")
echo "peak resident ${peak} kB, of which the program itself ${base} kB: the load took $((peak - base)) kB"
