#pragma once

#include <filesystem>

#include "recognition/LogFiles.h"

namespace varnetta {

// The recording under work: its path as queued, its directory, where its
// tape files are written, and its log files.
struct RecordingLocation {
  std::filesystem::path path;
  std::filesystem::path dir;
  RecordingLogs logs;
};

// Where the recording at path lies and its outputs go: beside it.
inline RecordingLocation LocateRecording(const std::filesystem::path& path) {
  return {path, path.parent_path(), LogsBeside(path)};
}

}  // namespace varnetta
