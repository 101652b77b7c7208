#include "audio/AudioClip.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "audio/AiffDecoder.h"
#include "audio/AudioErrors.h"
#include "audio/FileBuffer.h"
#include "audio/WaveDecoder.h"
#include "common/LargeBuffers.h"

namespace varnetta {

namespace {

constexpr std::size_t kMinFileBytes = 12;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Read in pieces of this size, so that a stop is seen during a long read.
constexpr std::size_t kReadPieceBytes = std::size_t{32} << 20;

// The whole file.
struct FileContents {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t size = 0;
};

enum class ReadOutcome { Read, CannotOpen, TooLarge, ShortRead, Stopped };

ReadOutcome ReadWholeFile(const std::string& path, FileContents& contents, const StopRequest* stop) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return ReadOutcome::CannotOpen;
  const FileHandle file(std::fopen(path.c_str(), "rb"));
  if (!file) return ReadOutcome::CannotOpen;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return ReadOutcome::ShortRead;
  const long size = std::ftell(file.get());
  if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return ReadOutcome::ShortRead;
  if (size > kMaxFileBytes) return ReadOutcome::TooLarge;
  contents.size = static_cast<std::size_t>(size);
  contents.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(contents.size);
  AdviseHugePages(contents.bytes.get(), contents.size);
  for (std::size_t done = 0; done < contents.size;) {
    if (stop != nullptr && stop->IsRequested()) return ReadOutcome::Stopped;
    const std::size_t piece = std::min(kReadPieceBytes, contents.size - done);
    if (std::fread(contents.bytes.get() + done, 1, piece, file.get()) != piece) return ReadOutcome::ShortRead;
    done += piece;
  }
  return ReadOutcome::Read;
}

bool RefuseFile(std::string_view message, const std::string& path) {
  return Refuse(std::string(message) + "\n" + path);
}

}  // namespace

bool AudioClip::Load(const std::string& path, const StopRequest* stop) {
  Clear();  // the previous recording must not add to the memory this one needs
  FileContents contents;
  switch (ReadWholeFile(path, contents, stop)) {
    case ReadOutcome::CannotOpen: return RefuseFile("ERROR: File doesn't exist or otherwise can't load file", path);
    case ReadOutcome::TooLarge: return RefuseFile(kTooLargeMessage, path);
    case ReadOutcome::ShortRead: return RefuseFile("ERROR: Couldn't read entire file", path);
    case ReadOutcome::Stopped: return false;
    case ReadOutcome::Read: break;
  }
  if (contents.size < kMinFileBytes) return RefuseFile("ERROR: File is not a valid audio file", path);
  return DecodeFile({contents.bytes.get(), contents.size}, stop);
}

bool AudioClip::DecodeFile(std::span<const std::uint8_t> buffer, const StopRequest* stop) {
  if (static_cast<std::uint64_t>(buffer.size()) > static_cast<std::uint64_t>(kMaxFileBytes)) {
    return Refuse(kTooLargeMessage);
  }
  if (HasIdentifier(buffer, 0, "RIFF")) return DecodeWave(buffer, *this, stop);
  if (HasIdentifier(buffer, 0, "FORM")) return DecodeAiff(buffer, *this, stop);
  return Refuse("Audio File Type: Error");
}

std::int32_t AudioClip::ChannelCount() const { return static_cast<std::int32_t>(channels.size()); }

std::int32_t AudioClip::SampleCount() const {
  return channels.empty() ? 0 : static_cast<std::int32_t>(channels.front().size());
}

void AudioClip::Clear() { channels.clear(); }

}  // namespace varnetta
