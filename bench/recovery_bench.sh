#!/usr/bin/env bash
# Recovery benchmark: how much damage varnetta-cli reads through, with the
# sweep alone and with deep recovery, and whether it ever saves a wrong file.
#
# Usage: bench/recovery_bench.sh [--quick] BUILD_DIR [OUT]
#   BUILD_DIR holds varnetta-cli, make_bins and degrade:
#     cmake --build BUILD_DIR --target varnetta-cli make_bins degrade
#   OUT is the results table (default BUILD_DIR/bench/recovery/results.txt).
#   SWEEP_OPTS (default --no-deep-recovery) and DEEP_OPTS (default
#   --deep-recovery) are the options of the two modes; JOBS (default 2) the
#   workers (each climbs one ladder or decodes a chunk of the negative set);
#   LADDERS (default all) names the ladders to run; NEGATIVES=0 leaves out
#   the negative set; CPU_CAP (default 30) is the CPU seconds after which a
#   decode is stopped (and counted as capped). --quick runs one seed per rung
#   and size and a quarter of the negative set. OUT.raw gets one line per
#   recording.
# Needs sox, lame, /usr/bin/time (Debian packages sox, lame, time).
#
# Truth files are .bin files of 2 KiB (seeds 1 to 3) and 16 KiB (seeds 1
# and 2) with random bytes per seed, encoded with `varnetta-cli encode` at
# T = 16 samples and 44.1 kHz mono unless a ladder says otherwise. Each ladder applies one
# degradation (bench/degrade.cpp documents each) at rungs from mild to severe;
# every recording is decoded once per mode, each run alone in a scratch
# folder with its own XDG_CONFIG_HOME. A 16 KiB recording stops climbing a
# ladder in a mode after a rung where no 16 KiB recording was read in that mode
# (a failing deep recovery of one costs tens of seconds); 2 KiB ones climb
# every rung. A recording is recovered when every
# truth file is among the written .bin files byte for byte (address, length
# and data); any written .bin that is no truth file is a false accept
# ("flagged" when its name marks it as bad, _BadCRC or _BADRecognize). The
# break point of a mode is the strongest rung at which every seed and size was
# recovered ("*": some milder rung was not).
#
# Ladders:
#   white, pink, brown   noise at an SNR in dB (signal RMS over the non-silent part)
#   jitter               encoder's edge jitter, shown as its RMS in samples (J/sqrt 3)
#   wow                  peak speed deviation in %: 0.7 Hz wow (70%) + 7 Hz flutter (30%)
#   fast, slow           constant speed factor
#   wander               baseline wander, peak in multiples of the signal RMS
#   highpass             AC coupling, first-order high-pass corner in Hz
#   allpass              first-order all-pass sections at 2 kHz (between the tape's
#                        one-bit impulse at 1.4 kHz and its tuning at 2.8 kHz)
#   dropout              4 dropouts of 20 ms at random places in the signal, depth in dB,
#                        then tape hiss 30 dB below the signal
#   hum                  60 Hz and harmonics to the 7th (-12 dB each), level over the signal
#   clip                 clipped at a fraction of the peak
#   quant8               gain in dB, then 8-bit PCM
#   delay                stereo, right channel late by N samples
#   delay+noise          stereo, right 8 samples late, independent white noise per channel
#   band                 sox sinc from 80 Hz to the rung's upper edge
#   mp3                  lame CBR mono at the rung's bitrate, decoded by lame
#   formats              rate and T from 96 kHz/24 down to 22.05 kHz/6, white noise 15 dB
#   tune                 tuning impulses before the file (encoder's --tune)
#   tune-dropout         a 35 ms dropout (40 dB, then hiss 30 dB) breaks the tuning;
#                        the rung is the tuning impulses left after it
#   zero-run             the recording starts inside another file's run of 200 zero bytes
#                        (it looks like a tuning) and holds a whole next file; the rung is
#                        the zero bytes left at the cut; decoded with --multi-file
#   lowrate              recorded at 11025 Hz with T = 6, resampled to 44.1 kHz and band
#                        limited to 80 Hz - 5 kHz, white noise at the rung's SNR
# Negative set (about 220 fixed recordings, half of each kind decoded with
# --multi-file): noise of three colours at four levels, hum, speech-like
# (formant-filtered sawtooth with a syllable rhythm) and music-like (chords
# with envelopes) signals, a steady tone at a tuning frequency followed by
# either, tape signal damaged beyond repair (SNR -10 and -15 dB, or 80% of the
# data dropped out), and recordings cut inside a file (only the whole file, if
# any, may be written). Any other written file is a false accept.
set -euo pipefail

