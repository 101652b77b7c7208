#pragma once

#include <cstdint>
#include <vector>

#include "rescue/SlotDecoder.h"
#include "tape/TapeFile.h"

namespace varnetta {

// How far a reading of the symbols got through a tape file's elements.
enum class GrammarStage { Tuning, FirstMarker, Sync2, SecondMarker, Header, Sync3, ThirdMarker, Data, Finish, Done };

// One tape file read from the symbols, through to its finish impulse.
struct SymbolReading {
  TapeFile record;  // header, checksum and the positions of its elements
  std::vector<std::uint8_t> data;
  std::int32_t end = 0;      // the sample after the finish impulse
  float minConfidence = 0;   // of the bits of the header, the data and the checksum
  float meanConfidence = 0;
  bool checksumMatches = false;
};

// A start that came to nothing, and where.
struct GrammarFailure {
  GrammarStage stage = GrammarStage::Tuning;
  std::int32_t position = 0;
};

// Finds tape files in a stream of symbols: a tuning (a long run of 0-bits)
// and its marker, a sync run, the second marker and the header, a sync run,
// the third marker, as many data bytes as the header says, the checksum, and
// the finish impulse right where the header's length puts it. A start that
// breaks off is given up and the search goes on with the next, so every
// candidate start is tried.
class TapeGrammar final : public SymbolSink {
 public:
  bool Take(const DecodedSymbol& symbol) override;

  const std::vector<SymbolReading>& Readings() const { return readings_; }
  // The failed start that got furthest, if any got past its tuning.
  const GrammarFailure* Furthest() const { return furthest_.stage == GrammarStage::Tuning ? nullptr : &furthest_; }

 private:
  void Fail(const DecodedSymbol& symbol);
  void Restart(const DecodedSymbol& symbol);
  bool TakeBit(const DecodedSymbol& symbol);
  void FinishHeader();
  void Complete(const DecodedSymbol& symbol);

  GrammarStage stage_ = GrammarStage::Tuning;
  std::int32_t zeros_ = 0;        // of the current run
  std::int32_t runStart_ = 0;     // where the current run of 0-bits began
  std::int32_t lastEnd_ = -1;     // the end of the symbol before, -1 before the first
  std::vector<std::uint8_t> bits_;  // of the header, or of the data and checksum
  std::int32_t dataBits_ = 0;
  double confidenceSum_ = 0;
  float minConfidence_ = 0;
  SymbolReading current_;
  std::vector<SymbolReading> readings_;
  GrammarFailure furthest_;
};

}  // namespace varnetta
