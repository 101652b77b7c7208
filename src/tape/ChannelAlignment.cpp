#include "tape/ChannelAlignment.h"

#include <cmath>
#include <cstdlib>

#include "common/TextFormat.h"
#include "tape/TapeFormat.h"
#include "tape/WaveParserAmp.h"

namespace varnetta {

namespace {

// A first marker (with its bit) must end this many periods after the tuning sequence.
constexpr double kMarkerReachPeriods = 12.0;
// Markers of the two channels further apart than this are not aligned.
constexpr double kAlignReachPeriods = 10.0;

std::int32_t Length(SignalView signal) { return static_cast<std::int32_t>(signal.size()); }

const char* FailureMessage(const ChannelCheck& check, bool left) {
  if (check.outcome == ChannelCheck::Outcome::NoDataMarker) {
    return left ? "Маркер данных в левом канале не найден.\r\n" : "Маркер данных в правом канале не найден.\r\n";
  }
  return left ? "Настроечная последовательность в левом канале не найдена.\r\n"
              : "Настроечная последовательность в правом канале не найдена.\r\n";
}

double SampleAt(SignalView signal, std::int64_t index) {
  return index < static_cast<std::int64_t>(signal.size()) ? signal[static_cast<std::size_t>(index)] : 0.0;
}

// out[k] = (leading[k + delta] + lagging[k]) * 0.5, the leading channel read
// ahead by delta samples and taken as silence past its end.
void MixShifted(SignalView ahead, SignalView other, std::int32_t delta, std::span<double> out, std::size_t begin,
                std::size_t end) {
  for (std::size_t k = begin; k < end; ++k) {
    out[k] = (SampleAt(ahead, static_cast<std::int64_t>(k) + delta) + SampleAt(other, static_cast<std::int64_t>(k))) * 0.5;
  }
}

}  // namespace

ChannelCheck CheckChannel(CWaveParserAmp& parser, SignalView signal, std::int32_t from, double level) {
  parser.SearchFrom(from, level);
  bool sawTuning = false;
  while (parser.State().position < Length(signal)) {
    std::int32_t start = 0;
    std::int32_t length = 0;
    if (!parser.FindSequence(signal, kTuneRunLength, false, start, length)) break;
    sawTuning = true;
    const std::int32_t markerPos = parser.State().position;
    if (!parser.FindFirstMarker(signal)) continue;
    const DecodingState& found = parser.State();
    if (static_cast<double>(found.position - markerPos) < std::trunc(kMarkerReachPeriods * found.period)) {
      return {ChannelCheck::Outcome::Found, start, length, markerPos};
    }
    parser.ReturnTo(markerPos);
  }
  ChannelCheck failed;
  failed.outcome = sawTuning ? ChannelCheck::Outcome::NoDataMarker : ChannelCheck::Outcome::NoTuningSequence;
  return failed;
}

bool FindTapeStart(CWaveParserAmp& parser, SignalView left, SignalView right, std::int32_t channelCount,
                   const ChannelLevels& levels, std::int32_t from, std::int32_t& start, std::int32_t& length) {
  const ChannelCheck leftCheck = CheckChannel(parser, left, from, levels.left);
  ChannelCheck chosen = leftCheck;
  if (channelCount > 1) {
    const ChannelCheck rightCheck = CheckChannel(parser, right, from, levels.right);
    const bool leftFound = leftCheck.outcome == ChannelCheck::Outcome::Found;
    if (rightCheck.outcome == ChannelCheck::Outcome::Found && (!leftFound || rightCheck.start < leftCheck.start)) {
      chosen = rightCheck;
    }
  }
  if (chosen.outcome != ChannelCheck::Outcome::Found) return false;
  start = chosen.start;
  length = chosen.length;
  return true;
}

bool MixChannels(CWaveParserAmp& parser, SignalView left, SignalView right, const ChannelLevels& levels,
                 std::span<double> out, ProgressSink& progress, WorkLogSink& log, const StopRequest& stop) {
  progress.SetStage("Микширование");
  log.AppendWorkLog("Микширование\r\n");
  const std::int32_t count = Length(left);
  progress.ResetProgress(count);
  const ProgressCountdown countdown(count);

  const ChannelCheck leftCheck = CheckChannel(parser, left, 0, levels.left);
  const ChannelCheck rightCheck = CheckChannel(parser, right, 0, levels.right);
  const bool bothFound =
      leftCheck.outcome == ChannelCheck::Outcome::Found && rightCheck.outcome == ChannelCheck::Outcome::Found;
  if (!bothFound) {
    if (leftCheck.outcome != ChannelCheck::Outcome::Found) log.AppendWorkLog(FailureMessage(leftCheck, true));
    if (rightCheck.outcome != ChannelCheck::Outcome::Found) log.AppendWorkLog(FailureMessage(rightCheck, false));
  }
  const std::int32_t delta = leftCheck.markerPos - rightCheck.markerPos;
  const bool aligned = bothFound && std::abs(static_cast<double>(delta)) < kAlignReachPeriods * parser.State().period;
  if (aligned) {
    log.AppendWorkLog(FormatText("ОК. Дельта (l-r): %d.\r\n", delta));
  } else {
    log.AppendWorkLog("Хороший результат автоматического микширования не гарантируется.\r\n");
  }

  const std::int32_t shift = aligned ? delta : 0;
  countdown.ForEachChunk(progress, stop, [&](std::int32_t begin, std::int32_t end) {
    const auto b = static_cast<std::size_t>(begin);
    const auto e = static_cast<std::size_t>(end);
    if (shift >= 0) {
      MixShifted(left, right, shift, out, b, e);
    } else {
      MixShifted(right, left, -shift, out, b, e);
    }
  });
  return aligned;
}

}  // namespace varnetta
