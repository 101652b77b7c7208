#pragma once

#include <filesystem>

namespace varnetta {

// The recording under work: its path as queued, and its directory, where its
// tape files and log files are written.
struct RecordingLocation {
  std::filesystem::path path;
  std::filesystem::path dir;
};

}  // namespace varnetta
