#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "recognition/PassVerdict.h"
#include "recognition/SweepReport.h"
#include "support/TapeRecords.h"
#include "support/TempDir.h"

namespace varnetta {
namespace {

using testing::DecodedRecord;
using testing::DirectoryContents;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;
using Bytes = std::vector<std::uint8_t>;

// Keeps each work-log text together with the stage shown when it arrived.
class StagedWorkLog final : public SweepReport {
 public:
  void SetStage(std::string_view text) override { stage = text; }
  void ResetProgress(std::int32_t) override {}
  void SetProgressPosition(std::int32_t) override {}
  void AppendWorkLog(std::string_view text) override { lines.push_back("[" + stage + "] " + std::string(text)); }
  void ShowAnalysisSizes(std::int32_t, std::int32_t) override {}
  void SetTapeFileNumber(std::int32_t) override {}
  void ReportSkippedLog(const std::filesystem::path&, std::string_view) override {}

  std::string stage;
  std::vector<std::string> lines;
};

class ActOnRecognitionTest : public ::testing::Test {
 protected:
  void Act(RecognitionStage stage, const TapeFile& record, const std::optional<Bytes>& data) {
    ActOnRecognition(PassOutput{settings, outDir, report, tallies}, stage, record, data ? &*data : nullptr);
  }

  std::vector<std::string> WrittenFiles() const {
    std::vector<std::string> names;
    for (const auto& [name, content] : DirectoryContents(dir.path())) names.push_back(name);
    return names;
  }

