#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnetta {

// One row of a sweep's tally: a written file or a failure label, with how many
// passes produced it and what the first of them read from the tape.
struct TallyEntry {
  // Saved tally: the written file's name with its extension, no directory.
  // Failure tally: the failure label.
  std::string name;
  std::int32_t count = 1;
  std::uint16_t address = 0xFFFF;
  std::uint16_t length = 0xFFFF;
  // As read from the tape, not as computed; the key of repeats in the saved tally.
  std::uint16_t checksum = 0xFFFF;

  bool operator==(const TallyEntry&) const = default;
};

// Rows in order of creation.
using Tally = std::vector<TallyEntry>;

// What the passes of one sweep led to: the files written (with their repeats)
// and the failures.
struct SweepTallies {
  Tally saved;
  Tally failures;
};

}  // namespace varnetta
