#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>

#include <string>
#include <vector>

#include "support/AudioFixtures.h"

namespace varnetta::test {
namespace {

TEST(AudioClip, StartsWithOneEmptyChannel) {
  const AudioClip clip;
  EXPECT_EQ(clip.ChannelCount(), 1);
  EXPECT_EQ(clip.SampleCount(), 0);
  EXPECT_EQ(clip.sampleRate, 44100u);
  EXPECT_EQ(clip.bitDepth, 16);
}

TEST(AudioClip, ClearGivesUpEveryChannel) {
  AudioClip clip;
  clip.channels = {{1.0, 2.0, 3.0}, {4.0, 5.0, 6.0}};
  clip.Clear();
  EXPECT_EQ(clip.ChannelCount(), 0);
  EXPECT_EQ(clip.SampleCount(), 0);
}

TEST(AudioClip, LoadReadsAFile) {
  TempDir dir;
  const auto path = dir.path() / "tone.wav";
  WriteBytes(path, WaveFile({{"fmt ", WaveFormatBody(1, 1, 22050, 16)}, {"data", {0xFF, 0x7F, 0x00, 0x80}}}));
  AudioClip clip;
  clip.channels = {{9.0}, {9.0}, {9.0}};
  testing::internal::CaptureStderr();
  ASSERT_TRUE(clip.Load(path.string()));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(clip.sampleRate, 22050u);
  EXPECT_EQ(clip.channels, (std::vector<Signal>{{1.0, -32768 / 32767.0}}));
}

TEST(AudioClip, LoadGivesUpSilentlyWhenAStopIsRequested) {
  TempDir dir;
  const auto path = dir.path() / "tone.wav";
  WriteBytes(path, WaveFile({{"fmt ", WaveFormatBody(1, 1, 22050, 16)}, {"data", {0xFF, 0x7F, 0x00, 0x80}}}));
  StopRequest stop;
  stop.Request();
  AudioClip clip;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(clip.Load(path.string(), &stop));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(AudioClip, LoadRefusesFilesItCannotRead) {
  TempDir dir;
  const auto missing = (dir.path() / "missing.wav").string();
  const auto empty = (dir.path() / "empty.wav").string();
  const auto short_file = (dir.path() / "short.wav").string();
  const auto text = (dir.path() / "notes.txt").string();
  WriteBytes(empty, {});
  WriteBytes(short_file, {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V'});
  WriteBytes(text, Bytes(20, 'a'));
  struct Row {
    std::string path;
    std::string message;
  };
  const std::vector<Row> cases = {
      {missing, "ERROR: File doesn't exist or otherwise can't load file\n" + missing},
      {dir.path().string(), "ERROR: File doesn't exist or otherwise can't load file\n" + dir.path().string()},
      {empty, "ERROR: File is not a valid audio file\n" + empty},
      {short_file, "ERROR: File is not a valid audio file\n" + short_file},
      {text, "Audio File Type: Error"},
  };
  for (const Row& row : cases) {
    SCOPED_TRACE(row.path);
    const DecodeOutcome outcome = LoadCapturing(row.path);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.errors, row.message + "\n");
  }
}

TEST(AudioClip, RefusesFilesOf2GiB) {
  TempDir dir;
  const auto path = dir.path() / "huge.wav";
  WriteBytes(path, WaveFile({{"fmt ", WaveFormatBody(1, 1, 8000, 16)}, {"data", {}}}));
  std::filesystem::resize_file(path, std::uintmax_t{1} << 31);  // sparse: takes no disk space

  const DecodeOutcome loaded = LoadCapturing(path.string());
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.errors, "ERROR: File is too large to load (2 GiB or more)\n" + path.string() + "\n");

  // The same refusal for a buffer in memory; the mapping touches no page of it.
  const int fd = open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  const std::size_t size = std::size_t{1} << 31;
  void* mapping = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  ASSERT_NE(mapping, MAP_FAILED);
  const DecodeOutcome decoded = DecodeCapturing(std::span(static_cast<const std::uint8_t*>(mapping), size));
  munmap(mapping, size);
  EXPECT_FALSE(decoded.ok);
  EXPECT_EQ(decoded.errors, "ERROR: File is too large to load (2 GiB or more)\n");
}

}  // namespace
}  // namespace varnetta::test