quick=0
args=()
for a in "$@"; do
  case $a in
    --quick) quick=1 ;;
    -h | --help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) args+=("$a") ;;
  esac
done
if [ ${#args[@]} -lt 1 ] || [ ${#args[@]} -gt 2 ]; then
  echo "usage: $0 [--quick] BUILD_DIR [OUT]" >&2
  exit 2
fi
build=$(realpath "${args[0]}")
out=${args[1]:-$build/bench/recovery/results.txt}

missing=()
command -v sox >/dev/null || missing+=("sox (Debian package sox)")
command -v lame >/dev/null || missing+=("lame (Debian package lame)")
[ -x /usr/bin/time ] || missing+=("/usr/bin/time (Debian package time)")
for t in src/cli/varnetta-cli bench/make_bins bench/degrade; do
  [ -x "$build/$t" ] || missing+=("$build/$t (cmake --build $build --target varnetta-cli make_bins degrade)")
done
if [ ${#missing[@]} -gt 0 ]; then
  printf 'recovery_bench: missing %s\n' "${missing[@]}" >&2
  exit 1
fi

export CLI=$build/src/cli/varnetta-cli DEGRADE=$build/bench/degrade MAKE_BINS=$build/bench/make_bins
export SWEEP_OPTS=${SWEEP_OPTS---no-deep-recovery}
export DEEP_OPTS=${DEEP_OPTS---deep-recovery}
jobs=${JOBS:-2}
# Recordings of each rung as seed:size; the 16 KiB ones take eight times as long.
if [ $quick = 1 ]; then pairs=(1:2048 1:16384); else pairs=(1:2048 1:16384 2:2048 2:16384 3:2048); fi
export CPU_CAP=${CPU_CAP:-30}

WORK=$(mktemp -d "${TMPDIR:-/tmp}/recovery_bench.XXXXXX")
export WORK
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/truth" "$WORK/base" "$WORK/cases" "$WORK/results"
start_seconds=$SECONDS

# ---- truth files and the recordings made from them -------------------------

# A .bin of SIZE random bytes for SEED, named NAME.bin (NAME is its tape name).
make_truth() {  # name size seed
  local dir=$WORK/truth/$1.tmp
  mkdir -p "$dir"
  "$MAKE_BINS" "$dir" "$2" --seed "$(( $3 * 7919 + $2 ))" >/dev/null
  mv "$dir/file01.bin" "$WORK/truth/$1.bin"
  rmdir "$dir"
}

encode() {  # out.wav bin... [encode options]
  local outfile=$1
  shift
  "$CLI" encode "$@" -o "$outfile" >/dev/null
}

# Periods from the start of a file's tuning to its data byte K, as the
# encoder writes it with the default tuning and sync lengths: a 1-bit lasts 3
# periods, a 0-bit 2; the header is address, length and the name padded with
# spaces to 16 bytes.
periods_to_byte() {  # bin name k
  {
    od -An -tu1 -v -N 4 "$1"
    printf '%-16.16s' "$2" | od -An -tu1 -v
    if [ "$3" -gt 0 ]; then od -An -tu1 -v -j 4 -N "$3" "$1"; fi
  } | awk '{ for (i = 1; i <= NF; ++i) { b = $i; n += 16; while (b) { n += b % 2; b = int(b / 2) } } }
           END { print 4096 + 4 + 3 + 16 + 4 + 3 + n + 16 + 4 + 3 }'
}

# Sample where data byte K starts when the file opens a recording at 44.1 kHz, T = 16.
sample_of_byte() { echo $(( 22050 + 16 * $(periods_to_byte "$@") )); }

# The standard recording of a truth file, shared by most ladders.
base_wav() {  # name
  local wav=$WORK/base/$1.wav
  if [ ! -f "$wav" ]; then
    encode "$wav.tmp.wav" "$WORK/truth/$1.bin" --period 16
    mv "$wav.tmp.wav" "$wav"
  fi
  echo "$wav"
}

# ---- ladders ----------------------------------------------------------------

all_ladders=(white pink brown jitter wow fast slow wander highpass allpass dropout hum clip quant8 delay
  delay+noise band mp3 formats tune tune-dropout zero-run lowrate)
read -r -a ladders <<<"${LADDERS:-${all_ladders[*]}}"

declare -A rungs title unit
title[white]="white noise, SNR";            unit[white]=dB;    rungs[white]="30 20 15 12 9 6 3 0 -3"
title[pink]="pink noise, SNR";              unit[pink]=dB;     rungs[pink]="30 20 15 12 9 6 3 0 -3"
title[brown]="brown noise, SNR";            unit[brown]=dB;    rungs[brown]="20 10 0 -6 -12 -20"
title[jitter]="edge jitter, RMS";           unit[jitter]=smp;  rungs[jitter]="0.1 0.2 0.3 0.5 0.75 1.1"
title[wow]="wow and flutter, peak";         unit[wow]=%;       rungs[wow]="1 3 8 20"
title[fast]="speed factor";                 unit[fast]=x;      rungs[fast]="1.05 1.1 1.3 1.5"
title[slow]="speed factor";                 unit[slow]=x;      rungs[slow]="0.95 0.9 0.7 0.6"
title[wander]="baseline wander, peak/RMS";  unit[wander]=x;    rungs[wander]="0.5 1 2 4 8 16"
title[highpass]="AC coupling, corner";      unit[highpass]=Hz; rungs[highpass]="50 500 2000 5000 8000"
title[allpass]="all-pass sections at 2 kHz"; unit[allpass]=;   rungs[allpass]="1 2 4 8 16 32"
title[dropout]="4 dropouts of 20 ms, depth"; unit[dropout]=dB; rungs[dropout]="3 6 10 15 20 30"
title[hum]="60 Hz hum, level over signal";  unit[hum]=dB;      rungs[hum]="-20 -10 -6 0 6 10 20"
title[clip]="clipping, fraction of peak";   unit[clip]=;       rungs[clip]="0.5 0.1 0.02"
title[quant8]="8-bit PCM after a gain";     unit[quant8]=dB;   rungs[quant8]="0 -24 -36 -40 -42 -44 -46"
title[delay]="stereo, right channel late";  unit[delay]=smp;   rungs[delay]="1 8 64 1000"
title[delay+noise]="stereo 8 smp apart, white noise per channel, SNR"; unit[delay+noise]=dB
rungs[delay+noise]="20 12 9 6 3 0 -3"
title[band]="band 80 Hz to";                unit[band]=Hz;     rungs[band]="8000 5000 4000 3000 2500 2000"
title[mp3]="MP3 (lame, CBR mono)";          unit[mp3]=kbps;    rungs[mp3]="192 128 64 48 32 24 16 8"
title[formats]="rate/T, white noise 15 dB"; unit[formats]=;    rungs[formats]="96000/24 48000/16 44100/12 22050/8 22050/6"
title[tune]="tuning length";                unit[tune]=imp;    rungs[tune]="4096 2048 1024 512 256 128 64 32"
title[tune-dropout]="35 ms dropout in the tuning, impulses left after it"; unit[tune-dropout]=imp
rungs[tune-dropout]="1024 256 128 64 32"
title[zero-run]="cut inside 200 zero bytes, bytes left"; unit[zero-run]=B; rungs[zero-run]="25 100 150 199"
title[lowrate]="11025 Hz T=6 -> 44.1 kHz, 80 Hz-5 kHz, SNR"; unit[lowrate]=dB; rungs[lowrate]="30 20 15 12 9 6 3 0 -3"

# Writes DIR/rec.wav, DIR/truth (the truth files, one a line) and DIR/opts
# (extra decoder options) for one rung of a ladder.
make_ladder_case() {  # dir ladder value seed size
  local dir=$1 ladder=$2 v=$3 seed=$4 size=$5
  local name=t${seed}k$(( size / 1024 ))
  local truth=$WORK/truth/$name.bin
  local s=$(( seed * 1000 + size / 1024 ))
  echo "$truth" >"$dir/truth"
  : >"$dir/opts"
  case $ladder in
    white | pink | brown) "$DEGRADE" "$(base_wav "$name")" "$dir/rec.wav" "$ladder" "$v" --seed $s ;;
    jitter)
      # Uniform jitter of +-J has an RMS of J/sqrt(3).
      encode "$dir/rec.wav" "$truth" --period 16 --jitter "$(awk -v r="$v" 'BEGIN { printf "%.6f", r * sqrt(3) }')" \
        --jitter-seed $s ;;
    wow) "$DEGRADE" "$(base_wav "$name")" "$dir/rec.wav" wow "$v" --seed $s ;;
    fast | slow) "$DEGRADE" "$(base_wav "$name")" "$dir/rec.wav" speed "$v" ;;
    wander) "$DEGRADE" "$(base_wav "$name")" "$dir/rec.wav" wander "$v" --seed $s ;;
    highpass) "$DEGRADE" "$(base_wav "$name")" "$dir/rec.wav" highpass "$v" ;;
    allpass) "$DEGRADE" "$(base_wav "$name")" "$dir/rec.wav" allpass "$v" --corner 2000 ;;
    dropout)
      "$DEGRADE" "$(base_wav "$name")" "$dir/d.wav" dropout 4 --length 20 --depth "$v" --seed $s
      "$DEGRADE" "$dir/d.wav" "$dir/rec.wav" white 30 --seed $s ;;
    hum) "$DEGRADE" "$(base_wav "$name")" "$dir/rec.wav" hum "$v" --seed $s ;;
    clip) "$DEGRADE" "$(base_wav "$name")" "$dir/rec.wav" clip "$v" ;;
    quant8) "$DEGRADE" "$(base_wav "$name")" "$dir/rec.wav" quant8 "$v" ;;
    delay) "$DEGRADE" "$(base_wav "$name")" "$dir/rec.wav" delay "$v" ;;
    delay+noise)
      "$DEGRADE" "$(base_wav "$name")" "$dir/d.wav" delay 8
      "$DEGRADE" "$dir/d.wav" "$dir/rec.wav" white "$v" --seed $s ;;
    band) sox -R -D "$(base_wav "$name")" -b 16 "$dir/rec.wav" sinc 80-"$v" 2>/dev/null ;;
    mp3)
      lame --quiet -m m --cbr -b "$v" "$(base_wav "$name")" "$dir/rec.mp3"
      lame --quiet --decode "$dir/rec.mp3" "$dir/rec.wav" ;;
    formats)
      encode "$dir/clean.wav" "$truth" --rate "${v%/*}" --period "${v#*/}"
      "$DEGRADE" "$dir/clean.wav" "$dir/rec.wav" white 15 --seed $s ;;
    tune) encode "$dir/rec.wav" "$truth" --period 16 --tune "$v" ;;
    tune-dropout)
      # The dropout ends v impulses before the first marker.
      local at=$(( 22050 + (4096 - v) * 16 - 1544 ))
      "$DEGRADE" "$(base_wav "$name")" "$dir/d.wav" dropout 1 --length 35 --depth 40 --at "$(awk -v a=$at 'BEGIN { printf "%.6f", a / 44100 }')"
      "$DEGRADE" "$dir/d.wav" "$dir/rec.wav" white 30 --seed $s ;;
    zero-run)
      # File A: 1024 random bytes, 200 zero bytes, 256 random bytes; then the truth file.
      local a=$WORK/truth/z$seed.bin
      encode "$dir/full.wav" "$a" "$truth" --period 16
      sox "$dir/full.wav" "$dir/rec.wav" trim "$(sample_of_byte "$a" "z$seed" $(( 1024 + 200 - v )))s"
      echo --multi-file >"$dir/opts" ;;
    lowrate)
      encode "$dir/low.wav" "$truth" --rate 11025 --period 6
      sox -R -D "$dir/low.wav" -b 16 "$dir/wide.wav" rate -v 44100 sinc 80-5000 2>/dev/null
      "$DEGRADE" "$dir/wide.wav" "$dir/rec.wav" white "$v" --seed $s ;;
    *) echo "unknown ladder $ladder" >&2; return 1 ;;
  esac
}

