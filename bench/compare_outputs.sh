#!/usr/bin/env bash
# Checks that two builds of varnetta-cli give byte-identical outputs on the
# benchmark recordings: the .bin files, !list.log, the recording log,
# !processing.log (--store-work-log) and the work log on standard output.
# Side A runs with the default settings and side B with --multi-file, as in
# whole_process.sh; side A runs again with every analysis variant enabled
# (--levels-on-fronts), so the passes on conditioned channels are covered too,
# the noise without tape files runs without the edge analysis, so that
# every pass fails and the recording log is written; and both sides run with
# every option on (every variant, the long layout, saving in spite of
# checksum and recognition errors), as does the worn recording, on which
# those errors occur.
# Both builds run on the same path, so the logs may name it.
# Usage: bench/compare_outputs.sh BASE_CLI NEW_CLI [BUILD_DIR]
#   BUILD_DIR (default: build) provides the tools that make the recordings.
set -euo pipefail
base=$(realpath "$1")
new=$(realpath "$2")
cd "$(dirname "$0")/.."
build=${3:-build}
cmake --build "$build" --target varnetta-cli make_bins add_noise >/dev/null
recordings=$build/bench/recordings
bench/make_recordings.sh "$build" "$recordings"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config

# Decodes one recording with one binary in $work/run and moves what it
# wrote to $work/out-NAME.
decode() {  # name, binary, recording, options...
  local name=$1 binary=$2 recording=$3
  shift 3
  rm -rf "$work/run"
  mkdir -p "$work/run"
  ln "$recording" "$work/run/" 2>/dev/null || cp "$recording" "$work/run/"
  local status=0
  (cd "$work/run" && "$binary" --store-work-log "$@" "$(basename "$recording")" >stdout.txt) || status=$?
  echo "$status" >"$work/run/exit-status.txt"
  rm "$work/run/$(basename "$recording")"
  mv "$work/run" "$work/out-$name"
}

failed=0
compare_case() {  # label, recording, options...
  local label=$1 recording=$2
  shift 2
  decode base "$base" "$recording" "$@"
  decode new "$new" "$recording" "$@"
  local files
  files=$(cd "$work/out-base" && ls -A)
  if [ "$files" != "$(cd "$work/out-new" && ls -A)" ]; then
    echo "$label: DIFFERENT sets of files"
    diff <(echo "$files") <(cd "$work/out-new" && ls -A) || true
    failed=1
  elif diff -r -q "$work/out-base" "$work/out-new"; then
    echo "$label: identical ($(echo "$files" | tr '\n' ' '))"
  else
    echo "$label: DIFFERENT"
    failed=1
  fi
  rm -rf "$work/out-base" "$work/out-new"
}

compare_case "A, default settings" "$recordings/side-a.wav"
compare_case "A, every variant" "$recordings/side-a.wav" --levels-on-fronts
compare_case "B, multi-file" "$recordings/side-b.wav" --multi-file
compare_case "noise, levels only" "$recordings/noise.wav" --no-fronts
every_option=(--levels-on-fronts --long-bin --ignore-crc --ignore-errors)
compare_case "A, every option" "$recordings/side-a.wav" "${every_option[@]}"
compare_case "B, multi-file, every option" "$recordings/side-b.wav" --multi-file "${every_option[@]}"
compare_case "worn, multi-file, every option" "$recordings/worn.wav" --multi-file "${every_option[@]}"
exit "$failed"
