#include "recognition/OutputNames.h"

namespace varnetta {

namespace {

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

std::string TrimmedNameText(const TapeName& name) {
  const std::string text = TapeNameToText(name);
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string::npos) return {};
  const std::size_t last = text.find_last_not_of(kWhiteSpace);
  return text.substr(first, last - first + 1);
}

// Works on UTF-8 bytes: every character replaced is ASCII, and no byte of a
// multi-byte sequence is below 0x80.
char FileNameSafe(char c) {
  if (c == '/' || c == '\\') return '.';
  if (std::string_view("<>:|?*").find(c) != std::string_view::npos) return '_';
  if (static_cast<unsigned char>(c) < 0x20) return '_';
  return c;
}

}  // namespace

std::string BinFileName(const TapeName& name, std::string_view suffix) {
  std::string fileName = TrimmedNameText(name);
  for (char& c : fileName) c = FileNameSafe(c);
  return fileName + std::string(suffix) + ".bin";
}

std::string FailureLabel(const TapeFile& record) {
  if (!record.HeaderRead()) return "Нераспознано";
  return TrimmedNameText(record.name);
}

}  // namespace varnetta