# ---- the negative set -------------------------------------------------------

# A repeatable draw in 0 .. N-1 into R (bash's own $RANDOM differs between versions).
rnd() { RNG=$(( (RNG * 1103515245 + 12345) & 0x7fffffff )); R=$(( (RNG >> 8) % $1 )); }

speech_like() {  # out.wav seconds
  rnd 120; local f0=$(( 90 + R )); rnd 50; local f1=$(( f0 * (70 + R) / 100 ))
  rnd 600; local a=$(( 300 + R )); rnd 1600; local b=$(( 900 + R )); rnd 1000; local c=$(( 2300 + R ))
  rnd 30; local syl=$(( 30 + R ))
  sox -R -D -r 44100 -n -b 16 -c 1 "$1" synth "$2" sawtooth $f0-$f1 lowpass 4000 \
    equalizer $a 2q +18 equalizer $b 3q +14 equalizer $c 4q +10 tremolo "${syl:0:1}.${syl:1}" 90 gain -n -6
}

music_like() {  # out.wav seconds
  local waves=(pluck sine square triangle sawtooth) notes=(C3 D3 E3 G3 A3 C4 D4 E4 G4 A4 C5 E5 G5) parts=()
  local chord k
  rnd 5; local wave=${waves[$R]}
  for chord in 1 2 3; do
    local tones=()
    for k in 1 2 3; do rnd 13; tones+=("$wave" "${notes[$R]}"); done
    sox -R -D -c 3 -r 44100 -n -b 16 -c 1 "$1.$chord.wav" synth "$(awk -v s="$2" 'BEGIN { print s / 3 }')" "${tones[@]}" \
      remix - fade q 0.02 -0 0.4 gain -n -8
    parts+=("$1.$chord.wav")
  done
  sox "${parts[@]}" "$1"
  rm -f "${parts[@]}"
}

