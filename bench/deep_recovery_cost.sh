#!/usr/bin/env bash
# What deep recovery costs: the CPU time of varnetta-cli with --deep-recovery
# against --no-deep-recovery, the two run in turn (interleaved, so that a
# machine warming up or busy elsewhere weighs on both alike), on
#   side A and side B (make_recordings.sh), which the sweep reads: deep
#     recovery should add next to nothing;
#   10 minutes of stereo white noise, and 10 minutes of tape signal 15 dB
#     below its noise, which nobody can read: deep recovery searches all of it.
# Prints the medians of user and of user+system time for both modes.
# Usage: bench/deep_recovery_cost.sh [BUILD_DIR] [RUNS]   (default: build, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
cmake --build "$build" --target varnetta-cli make_bins add_noise >/dev/null
recordings=$build/bench/recordings
bench/make_recordings.sh "$build" "$recordings"
cli=$(realpath "$build/src/cli/varnetta-cli")

if [ ! -f "$recordings/white-noise.wav" ]; then
  sox -n -r 44100 -c 2 -b 16 "$recordings/white-noise.wav" synth 600 whitenoise vol 0.5
fi
if [ ! -f "$recordings/hopeless.wav" ]; then
  scratch=$(mktemp -d)
  "$build/bench/make_bins" "$scratch" 16384
  "$cli" encode "$scratch"/file*.bin -o "$scratch/quiet.wav" --stereo --offset 3 --amplitude 0.1
  "$build/bench/add_noise" "$scratch/quiet.wav" "$recordings/hopeless.wav" --seed 5 --amplitude 0.7 --duration 600
  rm -rf "$scratch"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

run_once() {  # times file, recording, options...
  local times=$1 recording=$2
  shift 2
  local dir=$work/run
  rm -rf "$dir"
  mkdir -p "$dir"
  ln "$recording" "$dir/" 2>/dev/null || cp "$recording" "$dir/"
  (cd "$dir" && /usr/bin/time -f '%U %S' -o "$work/time.txt" "$cli" "$@" "$(basename "$recording")" \
    >/dev/null 2>&1) || true
  cat "$work/time.txt" >>"$times"
}

cost_case() {  # label, recording, options...
  local label=$1 recording=$2
  shift 2
  : >"$work/off.txt"
  : >"$work/on.txt"
  for _ in $(seq "$runs"); do
    run_once "$work/off.txt" "$recording" --no-deep-recovery "$@"
    run_once "$work/on.txt" "$recording" --deep-recovery "$@"
  done
  local offUser onUser offAll onAll
  offUser=$(awk '{ print $1 }' "$work/off.txt" | median)
  onUser=$(awk '{ print $1 }' "$work/on.txt" | median)
  offAll=$(awk '{ print $1 + $2 }' "$work/off.txt" | median)
  onAll=$(awk '{ print $1 + $2 }' "$work/on.txt" | median)
  awk -v label="$label" -v runs="$runs" -v ou="$offUser" -v nu="$onUser" -v oa="$offAll" -v na="$onAll" 'BEGIN {
    printf "%s (median of %d): user %.2f s off, %.2f s on (%+.2f s, %+.1f%%); user+sys %.2f s off, %.2f s on (%+.2f s)\n",
      label, runs, ou, nu, nu - ou, (ou > 0 ? 100 * (nu - ou) / ou : 0), oa, na, na - oa
  }'
}

cost_case "A, 10 minutes, read by the sweep" "$recordings/side-a.wav"
cost_case "B, 45 minutes, multi-file, read by the sweep" "$recordings/side-b.wav" --multi-file
cost_case "10 minutes of white noise" "$recordings/white-noise.wav"
cost_case "10 minutes of tape signal 15 dB under noise" "$recordings/hopeless.wav"
