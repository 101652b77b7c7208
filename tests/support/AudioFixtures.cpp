#include "support/AudioFixtures.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <stdexcept>

namespace varnetta::test {

ByteWriter& ByteWriter::Text(std::string_view text) {
  for (const char c : text) bytes_.push_back(static_cast<std::uint8_t>(c));
  return *this;
}

ByteWriter& ByteWriter::Raw(std::initializer_list<std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes);
  return *this;
}

ByteWriter& ByteWriter::Raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

ByteWriter& ByteWriter::Number(std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) {
    const int shift = order_ == ByteOrder::BigEndian ? 8 * (width - 1 - i) : 8 * i;
    bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  return *this;
}

namespace {

Bytes Container(std::string_view magic, std::string_view form_type, ByteOrder order,
                const std::vector<ChunkSpec>& chunks) {
  ByteWriter body(order);
  body.Text(form_type);
  for (const ChunkSpec& chunk : chunks) {
    const auto size = chunk.size_claim >= 0 ? chunk.size_claim : static_cast<std::int64_t>(chunk.body.size());
    body.Text(chunk.id).U32(static_cast<std::uint32_t>(size)).Raw(chunk.body);
    if (chunk.pad_odd && chunk.body.size() % 2 == 1) body.Raw({0});
  }
  ByteWriter file(order);
  file.Text(magic).U32(static_cast<std::uint32_t>(body.bytes().size())).Raw(body.bytes());
  return file.bytes();
}

}  // namespace

Bytes WaveFile(const std::vector<ChunkSpec>& chunks) {
  return Container("RIFF", "WAVE", ByteOrder::LittleEndian, chunks);
}

Bytes FormFile(std::string_view form_type, const std::vector<ChunkSpec>& chunks) {
  return Container("FORM", form_type, ByteOrder::BigEndian, chunks);
}

Bytes WaveFormatBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  const std::uint32_t block_align = channels * (bits / 8u);
  return ByteWriter(ByteOrder::LittleEndian)
      .U16(tag).U16(channels).U32(rate).U32(rate * block_align).U16(block_align).U16(bits)
      .bytes();
}

Bytes CommonBody(std::uint16_t channels, std::uint32_t frames, std::uint16_t bits, const Bytes& rate_field) {
  return ByteWriter(ByteOrder::BigEndian).U16(channels).U32(frames).U16(bits).Raw(rate_field).bytes();
}

Bytes Rate44100() { return {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}; }

Bytes SoundBody(const Bytes& samples, std::uint32_t data_offset) {
  ByteWriter body(ByteOrder::BigEndian);
  body.U32(data_offset).U32(0);
  for (std::uint32_t i = 0; i < data_offset; ++i) body.Raw({0xEE});
  return body.Raw(samples).bytes();
}

DecodeOutcome DecodeCapturing(std::span<const std::uint8_t> file) {
  DecodeOutcome outcome;
  testing::internal::CaptureStderr();
  outcome.ok = outcome.clip.DecodeFile(file);
  outcome.errors = testing::internal::GetCapturedStderr();
  return outcome;
}

DecodeOutcome LoadCapturing(const std::string& path) {
  DecodeOutcome outcome;
  testing::internal::CaptureStderr();
  outcome.ok = outcome.clip.Load(path);
  outcome.errors = testing::internal::GetCapturedStderr();
  return outcome;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "varnetta-audio-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace varnetta::test