# Writes DIR/rec.wav, DIR/truth (files that may, not must, be written) and DIR/opts.
make_negative_case() {  # dir kind index
  local dir=$1 kind=$2 i=$3
  RNG=$(( i * 2654435761 % 2147483647 + 17 ))
  : >"$dir/truth"
  if [ $(( i % 2 )) = 1 ]; then echo --multi-file >"$dir/opts"; else : >"$dir/opts"; fi
  sox -R -D -r 44100 -n -b 16 -c 1 "$dir/silence.wav" trim 0 3
  case $kind in
    white@* | pink@* | brown@*)
      "$DEGRADE" "$dir/silence.wav" "$dir/rec.wav" "${kind%@*}" 0 --reference-db "${kind#*@}" --seed "$i" ;;
    hum)
      rnd 30; "$DEGRADE" "$dir/silence.wav" "$dir/h.wav" hum 0 --reference-db "-$(( 6 + R ))" --seed "$i"
      "$DEGRADE" "$dir/h.wav" "$dir/rec.wav" white 0 --reference-db -50 --seed "$i" ;;
    speech) speech_like "$dir/rec.wav" 3 ;;
    music) music_like "$dir/rec.wav" 3 ;;
    tone)
      # A steady tone at the tuning frequency of T = 16 or 12, then speech, music or noise.
      rnd 2; local hz=$(( R ? 3675 : 2756 )); rnd 2; local shape=$(( R ? 1 : 0 ))
      sox -R -D -r 44100 -n -b 16 -c 1 "$dir/tone.wav" synth 2 "$([ $shape = 1 ] && echo square || echo sine)" $hz gain -n -6
      rnd 3
      case $R in
        0) speech_like "$dir/after.wav" 1.5 ;;
        1) music_like "$dir/after.wav" 1.5 ;;
        2) "$DEGRADE" "$dir/silence.wav" "$dir/after.wav" white 0 --reference-db -10 --seed "$i" ;;
      esac
      sox "$dir/tone.wav" "$dir/after.wav" "$dir/rec.wav" ;;
    snr-10 | snr-15 | dropped)
      local name=n$i
      make_truth "$name" 256 "$(( i + 500 ))"
      echo "$WORK/truth/$name.bin" >"$dir/truth"
      encode "$dir/clean.wav" "$WORK/truth/$name.bin" --period 16
      case $kind in
        snr-10) "$DEGRADE" "$dir/clean.wav" "$dir/rec.wav" white -10 --seed "$i" ;;
        snr-15) "$DEGRADE" "$dir/clean.wav" "$dir/rec.wav" white -15 --seed "$i" ;;
        dropped)
          # 80% of the data, from a tenth of it on, under 80 dB of dropout, then hiss.
          local from to
          from=$(sample_of_byte "$WORK/truth/$name.bin" "$name" 0)
          to=$(sample_of_byte "$WORK/truth/$name.bin" "$name" 256)
          "$DEGRADE" "$dir/clean.wav" "$dir/d.wav" dropout 1 --depth 80 \
            --at "$(awk -v a="$from" -v b="$to" 'BEGIN { printf "%.6f", (a + (b - a) / 10) / 44100 }')" \
            --length "$(awk -v a="$from" -v b="$to" 'BEGIN { printf "%.3f", (b - a) * 0.8 / 44.1 }')"
          "$DEGRADE" "$dir/d.wav" "$dir/rec.wav" white 30 --seed "$i" ;;
      esac ;;
    cut-*)
      # Files A (384 bytes) and B (256 bytes) half a second apart, cut inside one
      # or both; only a file left whole may be written.
      local a=na$i b=nb$i
      make_truth "$a" 384 "$(( i + 700 ))"
      make_truth "$b" 256 "$(( i + 900 ))"
      encode "$dir/a.wav" "$WORK/truth/$a.bin" --period 16
      encode "$dir/full.wav" "$WORK/truth/$a.bin" "$WORK/truth/$b.bin" --period 16 --gap 0.5
      local alen b0 cut1 cut2
      alen=$(( $(soxi -s "$dir/a.wav") - 44100 ))  # file A without its silences
      b0=$(( 22050 + alen + 22050 ))                # where B's tuning starts
      rnd 80; cut1=$(sample_of_byte "$WORK/truth/$a.bin" "$a" $(( 384 * (10 + R) / 100 )))
      rnd 80; cut2=$(( b0 - 22050 + $(sample_of_byte "$WORK/truth/$b.bin" "$b" $(( 256 * (10 + R) / 100 ))) ))
      echo --multi-file >"$dir/opts"
      case $kind in
        cut-head) sox "$dir/full.wav" "$dir/rec.wav" trim "${cut1}s"; echo "$WORK/truth/$b.bin" >"$dir/truth" ;;
        cut-tail) sox "$dir/full.wav" "$dir/rec.wav" trim 0s "${cut2}s"; echo "$WORK/truth/$a.bin" >"$dir/truth" ;;
        cut-in-a) sox "$dir/full.wav" "$dir/rec.wav" trim 0s "${cut1}s" ;;
        cut-both) sox "$dir/full.wav" "$dir/rec.wav" trim "${cut1}s" "=${cut2}s" ;;
      esac ;;
    *) echo "unknown negative kind $kind" >&2; return 1 ;;
  esac
}

