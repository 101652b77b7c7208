#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/WavWriter.h"
#include "recognition/BinLayout.h"
#include "recognition/OutputNames.h"
#include "support/TapeRecords.h"
#include "support/TempDir.h"
#include "tape/TapeSignalWriter.h"

namespace varnetta::testing {

// A tape file named `name` with `size` data bytes that differ from file to
// file (the seed) and from byte to byte.
inline TapeRecord SampleTapeRecord(std::string_view name, std::size_t size, std::uint8_t seed) {
  TapeRecord record;
  record.address = 01000;
  record.name = NameOf(name);
  record.data.resize(size);
  for (std::size_t i = 0; i < size; ++i)
    record.data[i] = static_cast<std::uint8_t>((i * 37 + seed * 101 + i / 7) & 0xFF);
  return record;
}

// Writes a 16-bit mono WAV recording of the tape files at 44100 Hz, with
// `period` samples per tuning impulse and some silence around and between
// them; false when it could not.
inline bool WriteTapeRecording(const std::filesystem::path& path, const std::vector<TapeRecord>& records,
                               double period = 12.0) {
  TapeSignalOptions options;
  options.period = period;
  options.leadingSilence = 2000;
  options.trailingSilence = 2000;
  options.gapSilence = 20000;
  std::optional<TapeSignal> signal = WriteTapeSignal(records, options);
  if (!signal) return false;
  std::string error;
  const std::vector<Signal> channels = {std::move(signal->samples)};
  return WriteWavFile(path, channels, 44100, WavSampleFormat::Pcm16, error);
}

// The name under which a decoded tape file of this record is written first.
inline std::string BinNameOf(const TapeRecord& record) { return BinFileName(record.name, ""); }

// True when the .bin file holds exactly this record, in either layout.
inline bool BinHolds(const std::filesystem::path& bin, const TapeRecord& record) {
  const std::string bytes = ReadFileBytes(bin);
  const std::optional<BinContents> contents =
      DecodeBinFile({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  return contents && contents->address == record.address && contents->data == record.data &&
         (!contents->name || *contents->name == record.name);
}

}  // namespace varnetta::testing
