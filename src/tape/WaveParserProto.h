#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "common/Signal.h"
#include "settings/AppSettings.h"
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
  // Keeps the reference; DeltaImpulse and TuneScatter are read when needed.
  explicit CWaveParserProto(const AppSettings& settings);
  virtual ~CWaveParserProto();

  CWaveParserProto(const CWaveParserProto&) = delete;
  CWaveParserProto& operator=(const CWaveParserProto&) = delete;

  // Receiver of the recognition report; without one the report is dropped.
  void SetOwner(WorkLogSink* owner);

  // Length of the impulse that starts at or after cursor, with cursor
  // moved past it; -1 when the signal ends first.
  virtual std::int32_t NextImpulse(SignalView signal, std::int32_t& cursor) const = 0;
  // Searches from position for the first marker half-wave on either side,
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
  void ComputeLevel(SignalView signal);
  // The level ComputeLevel sets: the samples summed in order from the first,
  // divided by their number (0 for no samples).
  static double MeanLevel(SignalView signal);
  void PushLength(std::int32_t length);
  // Rounded average impulse length at the end of the first tuning sequence,
  // or -1 when there is none; signalLevel is the signal's MeanLevel.
  std::int32_t MeasureTunePeriod(SignalView signal, double signalLevel);
  // Reads one tape file up to its checksum word, writing the report to the
  // owner; the data bytes go to data. signalLevel is the signal's MeanLevel,
  // which impulses are measured against where they are measured by level.
  bool Recognize(TapeFile& record, SignalView signal, double signalLevel, std::string_view recordingPath,
                 std::string_view label);

  // Takes over the decoding state that another parser of the same kind ended
  // with, as if its operations had run on this one: data only when the other
  // holds any, level only where it is read.
  void TakeDecodingState(CWaveParserProto& other);

  // Runs of regular impulses the format requires before the first marker
  // and before the second and third markers.
  static constexpr std::int32_t kTuneRunLength = 2048;
  static constexpr std::int32_t kSyncRunLength = 7;

  // Decoding state, public because the channel alignment sets position and
  // inverse and reads period directly.
  std::optional<std::vector<std::uint8_t>> data;
  std::int32_t position = 0;
  bool inverse = false;
  double period = 0.0;
  double level = 0.0;
  std::array<std::int32_t, 32> history{};
  std::int32_t historyIndex = 0;
  std::int32_t lastLength = 0;

 protected:
  // Feeds the tracker the impulses that follow one ending at `end`, until it
  // has seen enough or the signal ends.
  virtual void TrackImpulsesAfter(SignalView signal, std::size_t end,
                                  impulse_runs::RegularityTracker& tracker) const = 0;
  // Whether impulses are measured against level; Recognize sets it only then.
  virtual bool ReadsLevel() const { return true; }
  // Whether a half-wave of n samples passes the first-marker test.
  bool IsMarkerHalfWave(std::size_t n) const;
  // The end of the first marker's search: the marker half-wave ends at
  // markerEnd, on the low side when lowSide.
  bool AcceptFirstMarker(SignalView signal, std::size_t markerEnd, bool lowSide);

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
  bool RecognizeData(SignalView signal, std::uint16_t length);
  bool RecognizeChecksum(TapeFile& record, SignalView signal);

  const AppSettings& settings_;
  WorkLogSink* owner_ = nullptr;
};

}  // namespace varnetta
