#pragma once

namespace varnetta {

// The stages of a recognition, in the order it reads a tape file. A
// recognition stops at the first stage that fails, or is Complete once the
// checksum word is read.
enum class RecognitionStage {
  Tuning,
  FirstMarker,
  SecondSync,
  SecondMarker,
  Header,
  ThirdSync,
  ThirdMarker,
  DataLength,  // the header gives a length of 0
  Data,
  Checksum,
  Complete,
};

}  // namespace varnetta
