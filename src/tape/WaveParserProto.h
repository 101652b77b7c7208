#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "common/Signal.h"
#include "tape/DecodingState.h"
#include "tape/ImpulseTolerances.h"
#include "tape/RecognitionStage.h"
#include "tape/TapeFile.h"
#include "tape/WorkLogSink.h"

namespace varnetta {

namespace impulse_runs {
struct RegularityTracker;
}

// The tape decoder: the tracked average period, the length classes of
// impulses, the sequences, markers, bits and bytes of the tape format, and
// the recognition of one tape file with its report. The derived parsers
// supply how an impulse is measured and how the first marker is found.
class CWaveParserProto {
 public:
  explicit CWaveParserProto(const ImpulseTolerances& tolerances);
  virtual ~CWaveParserProto();

  CWaveParserProto(const CWaveParserProto&) = delete;
  CWaveParserProto& operator=(const CWaveParserProto&) = delete;

  // Receiver of the recognition report; without one the report is dropped.
  void SetOwner(WorkLogSink* owner);
  // The tolerances of the recording under work.
  void SetTolerances(const ImpulseTolerances& tolerances);

  const DecodingState& State() const { return state_; }
  // Takes over a decoding state, such as the one another parser ended with.
  void SetState(const DecodingState& state) { state_ = state; }
  // Begins a search of a signal at position, against level, in direct
  // polarity; the average and the last length run on from before.
  void SearchFrom(std::int32_t position, double level);
  // Goes back to an earlier position of the same search.
  void ReturnTo(std::int32_t position) { state_.position = position; }

  // Length of the impulse that starts at or after cursor, with cursor
  // moved past it; -1 when the signal ends first.
  virtual std::int32_t NextImpulse(SignalView signal, std::int32_t& cursor) const = 0;
  // Searches from the position for the first marker half-wave on either side,
  // sets inverse when it lies on the low side and reads the bit after it.
  virtual bool FindFirstMarker(SignalView signal) = 0;

  // A run of at least minCount regular impulses ended by an irregular one;
  // start and length (in samples) are written only on success.
  bool FindSequence(SignalView signal, std::int32_t minCount, bool restoreOnEnd, std::int32_t& start,
                    std::int32_t& length);
  bool FindMarker(SignalView signal);
  bool FindFinish(SignalView signal);
  bool ReadBit(SignalView signal, int& bit);
  bool ReadByte(SignalView signal, std::uint8_t& byte);
  // The level impulses are measured against: the samples summed in order from
  // the first, divided by their number (0 for no samples).
  static double MeanLevel(SignalView signal);
  void PushLength(std::int32_t length);
  // Rounded average impulse length at the end of the first tuning sequence,
  // or -1 when there is none; signalLevel is the signal's MeanLevel.
  std::int32_t MeasureTunePeriod(SignalView signal, double signalLevel);
  // Reads one tape file up to its checksum word, writing the report to the
  // owner; the data bytes go to data. signalLevel is the signal's MeanLevel,
  // which impulses are measured against where they are measured by level.
  // Returns the stage at which the recognition stopped.
  RecognitionStage Recognize(TapeFile& record, SignalView signal, double signalLevel, std::string_view recordingPath,
                             std::string_view label);

  // The data bytes of the last recognition that reached its data stage.
  std::optional<std::vector<std::uint8_t>> data;

 protected:
  // Feeds the tracker the impulses that follow one ending at `end`, until it
  // has seen enough or the signal ends.
  virtual void TrackImpulsesAfter(SignalView signal, std::size_t end,
                                  impulse_runs::RegularityTracker& tracker) const = 0;
  // Whether impulses are measured against the level; Recognize sets it only then.
  virtual bool ReadsLevel() const { return true; }
  // Whether a half-wave of n samples passes the first-marker test.
  bool IsMarkerHalfWave(std::size_t n) const;
  // The end of the first marker's search: the marker half-wave ends at
  // markerEnd, on the low side when lowSide.
  bool AcceptFirstMarker(SignalView signal, std::size_t markerEnd, bool lowSide);

  DecodingState state_;

 private:
  enum class ImpulseClass { kTooShort, kZero, kOne, kMarker, kFinish, kNone };
  ImpulseClass ClassOf(std::int32_t length) const;
  void ClearAverage();
  void SkipToLastIrregularImpulse(SignalView signal, std::int32_t minCount);
  bool ReadByteOfWord(SignalView signal, std::uint16_t& word, int byteIndex);
  void Report(std::string_view text) const;

  // The stages of Recognize, each with its report texts.
  bool RecognizeTuning(TapeFile& record, SignalView signal);
  bool RecognizeFirstMarker(SignalView signal);
  bool RecognizeSync(SignalView signal, std::int32_t& syncStart, std::int32_t& syncEnd);
  bool RecognizeMarker(SignalView signal);
  bool RecognizeHeader(TapeFile& record, SignalView signal);
  bool RecognizeDataLength(std::uint16_t length);
  bool RecognizeData(SignalView signal, std::uint16_t length);
  bool RecognizeChecksum(TapeFile& record, SignalView signal);

  ImpulseTolerances tolerances_;
  WorkLogSink* owner_ = nullptr;
};

}  // namespace varnetta
