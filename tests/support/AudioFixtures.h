#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "audio/AudioClip.h"
#include "audio/FileBuffer.h"

namespace varnetta::test {

using Bytes = std::vector<std::uint8_t>;

// Builds byte strings field by field in one byte order.
class ByteWriter {
 public:
  explicit ByteWriter(ByteOrder order) : order_(order) {}
  ByteWriter& Text(std::string_view text);
  ByteWriter& Raw(std::initializer_list<std::uint8_t> bytes);
  ByteWriter& Raw(const Bytes& bytes);
  ByteWriter& U16(std::uint32_t value) { return Number(value, 2); }
  ByteWriter& U24(std::uint32_t value) { return Number(value, 3); }
  ByteWriter& U32(std::uint32_t value) { return Number(value, 4); }
  const Bytes& bytes() const { return bytes_; }

 private:
  ByteWriter& Number(std::uint32_t value, int width);
  ByteOrder order_;
  Bytes bytes_;
};

// One chunk: identifier, size, body; the size field may claim something else than the body holds.
struct ChunkSpec {
  std::string id;
  Bytes body;
  bool pad_odd = true;           // append a zero pad byte after an odd-sized body
  std::int64_t size_claim = -1;  // written size field; -1 writes the body's size
};

// "RIFF" + size + "WAVE" + the chunks, little-endian.
Bytes WaveFile(const std::vector<ChunkSpec>& chunks);
// "FORM" + size + form_type + the chunks, big-endian.
Bytes FormFile(std::string_view form_type, const std::vector<ChunkSpec>& chunks);

// The 16-byte fmt body with a consistent byte rate and block align.
Bytes WaveFormatBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);

// The COMM body: channels, frame count, bits and the 80-bit rate field.
Bytes CommonBody(std::uint16_t channels, std::uint32_t frames, std::uint16_t bits, const Bytes& rate_field);
// The 80-bit extended form of 44100.
Bytes Rate44100();
// The SSND body: data offset, block size 0, then the sample bytes.
Bytes SoundBody(const Bytes& samples, std::uint32_t data_offset = 0);

// A decode of a whole file buffer together with what it wrote to standard error.
struct DecodeOutcome {
  bool ok = false;
  std::string errors;
  AudioClip clip;
};
DecodeOutcome DecodeCapturing(std::span<const std::uint8_t> file);
DecodeOutcome LoadCapturing(const std::string& path);

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);

}  // namespace varnetta::test
