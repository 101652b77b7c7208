#include "recognition/LogFiles.h"

#include <cstdio>
#include <string>

#include "recognition/LogText.h"

namespace varnetta {

std::filesystem::path RecordingLogPath(const std::filesystem::path& recordingDir,
                                       const std::filesystem::path& recordingPath) {
  return recordingDir / recordingPath.filename().replace_extension(".log");
}

bool AppendToLogFile(const std::filesystem::path& file, std::string_view utf8Text) {
  if (utf8Text.empty()) return true;
  const std::string bytes = EncodeLogText(utf8Text);
  std::FILE* stream = std::fopen(file.c_str(), "ab");
  if (stream == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
  const bool closed = std::fclose(stream) == 0;
  return written && closed;
}

}  // namespace varnetta
