#!/usr/bin/env bash
# Whole-process benchmark of varnetta-cli on the two benchmark recordings
# (make_recordings.sh): side A, 10 minutes, with the default settings, and
# side B, 45 minutes, with --multi-file. Prints the median of several runs of
# the wall time, the CPU time, the realtime factor (audio duration / wall time)
# and the peak resident size, also per stereo sample frame.
# Usage: bench/whole_process.sh [BUILD_DIR] [RUNS]   (default: build, 5)
# The recordings are kept in BUILD_DIR/bench/recordings; delete it to remake them.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
cmake --build "$build" --target varnetta-cli make_bins add_noise >/dev/null
recordings=$build/bench/recordings
bench/make_recordings.sh "$build" "$recordings"
cli=$(realpath "$build/src/cli/varnetta-cli")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# No stored settings of the user are read or written.
export XDG_CONFIG_HOME=$work/config

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs the decoder `runs` times on a recording, each time in a fresh directory
# (the outputs are written beside the recording), and prints one line.
bench_case() {  # label, recording, decoder options...
  local label=$1 recording=$2
  shift 2
  local frames rate times=$work/times.txt
  frames=$(soxi -s "$recording")
  rate=$(soxi -r "$recording")
  : >"$times"
  for run in $(seq "$runs"); do
    local dir=$work/run-$run
    mkdir -p "$dir"
    ln "$recording" "$dir/" 2>/dev/null || cp "$recording" "$dir/"
    (cd "$dir" && /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" "$cli" "$@" "$(basename "$recording")" >/dev/null)
    cat "$work/time.txt" >>"$times"
    rm -rf "$dir"
  done
  local wall cpu peak
  wall=$(awk '{ print $1 }' "$times" | median)
  cpu=$(awk '{ print $2 + $3 }' "$times" | median)
  peak=$(awk '{ print $4 }' "$times" | median)
  awk -v label="$label" -v frames="$frames" -v rate="$rate" -v wall="$wall" -v cpu="$cpu" -v peak="$peak" \
    -v runs="$runs" 'BEGIN {
      audio = frames / rate
      printf "%s: %.0f s of audio (%d frames); median of %d runs: wall %.3f s, CPU %.3f s, ", \
        label, audio, frames, runs, wall, cpu
      printf "%.0f times realtime, peak resident %d kB = %.1f bytes per frame\n", \
        audio / (wall > 0 ? wall : 0.001), peak, peak * 1024 / frames
    }'
}

bench_case "A, 10 minutes, default settings" "$recordings/side-a.wav"
bench_case "B, 45 minutes, multi-file" "$recordings/side-b.wav" --multi-file
