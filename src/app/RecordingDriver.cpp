#include "app/RecordingDriver.h"

#include <utility>
#include <vector>

#include "app/ProcessingContext.h"
#include "common/TwoThreads.h"
#include "recognition/LogFiles.h"
#include "recognition/LogLines.h"
#include "recognition/Sweep.h"
#include "recognition/Tolerances.h"
#include "rescue/DeepRecovery.h"
#include "tape/ChannelAlignment.h"

namespace varnetta {

namespace {

// Views of samples [first, end) of the clip's first `count` channels.
std::vector<SignalView> ChannelViews(const AudioClip& clip, std::int32_t count, std::int32_t first,
                                     std::int32_t end) {
  std::vector<SignalView> views;
  views.reserve(static_cast<std::size_t>(count));
  for (std::int32_t c = 0; c < count; ++c) {
    const Signal& channel = clip.channels[static_cast<std::size_t>(c)];
    views.push_back(SignalView(channel).subspan(static_cast<std::size_t>(first), static_cast<std::size_t>(end - first)));
  }
  return views;
}

// Mixes the work clip's first two channels into a third; false when a stop
// was requested meanwhile.
bool AddMix(ProcessingContext& context) {
  WorkClip& work = context.workClip;
  const StopRequest& stop = context.stopRequested;
  const std::span<double> mix = work.PrepareMix(work.SampleCount(), stop);
  // A storage cut short by the stop is never mixed into.
  if (stop.IsRequested()) return false;
  MixChannels(context.ampParser, work.Channel(0), work.Channel(1), ChannelLevels{work.Level(0), work.Level(1)}, mix,
              context, context, stop);
  if (stop.IsRequested()) return false;
  work.AppendMix();
  return true;
}

// Sweeps the channels of the work clip and counts what it wrote.
SweepResult Sweep(ProcessingContext& context, const SweepPiece& piece, ProcessedRecording& processed) {
  SweepResult result = RunSweep(context.ForSweep(), piece);
  processed.filesWritten += static_cast<std::int32_t>(result.tallies.saved.size());
  if (result.furthest) {
    result.furthest->position += piece.firstSample;
    if (!processed.furthest || GotFurther(*result.furthest, *processed.furthest)) processed.furthest = result.furthest;
  }
  return result;
}

// Reads the stretch again with deep recovery, from the channels of the
// source, and counts what it wrote; false when a stop was requested.
bool Recover(ProcessingContext& context, const RecoveryStretch& stretch, const Tally& sweepSaved,
             ProcessedRecording& processed) {
  if (stretch.end <= stretch.first) return true;
  const ChannelsInMemory source(context.sourceClip.channels);
  const DeepRecoveryResult result = RecoverStretch(
      DeepRecoveryInputs{context.settings, source, context.recording, context, context.stopRequested}, stretch,
      sweepSaved);
  processed.filesWritten += static_cast<std::int32_t>(result.saved.size());
  return !result.stopped && !context.stopRequested.IsRequested();
}

bool DeepRecoveryOn(const ProcessingContext& context) { return context.settings.DeepRecovery != 0; }

ProcessedRecording ProcessWholeRecording(ProcessingContext& context) {
  AudioClip& clip = context.sourceClip;
  const bool stereo = clip.ChannelCount() == 2;
  // Nothing reads the loaded channels after this sweep, so the sweep may
  // make its conditioned channels in their storage.
  context.workClip.Adopt(std::move(clip.channels));
  clip.Clear();
  ProcessedRecording processed;
  if (stereo && !AddMix(context)) {
    processed.continueQueue = false;
    return processed;
  }
  const SweepResult result = Sweep(context, SweepPiece{1, true, 0, context.workClip.SampleCount()}, processed);
  processed.continueQueue = !result.stopped;
  if (result.stopped || result.goodFileEnd || !DeepRecoveryOn(context)) return processed;
  // The sweep made its conditioned channels in the loaded ones: deep
  // recovery reads the recording again.
  context.workClip.Clear();
  if (!clip.Load(context.recording.path.string(), &context.stopRequested)) return processed;
  processed.continueQueue = Recover(context, RecoveryStretch{0, clip.SampleCount(), 0.0}, result.tallies.saved, processed);
  return processed;
}

SignalView RightChannel(const AudioClip& clip) {
  return clip.ChannelCount() > 1 ? SignalView(clip.channels[1]) : SignalView();
}

// The levels of the whole recording's channels, which every search reads;
// each is one long chain of additions, so the two are summed side by side.
ChannelLevels SearchLevels(const AudioClip& clip) {
  ChannelLevels levels;
  double* const targets[] = {&levels.left, &levels.right};
  const SignalView channels[] = {clip.channels[0], RightChannel(clip)};
  ForEachOnTwoThreads(clip.ChannelCount() > 1 ? 2 : 1,
                      [&](std::size_t c) { *targets[c] = CWaveParserProto::MeanLevel(channels[c]); });
  return levels;
}

bool FindNextTapeStart(ProcessingContext& context, const ChannelLevels& levels, std::int32_t from,
                       std::int32_t& start, std::int32_t& length) {
  const AudioClip& clip = context.sourceClip;
  return FindTapeStart(context.ampParser, clip.channels[0], RightChannel(clip), clip.ChannelCount(), levels, from,
                       start, length);
}

// The stretches of a piece that no good file of its sweep accounts for: the
// whole piece, or the rest of it after the last good file; for the first
// piece also the signal before it. Blocks far quieter than the piece's
// tuning are gaps between tape files and are passed over.
bool RecoverAroundPiece(ProcessingContext& context, const SweepPiece& piece, std::int32_t tuneLength,
                        const SweepResult& sweep, ProcessedRecording& processed) {
  const std::int32_t first = piece.firstSample;
  constexpr double kGapBelowTuning = 0.1;
  const ChannelsInMemory source(context.sourceClip.channels);
  const double gate = kGapBelowTuning * StretchRms(source, first, first + tuneLength);
  if (piece.fileNumber == 1) {
    if (!Recover(context, RecoveryStretch{0, first, gate}, {}, processed)) return false;
  }
  const std::int32_t from = first + sweep.goodFileEnd.value_or(0);
  return Recover(context, RecoveryStretch{from, piece.endSample, gate}, sweep.tallies.saved, processed);
}

ProcessedRecording ProcessPieces(ProcessingContext& context) {
  const AudioClip& clip = context.sourceClip;
  const std::int32_t channels = clip.ChannelCount();
  const std::int32_t samples = clip.SampleCount();
  const RecordingLocation& recording = context.recording;
  ProcessedRecording processed;
  std::int32_t start = 0;
  std::int32_t length = 0;
  const ChannelLevels levels = SearchLevels(clip);
  if (!FindNextTapeStart(context, levels, 0, start, length)) {
    context.SetStage("Настроечная последовательность не найдена.");
    AppendToLog(recording.logs.list, ListLogTuningNotFound(recording.path.string()), context);
    processed.continueQueue = false;
    return processed;
  }
  bool last = false;
  for (std::int32_t piece = 1; !last; ++piece) {
    const std::int32_t first = start;
    const std::int32_t tuneLength = length;
    if (!FindNextTapeStart(context, levels, start + length, start, length)) {
      last = true;
      start = samples;
    }
    context.workClip.Assign(ChannelViews(clip, channels, first, start));
    const bool mixed = channels != 2 || AddMix(context);
    const SweepPiece swept{piece, false, first, start};
    const SweepResult result = mixed ? Sweep(context, swept, processed) : SweepResult{true};
    if (result.stopped || (DeepRecoveryOn(context) && !RecoverAroundPiece(context, swept, tuneLength, result, processed))) {
      processed.continueQueue = false;
      return processed;
    }
  }
  context.AppendWorkLog("Конец кассеты.\r\n");
  AppendToLog(recording.logs.list, ListLogEndOfTape(), context);
  return processed;
}

}  // namespace

ProcessedRecording ProcessRecording(ProcessingContext& context, const std::filesystem::path& path) {
  context.recording = LocateRecording(path);
  context.ampParser.SetTolerances(TolerancesOf(context.settings));
  if (context.sourceClip.ChannelCount() == 0) return {};
  if (context.settings.MultiFile == 0) return ProcessWholeRecording(context);
  return ProcessPieces(context);
}

}  // namespace varnetta
