#include "recognition/Sweep.h"

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Utf8.h"
#include "dsp/Convolution.h"
#include "dsp/Kernel.h"
#include "recognition/AheadPasses.h"
#include "recognition/LogFiles.h"
#include "recognition/PassVerdict.h"
#include "recognition/Tolerances.h"
#include "tape/WaveParserFront.h"

namespace varnetta {

namespace {

// What a pass needs: the settings that enable it, and a stereo recording.
enum Requirement : unsigned {
  kAlways = 0,
  kFrontAnalyse = 1u << 0,
  kFrontAliasing = 1u << 1,
  kFrontLevels = 1u << 2,
  kStereo = 1u << 3,
};

enum class ParserKind { Front, Amp };

struct Pass {
  unsigned needs;
  ParserKind parser;
  const char* label;
  int channel;
};

// Every pass whose requirements hold runs, in this order; the first pass that
// decodes a file decides its bytes and name, so edges take precedence.
constexpr Pass kPasses[] = {
    {kFrontAnalyse, ParserKind::Front, "Фронты:Левый", 3},
    {kFrontAnalyse | kFrontAliasing, ParserKind::Front, "Фронты:Левый Г", 4},
    {kFrontAnalyse | kStereo, ParserKind::Front, "Фронты:Правый", 5},
    {kFrontAnalyse | kFrontAliasing | kStereo, ParserKind::Front, "Фронты:Правый Г", 6},
    {kFrontAnalyse | kStereo, ParserKind::Front, "Фронты:Микс", 7},
    {kFrontAnalyse | kFrontAliasing | kStereo, ParserKind::Front, "Фронты:Микс Г", 8},
    {kAlways, ParserKind::Amp, "Уровни:Левый", 0},
    {kFrontAnalyse | kFrontLevels, ParserKind::Amp, "Уровни:Левый Ф", 3},
    {kFrontAnalyse | kFrontLevels | kFrontAliasing, ParserKind::Amp, "Уровни:Левый ФГ", 4},
    {kStereo, ParserKind::Amp, "Уровни:Правый", 1},
    {kStereo, ParserKind::Amp, "Уровни:Микс", 2},
    {kFrontAnalyse | kFrontLevels | kStereo, ParserKind::Amp, "Уровни:Правый Ф", 5},
    {kFrontAnalyse | kFrontLevels | kFrontAliasing | kStereo, ParserKind::Amp, "Уровни:Правый ФГ", 6},
    {kFrontAnalyse | kFrontLevels | kStereo, ParserKind::Amp, "Уровни:Микс Ф", 7},
    {kFrontAnalyse | kFrontLevels | kFrontAliasing | kStereo, ParserKind::Amp, "Уровни:Микс ФГ", 8},
};

// One convolution of the conditioning: channel source into channel target.
struct ConvolutionStep {
  int source;
  int target;
  bool stereoOnly;
};
// The derivatives of the raw channels, then (FrontAliasing) their smoothing.
constexpr ConvolutionStep kDerivativeSteps[] = {{0, 3, false}, {1, 5, true}, {2, 7, true}};
constexpr ConvolutionStep kAliasingSteps[] = {{3, 4, false}, {5, 6, true}, {7, 8, true}};

// The impulse length for which the short fixed kernels replace the sine ones;
// also the kernel length when there is no conditioning.
constexpr std::int32_t kShortTunePeriod = 4;

unsigned Enabled(const AppSettings& settings, bool stereo) {
  unsigned enabled = 0;
  if (settings.FrontAnalyse != 0) enabled |= kFrontAnalyse;
  if (settings.FrontAliasing != 0) enabled |= kFrontAliasing;
  if (settings.FrontLevels != 0) enabled |= kFrontLevels;
  if (stereo) enabled |= kStereo;
  return enabled;
}

std::vector<const Pass*> EnabledPasses(unsigned enabled) {
  std::vector<const Pass*> passes;
  for (const Pass& pass : kPasses) {
    if ((pass.needs & enabled) == pass.needs) passes.push_back(&pass);
  }
  return passes;
}

// The rounded tuning impulse length of the first channel that has a tuning
// sequence (left, then right and mix of a stereo recording), or -1.
std::int32_t MeasureTunePeriod(CWaveParserAmp& parser, const WorkClip& channels, bool stereo) {
  const int candidates = stereo ? 3 : 1;
  std::int32_t period = -1;
  for (int channel = 0; channel < candidates && period < 1; ++channel) {
    period = parser.MeasureTunePeriod(channels.Channel(channel), channels.Level(channel));
  }
  return period;
}

std::unique_ptr<CWaveParserProto> MakeParser(ParserKind kind, const ImpulseTolerances& tolerances) {
  if (kind == ParserKind::Front) return std::make_unique<CWaveParserFront>(tolerances);
  return std::make_unique<CWaveParserAmp>(tolerances);
}

// A pass's recognition on a parser of its own, its report kept for later.
AheadPasses::Task RecognitionTask(const Pass& pass, const WorkClip& channels, const ImpulseTolerances& tolerances,
                                  const std::string& path) {
  return [&pass, &channels, tolerances, &path] {
    const std::unique_ptr<CWaveParserProto> parser = MakeParser(pass.parser, tolerances);
    PassRecognition result;
    parser->SetOwner(&result.report);
    const double level = pass.parser == ParserKind::Amp ? channels.Level(pass.channel) : 0.0;
    result.stage = parser->Recognize(result.record, channels.Channel(pass.channel), level, path, pass.label);
    result.data = std::move(parser->data);
    result.finalState = parser->State();
    return result;
  };
}

// The passes on the raw channels can run while the others are being conditioned.
std::vector<bool> ReadyBeforeConditioning(const std::vector<const Pass*>& passes) {
  std::vector<bool> ready;
  for (const Pass* pass : passes) ready.push_back(pass->channel < WorkClip::kFirstDerived);
  return ready;
}

// The enabled passes by the channel they read, so that the conditioning can
// let them start as soon as their channel is made, and can wait until they
// are done with a channel before it is overwritten.
class PassesOnChannels {
 public:
  PassesOnChannels(const std::vector<const Pass*>& passes, AheadPasses& ahead) : passes_(passes), ahead_(ahead) {}