# ---- decoding and judging ---------------------------------------------------

# Decodes DIR/rec.wav alone in DIR/MODE with the mode's options under the CPU
# cap; prints "recovered false-accepts flagged cpu-seconds truths-found capped".
decode() {  # dir mode options
  local dir=$1 run=$1/$2 opts=$3 t
  mkdir -p "$run/config"
  ln "$dir/rec.wav" "$run/rec.wav"
  # shellcheck disable=SC2046,SC2086
  (ulimit -t "$CPU_CAP"; cd "$run" && XDG_CONFIG_HOME=$run/config exec /usr/bin/time -f '%U %S' -o "$run/time" \
    "$CLI" $opts $(cat "$dir/opts") rec.wav >/dev/null 2>&1) || true
  local found=0 wanted fa=0 flagged=0 bin match capped=0
  local -a truths
  mapfile -t truths <"$dir/truth"
  declare -A hit=()
  for bin in "$run"/*.bin; do
    [ -e "$bin" ] || continue
    match=
    for t in "${truths[@]}"; do
      if cmp -s "$bin" "$t"; then match=$t; hit[$t]=1; break; fi
    done
    if [ -z "$match" ]; then
      fa=$(( fa + 1 ))
      case $bin in *_BadCRC* | *_BADRecognize*) flagged=$(( flagged + 1 )) ;; esac
    fi
  done
  wanted=${#truths[@]}
  found=${#hit[@]}
  grep -q 'signal' "$run/time" && capped=1
  local cpu
  cpu=$(tail -n 1 "$run/time" | awk '{ printf "%.3f", $1 + $2 }')
  echo "$(( found == wanted ? 1 : 0 )) $fa $flagged $cpu $found $capped"
  rm -rf "$run"
}

# Makes one recording and decodes it in the modes asked for ("-" fields for
# a mode not run); its result line goes to RESULT. Arguments: result file,
# L or N, run sweep (0/1), run deep (0/1), then "ladder rung-index value seed
# size" or "kind index".
run_case() {
  local result=$1 type=$2 sweep=$3 deep=$4
  shift 4
  local dir=$WORK/cases/${result##*/} t0 made
  mkdir -p "$dir"
  t0=$(date +%s.%N)
  if [ "$type" = L ]; then
    (set -e; make_ladder_case "$dir" "$1" "$3" "$4" "$5") >"$dir/make.log" 2>&1
  else
    (set -e; make_negative_case "$dir" "$1" "$2") >"$dir/make.log" 2>&1
  fi || {
    echo "MAKEFAIL $type $*" >"$result"; cp "$dir/make.log" "$result.log"; rm -rf "$dir"; return 0
  }
  made=$(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
  local s="- - - - - -" d="- - - - - -"
  [ "$sweep" = 1 ] && s=$(decode "$dir" sweep "$SWEEP_OPTS")
  [ "$deep" = 1 ] && d=$(decode "$dir" deep "$DEEP_OPTS")
  echo "$type $* $s $d $made" >"$result"
  rm -rf "$dir"
}

