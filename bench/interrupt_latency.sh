#!/usr/bin/env bash
# How soon varnetta-cli ends after Ctrl-C on a 60-minute stereo recording:
# a run is timed whole, then SIGINT is sent at every tenth of that time
# (during the load, the mixing, the searches and the passes), with the
# default settings and with --multi-file, and the time from the signal to the
# end of the process is printed with its exit status; then the same with a
# second SIGINT 20 ms after the first. Every run must end with status 130 and leave no staged
# temporary file, and every .bin it left must be whole (the decoded files
# are known).
# Usage: bench/interrupt_latency.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target varnetta-cli make_bins add_noise >/dev/null
recordings=$build/bench/recordings
bench/make_recordings.sh "$build" "$recordings"
hour=$recordings/hour.wav
[ -f "$hour" ] || sox "$recordings/side-b.wav" "$recordings/side-a.wav" "$recordings/side-a.wav" "$hour" trim 0 3600
cli=$(realpath "$build/src/cli/varnetta-cli")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
ln "$hour" "$work/hour.wav" 2>/dev/null || cp "$hour" "$work/hour.wav"

now() { date +%s.%N; }

worst=0
faults=0
run() {  # label, delay in seconds, second signal (yes/no), options...
  local label=$1 delay=$2 second=$3
  shift 3
  rm -rf "$work/out"
  mkdir "$work/out"
  ln "$work/hour.wav" "$work/out/hour.wav"
  (cd "$work/out" && exec "$cli" "$@" hour.wav >/dev/null 2>&1) &
  local pid=$!
  sleep "$delay"
  local sent
  sent=$(now)
  if ! kill -INT "$pid" 2>/dev/null; then
    wait "$pid" || true
    printf '%-28s SIGINT at %4.1f s: the run had ended\n' "$label" "$delay"
    return
  fi
  if [ "$second" = yes ]; then
    sleep 0.02
    kill -INT "$pid" 2>/dev/null || true
  fi
  local status=0
  wait "$pid" || status=$?
  local ended
  ended=$(now)
  local latency
  latency=$(awk -v a="$sent" -v b="$ended" 'BEGIN { printf "%.3f", b - a }')
  local staged partial=0 bin
  staged=$(find "$work/out" -name '.varnetta-*' | wc -l)
  # A short-layout .bin holds 4 bytes and as many as its length word says.
  for bin in "$work/out"/*.bin; do
    [ -e "$bin" ] || continue
    if [ "$(stat -c %s "$bin")" -ne $(($(od -An -tu2 -j2 -N2 "$bin") + 4)) ]; then partial=$((partial + 1)); fi
  done
  printf '%-28s SIGINT at %4.1f s: ended %s s later, status %d, staged files left %d, partial .bin %d\n' \
    "$label" "$delay" "$latency" "$status" "$staged" "$partial"
  if [ "$status" -ne 130 ] || [ "$staged" -ne 0 ] || [ "$partial" -ne 0 ]; then faults=$((faults + 1)); fi
  worst=$(awk -v a="$worst" -v b="$latency" 'BEGIN { print (b > a) ? b : a }')
}

# The wall time of a whole run with the options.
whole_run() {
  rm -rf "$work/out"
  mkdir "$work/out"
  ln "$work/hour.wav" "$work/out/hour.wav"
  local started
  started=$(now)
  (cd "$work/out" && "$cli" "$@" hour.wav >/dev/null 2>&1) || true
  awk -v a="$started" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'
}

for options in "" "--multi-file"; do
  # The first run warms the caches up; the second is timed.
  # shellcheck disable=SC2086
  whole_run $options >/dev/null
  # shellcheck disable=SC2086
  total=$(whole_run $options)
  echo "a whole run ${options:-with the default settings} takes $total s"
  for tenth in 1 2 3 4 5 6 7 8 9; do
    delay=$(awk -v t="$total" -v k="$tenth" 'BEGIN { printf "%.2f", t * k / 10 }')
    # shellcheck disable=SC2086
    run "${options:-default settings}" "$delay" no $options
  done
  for tenth in 2 5 8; do
    delay=$(awk -v t="$total" -v k="$tenth" 'BEGIN { printf "%.2f", t * k / 10 }')
    # shellcheck disable=SC2086
    run "${options:-default settings}, two SIGINTs" "$delay" yes $options
  done
done
echo "longest time from SIGINT to the end: $worst s; runs that did not end cleanly: $faults"
[ "$faults" -eq 0 ]
