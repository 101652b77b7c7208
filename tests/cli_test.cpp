#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "audio/AudioClip.h"
#include "audio/WavWriter.h"
#include "common/TextFormat.h"
#include "recognition/LogText.h"
#include "support/TapeRecords.h"
#include "support/TapeSignals.h"
#include "support/TempDir.h"

namespace varnetta {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Bytes(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A .bin file in the short or the long layout.
std::string BinFile(std::uint16_t address, const std::vector<std::uint8_t>& data, const TapeName* name) {
  std::string bin;
  const auto word = [&bin](std::uint32_t value) {
    bin += static_cast<char>(value & 0xFF);
    bin += static_cast<char>((value >> 8) & 0xFF);
  };
  word(address);
  word(static_cast<std::uint32_t>(data.size()));
  if (name != nullptr) bin.append(name->begin(), name->end());
  bin += Bytes(data);
  if (name != nullptr) word(TapeChecksum(data));
  return bin;
}

// Runs varnetta-cli in a scratch directory with settings of its own, so that
// the user's stored settings play no part.
class Cli : public ::testing::Test {
 protected:
  Cli() {
    fs::create_directories(Bins());
    fs::create_directories(Tapes());
  }

  fs::path Bins() const { return dir / "bins"; }
  fs::path Tapes() const { return dir / "tapes"; }

  CliResult Run(const std::vector<std::string>& args) const {
    std::string command = "cd " + Quoted(Tapes().string()) + " && XDG_CONFIG_HOME=" + Quoted((dir / "config").string()) +
                          " " + Quoted(VARNETTA_CLI);
    for (const std::string& arg : args) command += " " + Quoted(arg);
    command += " </dev/null >" + Quoted((dir / "stdout").string()) + " 2>" + Quoted((dir / "stderr").string());
    const int wait = std::system(command.c_str());
    CliResult result;
    result.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    result.out = ReadFileBytes(dir / "stdout");
    result.err = ReadFileBytes(dir / "stderr");
    return result;
  }

  // Encodes the .bin files into a recording in Tapes(); true on exit status 0.
  void Encode(const std::vector<std::string>& bins, const std::string& wav, std::vector<std::string> options = {}) const {
    options.insert(options.begin(), "encode");
    for (const std::string& bin : bins) options.push_back((Bins() / bin).string());
    options.insert(options.end(), {"-o", wav});
    const CliResult result = Run(options);
    ASSERT_EQ(result.status, 0) << result.err;
  }

  // A short-layout .bin in Bins(), named after its tape name.
  std::string ShortBin(const std::string& name, std::uint16_t address, std::size_t size, std::uint32_t seed) const {
    const std::string file = name + ".bin";
    WriteFileBytes(Bins() / file, BinFile(address, testing::RandomBytes(size, seed), nullptr));
    return file;
  }

  std::string Tape(const std::string& name) const { return (Tapes() / name).string(); }
  std::string ListLog() const { return ReadFileBytes(Tapes() / "!list.log"); }
  std::string BinIn(const std::string& file) const { return ReadFileBytes(Bins() / file); }
  std::string BinOut(const std::string& file) const { return ReadFileBytes(Tapes() / file); }
  static std::string Stored(const std::string& utf8) { return EncodeLogText(utf8); }

  testing::TempDir dir;
};

// Tape files, written and read back, byte for byte.
struct RoundTrip {
  std::uint32_t rate;
  const char* kind;  // mono, stereo, multi
};

void PrintTo(const RoundTrip& row, std::ostream* out) { *out << row.kind << " at " << row.rate << " Hz"; }

class CliRoundTrip : public Cli, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(CliRoundTrip, DecodesTheEncodedFilesByteForByte) {
  const RoundTrip& row = GetParam();
  const std::string kind = row.kind;
  std::vector<std::string> bins{ShortBin("FIRST", 01000, 150, row.rate)};
  if (kind == "multi") {
    bins.push_back(ShortBin("SECOND", 0160000, 1, row.rate + 1));
    bins.push_back(ShortBin("THIRD", 0, 220, row.rate + 2));
  }
  std::vector<std::string> options{"--rate", std::to_string(row.rate)};
  if (kind == "stereo") options.push_back("--stereo");
  Encode(bins, "tape.wav", options);

  const CliResult result = kind == "multi" ? Run({"--multi-file", "tape.wav"}) : Run({"tape.wav"});
  EXPECT_EQ(result.status, 0) << result.err;
  for (const std::string& bin : bins) EXPECT_EQ(BinOut(bin), BinIn(bin)) << bin;
  EXPECT_EQ(result.out.find("Конец кассеты.") != std::string::npos, kind == "multi");
  if (kind != "multi") {
    // Several passes found the one file: one list-log line, no recording log.
    EXPECT_EQ(ListLog(), Stored(Tape("tape.wav") + ":\tFIRST.bin\t\t1000\t226\n"));
    EXPECT_FALSE(fs::exists(Tapes() / "tape.log"));
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, CliRoundTrip,
                         ::testing::Values(RoundTrip{22050, "mono"}, RoundTrip{22050, "stereo"},
                                           RoundTrip{22050, "multi"}, RoundTrip{44100, "mono"},
                                           RoundTrip{44100, "stereo"}, RoundTrip{44100, "multi"},
                                           RoundTrip{48000, "mono"}, RoundTrip{48000, "stereo"},
                                           RoundTrip{48000, "multi"}, RoundTrip{96000, "mono"},
                                           RoundTrip{96000, "stereo"}, RoundTrip{96000, "multi"}),
                         [](const ::testing::TestParamInfo<RoundTrip>& row) {
                           return std::string(row.param.kind) + std::to_string(row.param.rate);
                         });

TEST_F(Cli, EncodesBothBinLayoutsAndDecodesIntoEither) {
  const std::vector<std::uint8_t> data = testing::RandomBytes(120, 7);
  const TapeName name = testing::NameOf("GAME.OVL");
  WriteFileBytes(Bins() / "long.bin", BinFile(02000, data, &name));
  WriteFileBytes(Bins() / "PLAIN.bin", BinFile(03000, data, nullptr));
  const TapeName plainName = testing::NameOf("PLAIN");
  struct Row {
    const char* bin;
    const char* decodeOption;
    const char* output;
    std::string bytes;
  };
  const Row rows[] = {
      {"long.bin", "--long-bin", "GAME.OVL.bin", BinFile(02000, data, &name)},
      {"long.bin", "--short-bin", "GAME.OVL.bin", BinFile(02000, data, nullptr)},
      {"PLAIN.bin", "--long-bin", "PLAIN.bin", BinFile(03000, data, &plainName)},
      {"PLAIN.bin", "--short-bin", "PLAIN.bin", BinFile(03000, data, nullptr)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.bin << " " << row.decodeOption);
    fs::remove_all(Tapes());
    fs::create_directories(Tapes());
    Encode({row.bin}, "tape.wav", {"--rate", "22050"});
    const CliResult result = Run({row.decodeOption, "tape.wav"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(BinOut(row.output), row.bytes);
  }
}

TEST_F(Cli, AlignsAStereoRecordingWhoseChannelsAreOffset) {
  const std::string bin = ShortBin("SHIFTED", 01000, 100, 3);
  struct Row {
    int offset;  // samples by which the right channel comes later
    const char* line;
  };
  const Row rows[] = {{5, "ОК. Дельта (l-r): -5.\n"}, {-5, "ОК. Дельта (l-r): 5.\n"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.offset);
    fs::remove_all(Tapes());
    fs::create_directories(Tapes());
    Encode({bin}, "tape.wav", {"--offset", std::to_string(row.offset)});
    const CliResult result = Run({"tape.wav"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find(std::string("Микширование\n") + row.line), std::string::npos) << result.out;
    EXPECT_EQ(BinOut(bin), BinIn(bin));
    EXPECT_EQ(ListLog(), Stored(Tape("tape.wav") + ":\tSHIFTED.bin\t\t1000\t144\n"));
    EXPECT_FALSE(fs::exists(Tapes() / "tape.log"));
  }
}

// Where each tape file's signal begins after a stretch of silence.
std::vector<std::int32_t> SoundStarts(const std::string& wav) {
  AudioClip clip;
  EXPECT_TRUE(clip.Load(wav));
  std::vector<std::int32_t> starts;
  std::int32_t silent = 1000;
  for (std::int32_t i = 0; i < clip.SampleCount(); ++i) {
    const bool quiet = clip.channels[0][static_cast<std::size_t>(i)] == 0.0;
    if (!quiet && silent >= 1000) starts.push_back(i);
    silent = quiet ? silent + 1 : 0;
  }
  return starts;
}

TEST_F(Cli, MultiFileHeadsEverySegmentWithItsBounds) {
  const std::vector<std::string> bins{ShortBin("ONE", 01000, 100, 1), ShortBin("TWO", 02000, 110, 2),
                                      ShortBin("THREE", 03000, 120, 3)};
  Encode(bins, "tape.wav");
  const std::vector<std::int32_t> sounds = SoundStarts(Tape("tape.wav"));
  ASSERT_EQ(sounds.size(), 3u);
  AudioClip clip;
  ASSERT_TRUE(clip.Load(Tape("tape.wav")));

  const CliResult result = Run({"--multi-file", "tape.wav"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(result.out.ends_with("Конец кассеты.\n"));
  const std::string log = ListLog();
  const std::string head = Stored(Tape("tape.wav") + "\n");
  ASSERT_TRUE(log.starts_with(head)) << log;
  ASSERT_TRUE(log.ends_with(Stored("Конец кассеты.\n")));
  // The segment lines hold no Cyrillic, so they read as they were formatted.
  std::vector<std::int32_t> bounds;
  std::size_t at = head.size();
  const char* names[] = {"ONE.bin\t\t1000\t144", "TWO.bin\t\t2000\t156", "THREE.bin\t\t3000\t170"};
  for (int segment = 1; segment <= 3; ++segment) {
    SCOPED_TRACE(segment);
    int number = 0;
    int first = 0;
    int end = 0;
    int consumed = 0;
    ASSERT_EQ(std::sscanf(log.c_str() + at, "\t(%2d, %9d, %9d):\t%n", &number, &first, &end, &consumed), 3);
    EXPECT_EQ(number, segment);
    EXPECT_EQ(log.substr(at, static_cast<std::size_t>(consumed)), FormatText("\t(%02d, %9d, %9d):\t", number, first, end));
    at += static_cast<std::size_t>(consumed);
    const std::string line = std::string(names[segment - 1]) + "\r\n";
    ASSERT_EQ(log.substr(at, line.size()), line);
    at += line.size();
    // A piece begins within an impulse or two of its tuning sequence (12
    // samples each at the default rate) and ends where the next begins.
    EXPECT_GE(first, sounds[static_cast<std::size_t>(segment - 1)]);
    EXPECT_LE(first, sounds[static_cast<std::size_t>(segment - 1)] + 24);
    if (!bounds.empty()) {
      EXPECT_EQ(first, bounds.back());
    }
    bounds.push_back(end);
  }
  EXPECT_EQ(bounds.back(), clip.SampleCount());
  EXPECT_EQ(log.substr(at), Stored("Конец кассеты.\n"));
  for (const std::string& bin : bins) EXPECT_EQ(BinOut(bin), BinIn(bin)) << bin;
}

TEST_F(Cli, MultiFileWithoutATuningSequenceWritesOneLineAndFails) {
  std::string error;
  ASSERT_TRUE(WriteWavFile(Tapes() / "quiet.wav", std::vector<Signal>{Signal(30000, 0.0)}, 44100,
                           WavSampleFormat::Pcm16, error))
      << error;
  const CliResult result = Run({"--multi-file", "quiet.wav"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(ListLog(), Stored(Tape("quiet.wav") + ":\tНастроечная последовательность не найдена.\n"));
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(fs::exists(Tapes() / "quiet.log"));

  // The recordings queued after it are still decoded.
  const std::string bin = ShortBin("AFTER", 01000, 100, 4);
  Encode({bin}, "after.wav");
  const CliResult both = Run({"--multi-file", "quiet.wav", "after.wav"});
  EXPECT_EQ(both.status, 1);
  EXPECT_EQ(BinOut(bin), BinIn(bin));
  EXPECT_TRUE(ListLog().ends_with(Stored("Конец кассеты.\n")));
}

TEST_F(Cli, AFileInTwoSegmentsIsWrittenTwice) {
  const std::string bin = ShortBin("AGAIN", 01000, 100, 5);
  Encode({bin, bin}, "tape.wav");
  const CliResult result = Run({"--multi-file", "tape.wav"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(BinOut("AGAIN.bin"), BinIn(bin));
  EXPECT_EQ(BinOut("AGAIN(1).bin"), BinIn(bin));
  EXPECT_FALSE(fs::exists(Tapes() / "AGAIN(2).bin"));
  const std::string log = ListLog();
  EXPECT_NE(log.find("):\tAGAIN.bin\t\t1000\t144\r\n\t(02, "), std::string::npos) << log;
  EXPECT_TRUE(log.ends_with("):\tAGAIN(1).bin\t\t1000\t144\r\n" + Stored("Конец кассеты.\n")));
}

TEST_F(Cli, WhenEveryPassFailsBothLogsSaySo) {
  const std::string bin = ShortBin("BROKEN", 01234, 300, 6);
  Encode({bin}, "clean.wav");
  AudioClip clip;
  ASSERT_TRUE(clip.Load(Tape("clean.wav")));
  // Silence over a stretch of the data block: the header still reads.
  const std::vector<std::int32_t> sounds = SoundStarts(Tape("clean.wav"));
  ASSERT_EQ(sounds.size(), 1u);
  const auto sound = static_cast<std::size_t>(sounds[0]);
  const std::size_t span = static_cast<std::size_t>(clip.SampleCount()) - 2 * sound;
  std::fill_n(clip.channels[0].begin() + static_cast<std::ptrdiff_t>(sound + span * 7 / 10), span / 10, 0.0);
  std::string error;
  ASSERT_TRUE(WriteWavFile(Tapes() / "broken.wav", clip.channels, clip.sampleRate, WavSampleFormat::Pcm16, error));

  const CliResult result = Run({"broken.wav"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(ListLog(), Stored(Tape("broken.wav") + ":\tНе удалось.\n\t\tBROKEN\t\t1234\t454\n"));
  EXPECT_EQ(ReadFileBytes(Tapes() / "broken.log"), Stored("Не удалось.\nBROKEN -- 3 раз.\n"));
  EXPECT_FALSE(fs::exists(Tapes() / "BROKEN.bin"));
  // The stored bytes are Windows-1251: "Не удалось." is CD E5 20 F3 E4 E0 EB EE F1 FC 2E.
  EXPECT_EQ(ReadFileBytes(Tapes() / "broken.log").substr(0, 13), "\xCD\xE5 \xF3\xE4\xE0\xEB\xEE\xF1\xFC.\r\n");
}

TEST_F(Cli, TwoFilesInOneSweepAreBothWrittenAndCounted) {
  // Left: the first file, then silence; right: silence, then the second file.
  const std::string first = ShortBin("LEFT", 01000, 100, 8);
  const std::string second = ShortBin("RIGHT", 02000, 50, 9);
  Encode({first}, "a.wav");
  Encode({second}, "b.wav");
  AudioClip a;
  AudioClip b;
  ASSERT_TRUE(a.Load(Tape("a.wav")));
  ASSERT_TRUE(b.Load(Tape("b.wav")));
  Signal left = a.channels[0];
  left.resize(left.size() + b.channels[0].size(), 0.0);
  Signal right(a.channels[0].size(), 0.0);
  right.insert(right.end(), b.channels[0].begin(), b.channels[0].end());
  std::string error;
  ASSERT_TRUE(WriteWavFile(Tapes() / "both.wav", std::vector<Signal>{left, right}, 44100, WavSampleFormat::Pcm16, error));

  const CliResult result = Run({"both.wav"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(BinOut("LEFT.bin"), BinIn(first));
  EXPECT_EQ(BinOut("RIGHT.bin"), BinIn(second));
  // The plain mix holds the left file first, so the mix passes find it too.
  EXPECT_EQ(ListLog(), Stored(Tape("both.wav") + ":\tLEFT.bin\t\t1000\t144\n\t\tRIGHT.bin\t\t2000\t62\n"));
  EXPECT_EQ(ReadFileBytes(Tapes() / "both.log"), Stored("LEFT.bin -- 6 раз.\nRIGHT.bin -- 3 раз.\n"));
}

struct StatusRow {
  std::vector<std::string> args;
  int status;
  const char* err;  // a piece of standard error
};

class CliStatus : public Cli {
 protected:
  void ExpectStatuses(const std::vector<StatusRow>& rows) const {
    for (const StatusRow& row : rows) {
      std::string shown;
      for (const std::string& arg : row.args) shown += arg + " ";
      SCOPED_TRACE(shown);
      const CliResult result = Run(row.args);
      EXPECT_EQ(result.status, row.status) << result.err;
      EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
    }
  }
};

TEST_F(CliStatus, UsageErrorsGiveTwo) {
  ExpectStatuses({
      {{"--bogus", "good.wav"}, 2, "unknown option '--bogus'"},
      {{"--set", "TuneScatter=abc", "good.wav"}, 2, "TuneScatter"},
      {{"--tune-scatter", "99", "good.wav"}, 2, "TuneScatter"},
      {{"--set", "DeltaImpulse=5", "--save-settings", "good.wav"}, 2,
       "invalid value '5' for DeltaImpulse: expected a decimal number from 0.01 to 1"},
      {{"--set", "DeltaImpulse=1e308", "good.wav"}, 2, "DeltaImpulse"},
      {{"--delta-impulse", "1e-320", "--save-settings", "good.wav"}, 2, "DeltaImpulse"},
      {{"--set", "NoSuchSetting=1", "good.wav"}, 2, "unknown setting"},
      {{"--set", "MultiFile", "good.wav"}, 2, "Name=Value"},
      {{"--delta-impulse"}, 2, "needs a value"},
      {{}, 2, "no recording given"},
      {{"--multi-file"}, 2, "no recording given"},
      {{"--help"}, 0, ""},
  });
  EXPECT_FALSE(fs::exists(Tapes() / "!list.log"));
  EXPECT_FALSE(fs::exists(dir / "config")) << "a refused value is never saved";
}

TEST_F(CliStatus, DecodingGivesZeroOnlyWhenEveryRecordingGaveAFile) {
  const std::string bin = ShortBin("GOOD", 01000, 100, 10);
  Encode({bin}, "good.wav");
  WriteFileBytes(Tapes() / "taken.wav", "keep");
  ExpectStatuses({
      {{"good.wav"}, 0, ""},
      {{"--no-fronts", "--set", "IgnoreCRC=Yes", "good.wav"}, 0, ""},
      {{"missing.wav"}, 1, "missing.wav"},
      {{"good.wav", "missing.wav"}, 1, "missing.wav"},
      {{"taken.wav"}, 1, "taken.wav"},
  });
  EXPECT_EQ(ReadFileBytes(Tapes() / "taken.wav"), "keep");
  // Each good run wrote its own copy; no .bin was overwritten.
  EXPECT_EQ(BinOut("GOOD.bin"), BinIn(bin));
  EXPECT_EQ(BinOut("GOOD(2).bin"), BinIn(bin));
  EXPECT_FALSE(fs::exists(Tapes() / "GOOD(3).bin"));
}

TEST_F(CliStatus, EncodeRefusesWhatItCannotWrite) {
  const std::string bin = (Bins() / ShortBin("GOOD", 01000, 100, 10)).string();
  WriteFileBytes(Tapes() / "taken.wav", "keep");
  WriteFileBytes(Bins() / "empty.bin", std::string("\x00\x02\x00\x00", 4));
  WriteFileBytes(Bins() / "odd.bin", "\x01");
  ExpectStatuses({
      {{"encode"}, 2, "no .bin file given"},
      {{"encode", bin}, 2, "no output file given"},
      {{"encode", "--rate", "fast", bin, "-o", "e.wav"}, 2, "invalid sample rate"},
      {{"encode", "--offset", "-9223372036854775808", bin, "-o", "e.wav"}, 2, "invalid offset"},
      {{"encode", "--offset", "2147483648", bin, "-o", "e.wav"}, 2, "invalid offset"},
      {{"encode", "--offset", "2147483000", bin, "-o", "e.wav"}, 1, "longer than 2147483647"},
      {{"encode", (Bins() / "none.bin").string(), "-o", "e.wav"}, 1, "cannot read"},
      {{"encode", (Bins() / "empty.bin").string(), "-o", "e.wav"}, 1, "no data bytes"},
      {{"encode", (Bins() / "odd.bin").string(), "-o", "e.wav"}, 1, "fits neither layout"},
      {{"encode", bin, "-o", "taken.wav"}, 1, ""},
      {{"encode", "--help"}, 0, ""},
  });
  EXPECT_EQ(ReadFileBytes(Tapes() / "taken.wav"), "keep");
  EXPECT_FALSE(fs::exists(Tapes() / "e.wav"));
}

}  // namespace
}  // namespace varnetta