# Climbs one ladder rung by rung. A 16 KiB recording stops climbing in a
# mode after a rung at which no 16 KiB recording was read in that mode, since
# a failed deep recovery of one costs tens of seconds; 2 KiB recordings
# climb every rung, so false accepts are counted under every damage.
run_ladder() {  # ladder
  local ladder=$1 k=0 v pair seed size id stopS=0 stopD=0 r
  for v in ${RUNGS[$ladder]}; do
    local anyS=0 anyD=0 big=0
    for pair in $PAIRS; do
      seed=${pair%:*} size=${pair#*:}
      id=$WORK/results/L-$ladder-$k-$seed-$size
      if [ "$size" -gt 2048 ]; then
        if [ $stopS = 1 ] && [ $stopD = 1 ]; then continue; fi
        run_case "$id" L $(( 1 - stopS )) $(( 1 - stopD )) "$ladder" $k "$v" "$seed" "$size"
        read -r -a r <"$id"
        if [ "${r[0]}" != MAKEFAIL ]; then
          big=1
          [ "${r[6]}" = 1 ] && anyS=1
          [ "${r[12]}" = 1 ] && anyD=1
        fi
      else
        run_case "$id" L 1 1 "$ladder" $k "$v" "$seed" "$size"
      fi
    done
    if [ $big = 1 ]; then
      [ $stopS = 0 ] && [ $anyS = 0 ] && stopS=1
      [ $stopD = 0 ] && [ $anyD = 0 ] && stopD=1
    fi
    k=$(( k + 1 ))
  done
}

run_negatives() {  # "kind:index" ...
  local entry
  for entry in "$@"; do
    run_case "$WORK/results/N-${entry#*:}" N 1 1 "${entry%:*}" "${entry#*:}"
  done
}

export -f make_truth encode periods_to_byte sample_of_byte base_wav make_ladder_case rnd speech_like music_like \
  make_negative_case decode run_case run_ladder run_negatives

# ---- the run ----------------------------------------------------------------

for pair in "${pairs[@]}"; do
  seed=${pair%:*} size=${pair#*:}
  make_truth "t${seed}k$(( size / 1024 ))" "$size" "$seed"
  base_wav "t${seed}k$(( size / 1024 ))" >/dev/null
done
for seed in $(printf '%s\n' "${pairs[@]}" | cut -d: -f1 | sort -u); do
  # zero-run's first file, made here so that parallel cases never race on it
  make_truth "z$seed.tmp" 1480 "$(( seed + 100 ))"
  dd if=/dev/zero of="$WORK/truth/z$seed.tmp.bin" bs=1 seek=$(( 4 + 1024 )) count=200 conv=notrunc status=none
  mv "$WORK/truth/z$seed.tmp.bin" "$WORK/truth/z$seed.bin"
done

# Exported as text: bash cannot export arrays.
rung_table=$(for ladder in "${ladders[@]}"; do printf '[%q]=%q ' "$ladder" "${rungs[$ladder]}"; done)
export RUNG_TABLE=$rung_table PAIRS="${pairs[*]}"

negatives=()
for level in -40 -26 -12 -3; do
  for colour in white pink brown; do negatives+=("$colour@$level:4"); done
done
negatives+=(hum:8 speech:40 music:40 tone:16 snr-10:12 snr-15:12 dropped:12 cut-head:8 cut-tail:8 cut-in-a:8 cut-both:8)
[ "${NEGATIVES:-1}" = 0 ] && negatives=()

# Work units, the costliest first: one per ladder, the negative set in chunks.
units=$WORK/units.txt
: >"$units"
for ladder in tune allpass jitter wander pink white brown hum mp3 delay+noise lowrate quant8 band formats "${ladders[@]}"; do
  case " ${ladders[*]} " in *" $ladder "*) ;; *) continue ;; esac
  grep -qx "ladder $ladder" "$units" || echo "ladder $ladder" >>"$units"