  void Ready(int channel) {
    for (std::size_t i = 0; i < passes_.size(); ++i) {
      if (passes_[i]->channel == channel) ahead_.Release(i);
    }
  }
  void Finished(int channel) {
    for (std::size_t i = 0; i < passes_.size(); ++i) {
      if (passes_[i]->channel == channel) ahead_.Await(i);
    }
  }

 private:
  const std::vector<const Pass*>& passes_;
  AheadPasses& ahead_;
};

// What the conditioning works on and reports to.
struct Conditioning {
  WorkClip& channels;
  bool stereo;
  ProgressSink& progress;
  const StopRequest& stop;
  PassesOnChannels& passes;
};

// Convolves the channels of the steps with the kernel into their targets;
// false when a stop was requested after one of them. A channel the work clip
// holds is convolved in its own storage once the passes on it are done: that
// saves a full-length channel each.
bool Convolve(const Conditioning& c, std::span<const ConvolutionStep> steps, std::span<const double> kernel,
              std::string_view stageText) {
  for (const ConvolutionStep& step : steps) {
    if (step.stereoOnly && !c.stereo) continue;
    if (c.channels.Holds(step.source)) {
      c.passes.Finished(step.source);
      ApplyKernelInPlace(kernel, c.channels.TakeOver(step.source, step.target), stageText, c.progress, c.stop);
    } else {
      ApplyKernel(kernel, c.channels.Channel(step.source), c.channels.DerivedChannel(step.target, c.stop),
                  stageText, c.progress, c.stop);
    }
    c.passes.Ready(step.target);
    if (c.stop.IsRequested()) return false;
  }
  return true;
}

// Builds the derivative and, with aliasing, the smoothed derivative channels.
// False when a stop was requested.
bool Condition(const Conditioning& c, std::int32_t tunePeriod, bool aliasing) {
  const bool shortPeriod = tunePeriod == kShortTunePeriod;
  Signal kernel;
  BuildKernel(kernel, tunePeriod, shortPeriod ? KernelKind::CentralDifference : KernelKind::SinePeriod, c.progress);
  if (c.stop.IsRequested()) return false;
  if (!Convolve(c, kDerivativeSteps, kernel, "Свёртка")) return false;
  if (!aliasing) return true;
  BuildKernel(kernel, tunePeriod, shortPeriod ? KernelKind::StepPair : KernelKind::HalfSine, c.progress);
  std::reverse(kernel.begin(), kernel.end());
  if (c.stop.IsRequested()) return false;
  return Convolve(c, kAliasingSteps, kernel, "Сглаживание");
}

// One pass's effects, in pass order: its report, then what its result leads
// to. The amplitude parser goes on from where a level pass ended. Returns how
// far the pass got.
FurthestPass CommitPass(const SweepInputs& in, const Pass& pass, const PassRecognition& recognition,
                        SweepTallies& tallies) {
  for (const std::string& message : recognition.report.messages) in.report.AppendWorkLog(message);
  if (pass.parser == ParserKind::Amp) in.ampParser.SetState(recognition.finalState);
  const bool checksumMatches =
      ActOnRecognition(PassOutput{in.settings, in.recording.dir, in.report, tallies}, recognition.stage,
                       recognition.record, recognition.data ? &*recognition.data : nullptr);
  return {recognition.stage, checksumMatches, pass.label, recognition.finalState.position};
}

void WriteSummary(const SweepInputs& in, const SweepPiece& piece, const SweepTallies& tallies) {
  const RecordingLogs& logs = in.recording.logs;
  AppendToLog(logs.list, ListLogEntry(in.recording.path.string(), piece, tallies.saved, tallies.failures), in.report);
  AppendToLog(logs.recording, RecordingLogEntry(piece, tallies.saved, tallies.failures), in.report);
}

}  // namespace

bool GotFurther(const FurthestPass& a, const FurthestPass& b) {
  if (a.stage != b.stage) return a.stage > b.stage;
  return a.checksumMatches && !b.checksumMatches;
}

SweepResult RunSweep(const SweepInputs& in, const SweepPiece& piece) {
  in.report.SetTapeFileNumber(piece.fileNumber);
  const bool stereo = in.channels.ChannelCount() > 1;
  const bool frontAnalyse = in.settings.FrontAnalyse != 0;
  SweepResult result;

  std::int32_t tunePeriod = kShortTunePeriod;
  if (frontAnalyse) {
    tunePeriod = MeasureTunePeriod(in.ampParser, in.channels, stereo);
    if (tunePeriod < 1) {
      in.report.SetStage("Настроечная последовательность не найдена.");
      AppendToLog(in.recording.logs.list, ListLogTuningNotFound(in.recording.path.string()), in.report);
      return result;
    }
  }

  const std::vector<const Pass*> passes = EnabledPasses(Enabled(in.settings, stereo));
  const ImpulseTolerances tolerances = TolerancesOf(in.settings);
  // A name never breaks a line of the report.
  const std::string path = ReplaceControlCharacters(in.recording.path.string());
  std::vector<AheadPasses::Task> tasks;
  for (const Pass* pass : passes) tasks.push_back(RecognitionTask(*pass, in.channels, tolerances, path));
  AheadPasses ahead(std::move(tasks), ReadyBeforeConditioning(passes));

  in.report.ShowAnalysisSizes(in.channels.SampleCount(), tunePeriod);
  PassesOnChannels onChannels(passes, ahead);
  const Conditioning conditioning{in.channels, stereo, in.report, in.stop, onChannels};
  if (frontAnalyse && !Condition(conditioning, tunePeriod, in.settings.FrontAliasing != 0)) {
    result.stopped = true;
    return result;
  }

  ahead.ReleaseAll();
  for (std::size_t i = 0; i < passes.size(); ++i) {
    const FurthestPass reached = CommitPass(in, *passes[i], ahead.Take(i), result.tallies);
    if (!result.furthest || GotFurther(reached, *result.furthest)) result.furthest = reached;
    if (reached.checksumMatches) result.goodFileEnd = std::max(result.goodFileEnd.value_or(0), reached.position);
    if (in.stop.IsRequested()) {
      result.stopped = true;
      return result;
    }
  }
  WriteSummary(in, piece, result.tallies);
  return result;
}

}  // namespace varnetta
