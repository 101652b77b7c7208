#!/usr/bin/env bash
# Makes the two benchmark recordings, stereo 16-bit 44.1 kHz with a small
# repeatable noise, unless they are there already:
#   side-a.wav  10 minutes, one tape file of 16 KB ending 0.5 s before the end,
#               so that every pass scans most of the recording;
#   side-b.wav  45 minutes, 20 tape files of 2 to 16 KB with long gaps;
#   noise.wav   the first 5 minutes of side A, noise without any tape file,
#               on which every pass fails (compare_outputs.sh);
#   worn.wav    the first 400 s of side B (three tape files) under strong
#               noise, on which some passes read a file and others fail
#               part-way (compare_outputs.sh).
# The right channel runs 3 samples behind the left, so the mix has to align.
# Usage: bench/make_recordings.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$(realpath "$1")
out=$2
mkdir -p "$out"
cli=$build/src/cli/varnetta-cli
tools=$build/bench

noise_seed=7
noise_peak=0.02

make_side() {  # name, duration in seconds, gap in seconds, sizes...
  local name=$1 duration=$2 gap=$3
  shift 3
  [ -f "$out/$name.wav" ] && return
  local scratch
  scratch=$(mktemp -d)
  "$tools/make_bins" "$scratch" "$@"
  "$cli" encode "$scratch"/file*.bin -o "$scratch/clean.wav" --stereo --offset 3 --gap "$gap"
  "$tools/add_noise" "$scratch/clean.wav" "$scratch/$name.wav" --seed "$noise_seed" --amplitude "$noise_peak" \
    --duration "$duration"
  mv "$scratch/$name.wav" "$out/$name.wav"
  rm -rf "$scratch"
}

make_side side-a 600 1 16384
# 2 to 16 KB in 19 equal steps, in a mixed order; the gaps fill the side to
# about 44 minutes, and silence in front of the first file makes it 45.
make_side side-b 2700 85 \
  9593 2048 15629 5820 12611 3557 8084 16384 4311 11102 \
  6575 14120 2802 10347 7329 13365 5066 8838 14874 11856

[ -f "$out/noise.wav" ] || sox "$out/side-a.wav" "$out/noise.wav" trim 0 300
if [ ! -f "$out/worn.wav" ]; then
  sox "$out/side-b.wav" "$out/worn-clean.wav" trim 0 400
  "$tools/add_noise" "$out/worn-clean.wav" "$out/worn.wav" --seed 3 --amplitude 0.1
  rm "$out/worn-clean.wav"
fi