done
n=0
chunk=()
for entry in "${negatives[@]}"; do
  kind=${entry%:*}
  for (( j = 0; j < ${entry#*:}; ++j )); do
    n=$(( n + 1 ))
    if [ $quick = 1 ] && [ $(( n % 4 )) != 1 ]; then continue; fi
    chunk+=("$kind:$n")
    if [ ${#chunk[@]} = 20 ]; then echo "negatives ${chunk[*]}" >>"$units"; chunk=(); fi
  done
done
[ ${#chunk[@]} -gt 0 ] && echo "negatives ${chunk[*]}" >>"$units"

xargs -P "$jobs" -L 1 bash -c 'set -uo pipefail; declare -A RUNGS="($RUNG_TABLE)"
  if [ "$1" = ladder ]; then run_ladder "$2"; else shift; run_negatives "$@"; fi' _ <"$units" ||
  echo "recovery_bench: a work unit failed; its recordings are missing from the table" >&2

elapsed=$(( SECONDS - start_seconds ))

# ---- the table ----------------------------------------------------------------

mkdir -p "$(dirname "$out")"
{
  echo "Recovery benchmark$([ $quick = 1 ] && echo ' (quick)')"
  echo "sweep: varnetta-cli ${SWEEP_OPTS:-(no options)}   deep: varnetta-cli ${DEEP_OPTS:-(no options)}"
  echo "recordings per rung (seed:size in bytes): ${pairs[*]}; T = 16 at 44.1 kHz unless the ladder says otherwise"
  echo "per rung: recordings recovered / decoded (16 KiB ones stop climbing in a mode after a rung"
  echo "where none was read); FA: false accepts (those flagged as bad in brackets);"
  echo "CPU: mean user+system seconds per decode, and the largest; *: a milder rung was not wholly"
  echo "recovered; a decode is stopped after ${CPU_CAP}s of CPU (counted as capped)"
  echo
  for ladder in "${ladders[@]}"; do
    cat "$WORK"/results/* | awk -v ladder="$ladder" -v title="${title[$ladder]}" -v unit="${unit[$ladder]}" \
      -v values="${rungs[$ladder]}" '
      $1 == "MAKEFAIL" && $3 == ladder { fails++ }
      $1 == "L" && $2 == ladder {
        k = $3
        if ($7 != "-") { smade[k]++; sok[k] += $7; sfa += $8; sfl += $9; scpu += $10; sn++; scap += $12
                         if ($10 > smax) smax = $10 }
        if ($13 != "-") { dmade[k]++; dok[k] += $13; dfa += $14; dfl += $15; dcpu += $16; dn++; dcap += $18
                          if ($16 > dmax) dmax = $16 }
      }
      function mark(ok, made,  i, best, gap) {
        best = -1; gap = 0
        for (i = 0; i < n; ++i) if (made[i] > 0 && ok[i] == made[i]) best = i
        for (i = 0; i < best; ++i) if (ok[i] != made[i]) gap = 1
        return best < 0 ? "none" : v[best + 1] (unit == "" ? "" : " " unit) (gap ? " *" : "")
      }
      function cell(ok, made) { return made > 0 ? ok + 0 "/" made : "-" }
      END {
        n = split(values, v, " ")
        printf "%s: %s (%s)\n", ladder, title, unit == "" ? "count" : unit
        printf "  %-12s %10s %10s\n", "rung", "sweep", "deep"
        for (i = 0; i < n; ++i) printf "  %-12s %10s %10s\n", v[i + 1], cell(sok[i], smade[i]), cell(dok[i], dmade[i])
        printf "  %-12s %10s %10s\n", "break point", mark(sok, smade), mark(dok, dmade)
        printf "  %-12s %10s %10s\n", "FA", sfa + 0 "(" sfl + 0 ")", dfa + 0 "(" dfl + 0 ")"
        if (sn + dn) printf "  %-12s %10s %10s\n", "CPU mean", sprintf("%.3fs", sn ? scpu / sn : 0), sprintf("%.3fs", dn ? dcpu / dn : 0)
        if (sn + dn) printf "  %-12s %10s %10s\n", "CPU max", sprintf("%.2fs", smax), sprintf("%.2fs", dmax)
        if (scap + dcap) printf "  %-12s %10d %10d\n", "capped", scap, dcap
        if (fails) printf "  %d recordings could not be made\n", fails
        print ""
      }'
  done
  cat "$WORK"/results/* | awk '
    $1 == "L" { n++; if ($7 != "-") { sfa += $8; sn++ } if ($13 != "-") { dfa += $14; dn++ } }
    END { printf "ladders: %d recordings (%d sweep and %d deep decodes); false accepts: sweep %d, deep %d\n\n", n, sn, dn, sfa, dfa }'
  echo "negative set: recordings, false accepts (flagged), truth files that may be written and were"
  cat "$WORK"/results/* | awk -v kinds="${negatives[*]%:*}" '
    BEGIN { kinds = split(kinds, order, " ") }
    $1 == "MAKEFAIL" && $2 == "N" { fails++ }
    $1 == "N" {
      k = $2
      made[k]++; sfa[k] += $5; sfl[k] += $6; sfound[k] += $8; dfa[k] += $11; dfl[k] += $12; dfound[k] += $14
      total++; tsfa += $5; tdfa += $11; scpu += $7; dcpu += $13; cap += $9 + $15
    }
    END {
      printf "  %-10s %5s %10s %10s %7s %7s\n", "kind", "recs", "sweep FA", "deep FA", "s.found", "d.found"
      for (i = 1; i <= kinds; ++i) {
        k = order[i]
        if (!made[k]) continue
        printf "  %-10s %5d %10s %10s %7d %7d\n", k, made[k], sfa[k] "(" sfl[k] ")", dfa[k] "(" dfl[k] ")", sfound[k], dfound[k]
      }
      printf "  %-10s %5d %10d %10d\n", "total", total, tsfa, tdfa
      if (total) printf "  CPU per recording: sweep %.3fs, deep %.3fs\n", scpu / total, dcpu / total
      if (cap) printf "  %d decodes capped\n", cap
      if (fails) printf "  %d recordings could not be made\n", fails
    }'
  echo
  echo "wall time: ${elapsed}s with $jobs workers"
} | tee "$out"
cat "$WORK"/results/* | grep -v '^MAKEFAIL' >"$out.raw" || true

for log in "$WORK"/results/*.log; do
  [ -e "$log" ] || continue
  echo "could not make $(cat "${log%.log}"):" >&2
  cat "$log" >&2
done