  TempDir dir;
  std::filesystem::path outDir = dir.path();
  AppSettings settings;
  StagedWorkLog report;
  SweepTallies tallies;
};

struct VerdictRow {
  const char* name;
  bool ignoreCrc;
  bool ignoreErrors;
  RecognitionStage stage;
  TapeFile record;
  std::optional<Bytes> data;  // the bytes the pass read itself
  std::vector<std::string> pane;
  std::vector<std::string> files;
  Tally saved;
  Tally failures;
};

TEST_F(ActOnRecognitionTest, FollowsTheVerdictOfThePass) {
  const Bytes hello = {1, 2, 3};
  const Bytes misread = {1, 2, 4};
  const TapeFile good = DecodedRecord("HELLO", 0x0200, hello);
  TapeFile noChecksum = good;  // data read, the checksum never reached
  noChecksum.checksum = 0xFFFF;
  TapeFile afterHeader = noChecksum;  // stopped between header and data
  afterHeader.dataStart = -1;
  TapeFile beforeHeader;
  beforeHeader.tuneStart = 0;
  TapeFile empty = DecodedRecord("EMPTY", 0x0200, {});  // the header says 0 bytes
  empty.checksum = 0xFFFF;
  using enum RecognitionStage;

  const std::string success = "[Успешное распознавание.] ";
  const std::string crcIgnored = "[Ошибка КС. ИГНОРИРУЕТСЯ!] ";
  const std::string crc = "[Ошибка КС.] ";
  const std::string fault = "[Ошибка распознавания.] ";
  const TallyEntry helloSaved = {"HELLO.bin", 1, 0x0200, 3, 6};
  const TallyEntry helloFailed = {"HELLO", 1, 0x0200, 3, 6};
  const TallyEntry helloFailedUnread = {"HELLO", 1, 0x0200, 3, 0xFFFF};

  const VerdictRow rows[] = {
      {"checksum matches",
       false,
       false,
       Complete,
       good,
       hello,
       {success + "Успешное распознавание.\r\n", success + "Файл сохранён.\r\n"},
       {"HELLO.bin"},
       {helloSaved},
       {}},
      {"checksum matches under IgnoreCRC: no suffix",
       true,
       false,
       Complete,
       good,
       hello,
       {success + "Успешное распознавание.\r\n", success + "Файл сохранён.\r\n"},
       {"HELLO.bin"},
       {helloSaved},
       {}},
      {"checksum differs under IgnoreCRC",
       true,
       false,
       Complete,
       good,
       misread,
       {crcIgnored + "Ошибка КС. ИГНОРИРУЕТСЯ!\r\n", crcIgnored + "Файл сохранён.\r\n"},
       {"HELLO_BadCRC.bin"},
       {{"HELLO_BadCRC.bin", 1, 0x0200, 3, 6}},
       {}},
      {"checksum differs", false, false, Complete, good, misread, {crc + "Ошибка КС.\r\n"}, {}, {}, {helloFailed}},
      {"stopped in the checksum under IgnoreErrors",
       false,
       true,
       Checksum,
       noChecksum,
       hello,
       {fault + "Ошибка распознавания.\r\n", fault + "Неверно опознанный файл сохранён.\r\n"},
       {"HELLO_BADRecognize.bin"},
       {{"HELLO_BADRecognize.bin", 1, 0x0200, 3, 0xFFFF}},
       {helloFailedUnread}},
      {"stopped in the checksum",
       false,
       false,
       Checksum,
       noChecksum,
       hello,
       {fault + "Ошибка распознавания.\r\n"},
       {},
       {},
       {helloFailedUnread}},
      {"stopped after the header, under IgnoreErrors",
       true,
       true,
       ThirdSync,
       afterHeader,
       std::nullopt,
       {fault + "Ошибка распознавания.\r\n", fault + "Ошибка сохранения файла.\r\n"},
       {},
       {},
       {helloFailedUnread}},
      {"stopped before the header, under IgnoreErrors",
       true,
       true,
       FirstMarker,
       beforeHeader,
       std::nullopt,
       {fault + "Ошибка распознавания.\r\n", fault + "Ошибка сохранения файла.\r\n"},
       {},
       {},
       {{"Нераспознано", 1, 0xFFFF, 0xFFFF, 0xFFFF}}},
      {"a header of length 0 leaves nothing to save, under IgnoreErrors",
       false,
       true,
       DataLength,
       empty,
       std::nullopt,
       {fault + "Ошибка распознавания.\r\n", fault + "Ошибка сохранения файла.\r\n"},
       {},
       {},
       {{"EMPTY", 1, 0x0200, 0, 0xFFFF}}},
  };
  for (const VerdictRow& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir rowDir;
    outDir = rowDir.path();
    tallies = {};
    report.lines.clear();
    settings.IgnoreCRC = row.ignoreCrc ? 1 : 0;
    settings.IgnoreErrors = row.ignoreErrors ? 1 : 0;

    Act(row.stage, row.record, row.data);

    EXPECT_EQ(report.lines, row.pane);
    std::vector<std::string> files;
    for (const auto& [name, content] : DirectoryContents(rowDir.path())) files.push_back(name);
    EXPECT_EQ(files, row.files);
    EXPECT_EQ(tallies.saved, row.saved);
    EXPECT_EQ(tallies.failures, row.failures);
  }
}

TEST_F(ActOnRecognitionTest, FailuresWithoutChecksumShareTheUnreadChecksumAsKey) {
  settings.IgnoreErrors = 1;
  settings.UseLongBinFormat = 1;
  TapeFile first = DecodedRecord("ONE", 0x0100, {7});
  first.checksum = 0xFFFF;
  TapeFile second = DecodedRecord("TWO", 0x0300, {8, 8});
  second.checksum = 0xFFFF;

  Act(RecognitionStage::Checksum, first, Bytes{7});
  Act(RecognitionStage::Checksum, second, Bytes{8, 8});

  EXPECT_EQ(WrittenFiles(), std::vector<std::string>{"ONE_BADRecognize.bin"});
  EXPECT_EQ(ReadFileBytes(dir / "ONE_BADRecognize.bin"),
            std::string("\x00\x01\x01\x00ONE             \x07\xFF\xFF", 23));
  EXPECT_EQ(tallies.saved, (Tally{{"ONE_BADRecognize.bin", 2, 0x0100, 1, 0xFFFF}}));
  EXPECT_EQ(tallies.failures, (Tally{{"ONE", 1, 0x0100, 1, 0xFFFF}, {"TWO", 1, 0x0300, 2, 0xFFFF}}));
  // The repeat counts as saved.
  EXPECT_EQ(report.lines.back(), "[Ошибка распознавания.] Неверно опознанный файл сохранён.\r\n");
}

TEST_F(ActOnRecognitionTest, TheSameFileFromTwoPassesIsWrittenOnce) {
  const Bytes data = {1, 2, 3};
  const TapeFile record = DecodedRecord("HELLO", 0x0200, data);
  WriteFileBytes(dir / "HELLO.bin", "earlier");

  Act(RecognitionStage::Complete, record, data);
  Act(RecognitionStage::Complete, record, data);

  EXPECT_EQ(WrittenFiles(), (std::vector<std::string>{"HELLO(1).bin", "HELLO.bin"}));
  EXPECT_EQ(ReadFileBytes(dir / "HELLO.bin"), "earlier");
  EXPECT_EQ(tallies.saved, (Tally{{"HELLO(1).bin", 2, 0x0200, 3, 6}}));
  EXPECT_EQ(report.lines.back(), "[Успешное распознавание.] Файл сохранён.\r\n");
}

TEST_F(ActOnRecognitionTest, AFileThatCannotBeSavedIsReportedSo) {
  outDir = dir / "missing";
  const Bytes data = {1, 2, 3};
  Act(RecognitionStage::Complete, DecodedRecord("HELLO", 0x0200, data), data);
  EXPECT_EQ(report.lines.back(), "[Успешное распознавание.] Ошибка сохранения файла.\r\n");
  EXPECT_TRUE(tallies.saved.empty());
  EXPECT_TRUE(tallies.failures.empty());
}

}  // namespace
}  // namespace varnetta
