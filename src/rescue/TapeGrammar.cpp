#include "rescue/TapeGrammar.h"

#include <algorithm>
#include <limits>

#include "tape/TapeFormat.h"

namespace varnetta {

namespace {

// A tuning shorter than this many 0-bits (twice as many impulses) is not
// taken for one; a sync run needs this many.
constexpr std::int32_t kMinTuneBits = 32;
constexpr std::int32_t kMinSyncBits = 3;
constexpr std::int32_t kHeaderBits = 8 * static_cast<std::int32_t>(kHeaderBytes);
constexpr std::int32_t kChecksumBits = 8 * static_cast<std::int32_t>(kChecksumBytes);

std::uint8_t ByteAt(const std::vector<std::uint8_t>& bits, std::size_t index) {
  std::uint8_t byte = 0;
  for (std::size_t b = 0; b < 8; ++b) byte = static_cast<std::uint8_t>(byte | (bits[8 * index + b] << b));
  return byte;
}

}  // namespace

bool TapeGrammar::Take(const DecodedSymbol& symbol) {
  const bool zero = symbol.symbol == TapeSymbol::Zero;
  const bool bit = zero || symbol.symbol == TapeSymbol::One;
  const bool marker = symbol.symbol == TapeSymbol::Marker;
  switch (stage_) {
    case GrammarStage::Tuning:
      if (marker && zeros_ >= kMinTuneBits) {
        current_ = {};
        current_.record.tuneStart = runStart_;
        current_.record.tuneEnd = lastEnd_;
        stage_ = GrammarStage::FirstMarker;
      } else {
        Restart(symbol);
      }
      break;
    case GrammarStage::FirstMarker:
    case GrammarStage::SecondMarker:
    case GrammarStage::ThirdMarker:
      if (symbol.symbol != TapeSymbol::One) {
        Fail(symbol);
        break;
      }
      if (stage_ == GrammarStage::FirstMarker) {
        stage_ = GrammarStage::Sync2;
        current_.record.sync2Start = symbol.end;
      } else if (stage_ == GrammarStage::SecondMarker) {
        stage_ = GrammarStage::Header;
        current_.record.headerStart = symbol.end;
      } else {
        stage_ = GrammarStage::Data;
        current_.record.dataStart = symbol.end;
      }
      zeros_ = 0;
      bits_.clear();
      break;
    case GrammarStage::Sync2:
    case GrammarStage::Sync3:
      if (zero) {
        ++zeros_;
      } else if (marker && zeros_ >= kMinSyncBits) {
        const bool second = stage_ == GrammarStage::Sync2;
        (second ? current_.record.sync2End : current_.record.sync3End) = lastEnd_;
        stage_ = second ? GrammarStage::SecondMarker : GrammarStage::ThirdMarker;
      } else {
        Fail(symbol);
      }
      break;
    case GrammarStage::Header:
    case GrammarStage::Data:
      if (!bit || !TakeBit(symbol)) Fail(symbol);
      break;
    case GrammarStage::Finish:
      // Any long impulse confirms the length; noise may shorten the finish.
      if (symbol.symbol == TapeSymbol::Finish || marker) {
        Complete(symbol);
      } else {
        Fail(symbol);
      }
      break;
    case GrammarStage::Done:
      break;
  }
  lastEnd_ = symbol.end;
  return true;
}

bool TapeGrammar::TakeBit(const DecodedSymbol& symbol) {
  bits_.push_back(symbol.symbol == TapeSymbol::One ? 1 : 0);
  confidenceSum_ += symbol.confidence;
  minConfidence_ = std::min(minConfidence_, symbol.confidence);
  if (stage_ == GrammarStage::Header) {
    if (static_cast<std::int32_t>(bits_.size()) == kHeaderBits) FinishHeader();
    return current_.record.length != 0;
  }
  if (static_cast<std::int32_t>(bits_.size()) == dataBits_) {
    const std::size_t length = current_.record.length;
    current_.data.resize(length);
    for (std::size_t i = 0; i < length; ++i) current_.data[i] = ByteAt(bits_, i);
    current_.record.checksum =
        static_cast<std::uint16_t>(ByteAt(bits_, length) | (ByteAt(bits_, length + 1) << 8));
    stage_ = GrammarStage::Finish;
  }
  return true;
}

void TapeGrammar::FinishHeader() {
  TapeFile& record = current_.record;
  record.address = static_cast<std::uint16_t>(ByteAt(bits_, 0) | (ByteAt(bits_, 1) << 8));
  record.length = static_cast<std::uint16_t>(ByteAt(bits_, 2) | (ByteAt(bits_, 3) << 8));
  for (std::size_t i = 0; i < kNameBytes; ++i) record.name[i] = ByteAt(bits_, 4 + i);
  dataBits_ = 8 * static_cast<std::int32_t>(record.length) + kChecksumBits;
  bits_.clear();
  stage_ = GrammarStage::Sync3;
  current_.record.sync3Start = lastEnd_;
}

void TapeGrammar::Complete(const DecodedSymbol& symbol) {
  current_.end = symbol.end;
  const auto bits = static_cast<double>(kHeaderBits + dataBits_);
  current_.minConfidence = minConfidence_;
  current_.meanConfidence = static_cast<float>(confidenceSum_ / bits);
  current_.checksumMatches = TapeChecksum(current_.data) == current_.record.checksum;
  readings_.push_back(std::move(current_));
  current_ = {};
  stage_ = GrammarStage::Tuning;
  zeros_ = 0;
  runStart_ = symbol.end;
}

void TapeGrammar::Fail(const DecodedSymbol& symbol) {
  if (stage_ > furthest_.stage) furthest_ = {stage_, symbol.end};
  stage_ = GrammarStage::Tuning;
  zeros_ = 0;
  Restart(symbol);
}

// Keeps count of the run of 0-bits that the symbol continues or starts, and
// resets what a file's bits have gathered.
void TapeGrammar::Restart(const DecodedSymbol& symbol) {
  if (symbol.symbol == TapeSymbol::Zero) {
    // The decoder's first symbol has no symbol before it to start from.
    if (zeros_ == 0) runStart_ = lastEnd_ >= 0 ? lastEnd_ : symbol.end;
    ++zeros_;
  } else {
    zeros_ = 0;
  }
  bits_.clear();
  confidenceSum_ = 0;
  minConfidence_ = std::numeric_limits<float>::max();
}

}  // namespace varnetta
