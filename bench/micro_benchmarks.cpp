// Micro-benchmarks of the hot stages over one long noisy stereo recording:
// loading it, a convolution, the impulse measurement of both parsers, and a
// whole sweep with the default settings. Built with the project so that they
// keep compiling; run by hand (build/bench/micro_benchmarks).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "QuietReporter.h"
#include "app/ProcessingContext.h"
#include "app/Reporter.h"
#include "audio/AudioClip.h"
#include "audio/WavWriter.h"
#include "dsp/Convolution.h"
#include "dsp/Kernel.h"
#include "recognition/Sweep.h"
#include "recognition/Tolerances.h"
#include "tape/ChannelAlignment.h"
#include "tape/TapeSignalWriter.h"
#include "tape/WaveParserAmp.h"
#include "tape/WaveParserFront.h"

namespace varnetta {
namespace {

// A stop that is never requested.
const StopRequest kNeverStopped;

constexpr std::uint32_t kRate = 44100;
constexpr std::int32_t kTunePeriod = 12;


class QuietProgress final : public ProgressSink {
 public:
  void SetStage(std::string_view) override {}
  void ResetProgress(std::int32_t) override {}
  void SetProgressPosition(std::int32_t) override {}
};

// About a minute of stereo tape: 20 s of noise, then a tape file of 8 KB,
// with noise of a fixed seed over all of it; and the same as a 16-bit WAV.
struct Recording {
  std::filesystem::path dir;
  std::filesystem::path wav;
  AudioClip clip;

  Recording() {
    dir = std::filesystem::temp_directory_path() / ("varnetta-micro-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    wav = dir / "tape.wav";
    TapeRecord record;
    record.address = 0x1000;
    record.name = {'B', 'E', 'N', 'C', 'H'};
    std::mt19937 random(5);
    for (int i = 0; i < 8192; ++i) record.data.push_back(static_cast<std::uint8_t>(random() & 0xFF));
    TapeSignalOptions options;
    options.period = kTunePeriod;
    options.leadingSilence = 20 * kRate;
    options.trailingSilence = kRate;
    const std::vector<TapeRecord> records{record};
    Signal signal = WriteTapeSignal(records, options)->samples;
    std::vector<Signal> channels{signal, signal};
    for (Signal& channel : channels) {
      for (double& sample : channel) sample += (static_cast<double>(random()) / 4294967295.0 - 0.5) * 0.04;
    }
    std::string error;
    WriteWavFile(wav, channels, kRate, WavSampleFormat::Pcm16, error);
    clip.Load(wav.string());
  }
  ~Recording() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

Recording& TheRecording() {
  static Recording recording;
  return recording;
}

void SetSamples(benchmark::State& state, std::size_t perIteration) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(perIteration));
}

void BM_Load(benchmark::State& state) {
  Recording& recording = TheRecording();
  AudioClip clip;
  for (auto _ : state) benchmark::DoNotOptimize(clip.Load(recording.wav.string()));
  SetSamples(state, 2 * static_cast<std::size_t>(clip.SampleCount()));
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

// The derivative (full sine period) or the smoothing (half sine) of the left channel.
void BM_ApplyKernel(benchmark::State& state) {
  const SignalView source = TheRecording().clip.channels[0];
  QuietProgress progress;
  Signal kernel;
  BuildKernel(kernel, kTunePeriod, state.range(0) == 0 ? KernelKind::SinePeriod : KernelKind::HalfSine, progress);
  Signal target(source.size());
  for (auto _ : state) {
    ApplyKernel(kernel, source, target, "", progress, kNeverStopped);
    benchmark::ClobberMemory();
  }
  SetSamples(state, source.size());
}
BENCHMARK(BM_ApplyKernel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The left channel as a parser of this kind reads it in a sweep: raw for
// levels, its derivative for edges.
template <class Parser>
Signal ChannelFor() {
  Signal signal = TheRecording().clip.channels[0];
  if (std::is_same_v<Parser, CWaveParserFront>) {
    QuietProgress progress;
    Signal kernel;
    BuildKernel(kernel, kTunePeriod, KernelKind::SinePeriod, progress);
    Signal derivative(signal.size());
    ApplyKernel(kernel, signal, derivative, "", progress, kNeverStopped);
    signal.swap(derivative);
  }
  return signal;
}

// Every impulse of the channel, one call each.
template <class Parser>
void BM_NextImpulse(benchmark::State& state) {
  Parser parser(TolerancesOf(AppSettings{}));
  const Signal signal = ChannelFor<Parser>();
  parser.SearchFrom(0, CWaveParserProto::MeanLevel(signal));
  for (auto _ : state) {
    std::int32_t cursor = 0;
    std::int64_t impulses = 0;
    while (parser.NextImpulse(signal, cursor) >= 0) ++impulses;
    benchmark::DoNotOptimize(impulses);
  }
  SetSamples(state, signal.size());
}
BENCHMARK(BM_NextImpulse<CWaveParserAmp>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextImpulse<CWaveParserFront>)->Unit(benchmark::kMillisecond);

// The search for the tuning sequence, which crosses the 20 s of noise in
// front of the tape file: what every pass of a sweep begins with.
template <class Parser>
void BM_FindSequence(benchmark::State& state) {
  Parser parser(TolerancesOf(AppSettings{}));
  const Signal signal = ChannelFor<Parser>();
  DecodingState start;
  start.level = CWaveParserProto::MeanLevel(signal);
  for (auto _ : state) {
    parser.SetState(start);
    std::int32_t runStart = 0;
    std::int32_t length = 0;
    benchmark::DoNotOptimize(parser.FindSequence(signal, kTuneRunLength, true, runStart, length));
  }
  SetSamples(state, static_cast<std::size_t>(parser.State().position));
}
BENCHMARK(BM_FindSequence<CWaveParserAmp>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindSequence<CWaveParserFront>)->Unit(benchmark::kMillisecond);

// A whole sweep with the default settings on the mixed stereo recording.
void BM_RunSweep(benchmark::State& state) {
  Recording& recording = TheRecording();
  QuietReporter reporter;
  ProcessingContext context(reporter);
  const std::filesystem::path out = recording.dir / "sweep";
  context.recording = LocateRecording(out / "tape.wav");
  const Signal& left = recording.clip.channels[0];
  const Signal& right = recording.clip.channels[1];
  Signal mix(left.size());
  const ChannelLevels levels{CWaveParserProto::MeanLevel(left), CWaveParserProto::MeanLevel(right)};
  MixChannels(context.ampParser, left, right, levels, mix, context, context, kNeverStopped);
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    context.workClip.Assign({left, right, mix});
    state.ResumeTiming();
    benchmark::DoNotOptimize(RunSweep(context.ForSweep(), SweepPiece{1, true, 0, static_cast<std::int32_t>(left.size())}));
  }
  SetSamples(state, left.size());
}
BENCHMARK(BM_RunSweep)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varnetta

BENCHMARK_MAIN();
