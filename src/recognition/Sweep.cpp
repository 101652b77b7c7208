#include "recognition/Sweep.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/ProcessingContext.h"
#include "dsp/Convolution.h"
#include "dsp/Kernel.h"
#include "recognition/AheadPasses.h"
#include "recognition/LogFiles.h"
#include "recognition/LogLines.h"
#include "recognition/PassVerdict.h"

namespace varnetta {

namespace {

enum Requirement : unsigned {
  kAlways = 0,
  kFronts = 1u << 0,     // FrontAnalyse
  kSmoothed = 1u << 1,   // FrontAliasing
  kLevelsOnFronts = 1u << 2,  // FrontLevels
  kStereo = 1u << 3,
};

enum class ParserKind { Edges, Levels };

struct Pass {
  unsigned needs;
  ParserKind parser;
  const char* label;
  int channel;
};

// Every pass whose requirements hold runs, in this order; the first pass that
// decodes a file decides its bytes and name, so edges take precedence.
constexpr Pass kPasses[] = {
    {kFronts, ParserKind::Edges, "Фронты:Левый", 3},
    {kFronts | kSmoothed, ParserKind::Edges, "Фронты:Левый Г", 4},
    {kFronts | kStereo, ParserKind::Edges, "Фронты:Правый", 5},
    {kFronts | kSmoothed | kStereo, ParserKind::Edges, "Фронты:Правый Г", 6},
    {kFronts | kStereo, ParserKind::Edges, "Фронты:Микс", 7},
    {kFronts | kSmoothed | kStereo, ParserKind::Edges, "Фронты:Микс Г", 8},
    {kAlways, ParserKind::Levels, "Уровни:Левый", 0},
    {kFronts | kLevelsOnFronts, ParserKind::Levels, "Уровни:Левый Ф", 3},
    {kFronts | kLevelsOnFronts | kSmoothed, ParserKind::Levels, "Уровни:Левый ФГ", 4},
    {kStereo, ParserKind::Levels, "Уровни:Правый", 1},
    {kStereo, ParserKind::Levels, "Уровни:Микс", 2},
    {kFronts | kLevelsOnFronts | kStereo, ParserKind::Levels, "Уровни:Правый Ф", 5},
    {kFronts | kLevelsOnFronts | kSmoothed | kStereo, ParserKind::Levels, "Уровни:Правый ФГ", 6},
    {kFronts | kLevelsOnFronts | kStereo, ParserKind::Levels, "Уровни:Микс Ф", 7},
    {kFronts | kLevelsOnFronts | kSmoothed | kStereo, ParserKind::Levels, "Уровни:Микс ФГ", 8},
};

// Convolutions of the conditioning, in their order: source, target, stereo only.
struct Convolution {
  int source;
  int target;
  bool stereoOnly;
};
constexpr Convolution kDerivatives[] = {{0, 3, false}, {1, 5, true}, {2, 7, true}};
constexpr Convolution kSmoothings[] = {{3, 4, false}, {5, 6, true}, {7, 8, true}};

// The impulse length for which the short fixed kernels replace the sine ones.
constexpr std::int32_t kShortTunePeriod = 4;

unsigned Enabled(const AppSettings& settings, bool stereo) {
  unsigned enabled = 0;
  if (settings.FrontAnalyse != 0) enabled |= kFronts;
  if (settings.FrontAliasing != 0) enabled |= kSmoothed;
  if (settings.FrontLevels != 0) enabled |= kLevelsOnFronts;
  if (stereo) enabled |= kStereo;
  return enabled;
}

// The rounded tuning impulse length of the first channel that has a tuning
// sequence (left, then right and mix of a stereo recording), or -1.
std::int32_t MeasureTunePeriod(ProcessingContext& context, bool stereo) {
  const int candidates = stereo ? 3 : 1;
  std::int32_t period = -1;
  for (int channel = 0; channel < candidates && period < 1; ++channel) {
    period = context.ampParser.MeasureTunePeriod(context.workClip.Channel(channel), context.workClip.Level(channel));
  }
  return period;
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

// Convolves the listed channels with the context's kernel into their
// targets; false when a stop was requested after one of them. A channel the
// work clip holds is convolved in its own storage once the passes on it are
// done: that saves a full-length channel each.
template <std::size_t N>
bool Convolve(ProcessingContext& context, const Convolution (&steps)[N], bool stereo, std::string_view stageText,
              PassesOnChannels& passes) {
  WorkClip& work = context.workClip;
  for (const Convolution& step : steps) {
    if (step.stereoOnly && !stereo) continue;
    if (work.Holds(step.source)) {
      passes.Finished(step.source);
      ApplyKernelInPlace(context.kernel, work.TakeOver(step.source, step.target), stageText, context);
    } else {
      ApplyKernel(context.kernel, work.Channel(step.source), work.DerivedChannel(step.target), stageText, context);
    }
    passes.Ready(step.target);
    if (context.StopRequested()) return false;
  }
  return true;
}

// Builds the derivative and, when enabled, smoothed derivative channels.
// False when a stop was requested.
bool Condition(ProcessingContext& context, std::int32_t tunePeriod, bool stereo, PassesOnChannels& passes) {
  const bool shortPeriod = tunePeriod == kShortTunePeriod;
  BuildKernel(context.kernel, tunePeriod, shortPeriod ? KernelKind::CentralDifference : KernelKind::SinePeriod,
              context);
  if (context.StopRequested()) return false;
  if (!Convolve(context, kDerivatives, stereo, "Свёртка", passes)) return false;
  if (context.settings.FrontAliasing == 0) return true;
  BuildKernel(context.kernel, tunePeriod, shortPeriod ? KernelKind::StepPair : KernelKind::HalfSine, context);
  std::reverse(context.kernel.begin(), context.kernel.end());
  if (context.StopRequested()) return false;
  return Convolve(context, kSmoothings, stereo, "Сглаживание", passes);
}

CWaveParserProto& ParserFor(ProcessingContext& context, ParserKind kind) {
  if (kind == ParserKind::Edges) return context.frontParser;
  return context.ampParser;
}

std::vector<const Pass*> EnabledPasses(unsigned enabled) {
  std::vector<const Pass*> passes;
  for (const Pass& pass : kPasses) {
    if ((pass.needs & enabled) == pass.needs) passes.push_back(&pass);
  }
  return passes;
}

// A pass's recognition on a parser of its own, its report kept for later.
AheadPasses::Task RecognitionTask(const ProcessingContext& context, const Pass& pass, const std::string& path) {
  return [&context, &pass, &path] {
    PassRecognition result;
    if (pass.parser == ParserKind::Edges) {
      result.parser = std::make_unique<CWaveParserFront>(context.settings);
    } else {
      result.parser = std::make_unique<CWaveParserAmp>(context.settings);
    }
    result.parser->SetOwner(&result.report);
    const WorkClip& work = context.workClip;
    const double level = pass.parser == ParserKind::Levels ? work.Level(pass.channel) : 0.0;
    result.recognised = result.parser->Recognize(result.record, work.Channel(pass.channel), level, path, pass.label);
    result.parser->SetOwner(nullptr);
    return result;
  };
}

// The passes on the raw channels can run while the others are being conditioned.
std::vector<bool> ReadyBeforeConditioning(const std::vector<const Pass*>& passes) {
  std::vector<bool> ready;
  for (const Pass* pass : passes) ready.push_back(pass->channel < WorkClip::kFirstDerived);
  return ready;
}

// One pass's effects, in pass order: its report, then what its result leads
// to, with the context's parser left as if the recognition had run on it.
void CommitPass(ProcessingContext& context, const Pass& pass, PassRecognition recognition) {
  static const std::vector<std::uint8_t> kNoData;
  for (const std::string& message : recognition.report.messages) context.AppendWorkLog(message);
  CWaveParserProto& parser = ParserFor(context, pass.parser);
  parser.TakeDecodingState(*recognition.parser);
  ActOnRecognition(context, recognition.recognised, recognition.record, parser.data ? *parser.data : kNoData);
}

void WriteSummary(const ProcessingContext& context, const SweepPiece& piece) {
  AppendToLogFile(context.recordingDir / kListLogFileName,
                  ListLogEntry(context.recordingPath.string(), piece, context.savedTally, context.failureTally));
  AppendToLogFile(RecordingLogPath(context.recordingDir, context.recordingPath),
                  RecordingLogEntry(piece, context.savedTally, context.failureTally));
}

}  // namespace

bool RunSweep(ProcessingContext& context, std::int32_t fileNumber, bool wholeRecording, std::int32_t firstSample,
              std::int32_t endSample) {
  context.SetTapeFileNumber(fileNumber);
  const bool stereo = context.workClip.ChannelCount() > 1;
  const std::int32_t samples = context.workClip.SampleCount();
  const AppSettings& settings = context.settings;

  const std::vector<const Pass*> passes = EnabledPasses(Enabled(settings, stereo));
  const std::string path = context.recordingPath.string();
  std::vector<AheadPasses::Task> tasks;
  for (const Pass* pass : passes) tasks.push_back(RecognitionTask(context, *pass, path));
  AheadPasses ahead(std::move(tasks), ReadyBeforeConditioning(passes));

  std::int32_t tunePeriod = kShortTunePeriod;
  if (settings.FrontAnalyse != 0) {
    tunePeriod = MeasureTunePeriod(context, stereo);
    if (tunePeriod < 1) {
      context.SetStage("Настроечная последовательность не найдена.");
      AppendToLogFile(context.recordingDir / kListLogFileName,
                      ListLogTuningNotFound(context.recordingPath.string()));
      return true;
    }
  }
  context.ShowAnalysisSizes(samples, tunePeriod);
  PassesOnChannels onChannels(passes, ahead);
  if (settings.FrontAnalyse != 0 && !Condition(context, tunePeriod, stereo, onChannels)) return false;

  ahead.ReleaseAll();
  for (std::size_t i = 0; i < passes.size(); ++i) {
    CommitPass(context, *passes[i], ahead.Take(i));
    if (context.StopRequested()) return false;
  }

  WriteSummary(context, SweepPiece{fileNumber, wholeRecording, firstSample, endSample});
  context.savedTally.clear();
  context.failureTally.clear();
  return true;
}

}  // namespace varnetta
