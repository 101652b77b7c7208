#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/ProcessingContext.h"
#include "recognition/PassVerdict.h"
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

// Keeps each log-pane text together with the stage shown when it arrived.
class PaneWithStage final : public Reporter {
 public:
  void ShowPath(std::string_view) override {}
  void ShowAnalysisSizes(std::int32_t, std::int32_t) override {}
  void SetProgressRange(std::int32_t, std::int32_t) override {}
  void SetProgressPosition(std::int32_t) override {}
  void AppendToLogPane(std::string_view text) override {
    lines.push_back("[" + context->ReadStage().stageText + "] " + std::string(text));
  }

  const ProcessingContext* context = nullptr;
  std::vector<std::string> lines;
};

class ActOnRecognitionTest : public ::testing::Test {
 protected:
  ActOnRecognitionTest() {
    reporter.context = &ctx;
    ctx.recordingDir = dir.path();
  }

  std::vector<std::string> WrittenFiles() const {
    std::vector<std::string> names;
    for (const auto& [name, content] : DirectoryContents(dir.path())) names.push_back(name);
    return names;
  }

  TempDir dir;
  PaneWithStage reporter;
  ProcessingContext ctx{reporter};
};

struct VerdictRow {
  const char* name;
  bool ignoreCrc;
  bool ignoreErrors;
  bool recognised;
  TapeFile record;
  Bytes parserData;
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
  const TapeFile empty = DecodedRecord("EMPTY", 0x0200, {});
  const Bytes leftOver = {9, 9, 9};  // bytes of an earlier pass

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
       true,
       good,
       hello,
       {success + "Успешное распознавание.\r\n", success + "Файл сохранён.\r\n"},
       {"HELLO.bin"},
       {helloSaved},
       {}},
      {"checksum matches under IgnoreCRC: no suffix",
       true,
       false,
       true,
       good,
       hello,
       {success + "Успешное распознавание.\r\n", success + "Файл сохранён.\r\n"},
       {"HELLO.bin"},
       {helloSaved},
       {}},
      {"checksum differs under IgnoreCRC",
       true,
       false,
       true,
       good,
       misread,
       {crcIgnored + "Ошибка КС. ИГНОРИРУЕТСЯ!\r\n", crcIgnored + "Файл сохранён.\r\n"},
       {"HELLO_BadCRC.bin"},
       {{"HELLO_BadCRC.bin", 1, 0x0200, 3, 6}},
       {}},
      {"checksum differs", false, false, true, good, misread, {crc + "Ошибка КС.\r\n"}, {}, {}, {helloFailed}},
      {"not recognised under IgnoreErrors",
       false,
       true,
       false,
       noChecksum,
       hello,
       {fault + "Ошибка распознавания.\r\n", fault + "Неверно опознанный файл сохранён.\r\n"},
       {"HELLO_BADRecognize.bin"},
       {{"HELLO_BADRecognize.bin", 1, 0x0200, 3, 0xFFFF}},
       {helloFailedUnread}},
      {"not recognised",
       false,
       false,
       false,
       noChecksum,
       hello,
       {fault + "Ошибка распознавания.\r\n"},
       {},
       {},
       {helloFailedUnread}},
      {"stopped after the header, under IgnoreErrors",
       true,
       true,
       false,
       afterHeader,
       leftOver,
       {fault + "Ошибка распознавания.\r\n", fault + "Ошибка сохранения файла.\r\n"},
       {},
       {},
       {helloFailedUnread}},
      {"stopped before the header, under IgnoreErrors",
       true,
       true,
       false,
       beforeHeader,
       leftOver,
       {fault + "Ошибка распознавания.\r\n", fault + "Ошибка сохранения файла.\r\n"},
       {},
       {},
       {{"Нераспознано", 1, 0xFFFF, 0xFFFF, 0xFFFF}}},
      {"a file of length 0 has no data to save",
       false,
       false,
       true,
       empty,
       leftOver,
       {success + "Успешное распознавание.\r\n", success + "Ошибка сохранения файла.\r\n"},
       {},
       {},
       {}},
  };
  for (const VerdictRow& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir rowDir;
    ctx.recordingDir = rowDir.path();
    ctx.savedTally.clear();
    ctx.failureTally.clear();
    reporter.lines.clear();
    ctx.settings.IgnoreCRC = row.ignoreCrc ? 1 : 0;
    ctx.settings.IgnoreErrors = row.ignoreErrors ? 1 : 0;

    ActOnRecognition(ctx, row.recognised, row.record, row.parserData);

    EXPECT_EQ(reporter.lines, row.pane);
    std::vector<std::string> files;
    for (const auto& [name, content] : DirectoryContents(rowDir.path())) files.push_back(name);
    EXPECT_EQ(files, row.files);
    EXPECT_EQ(ctx.savedTally, row.saved);
    EXPECT_EQ(ctx.failureTally, row.failures);
  }
}

TEST_F(ActOnRecognitionTest, FailuresWithoutChecksumShareTheUnreadChecksumAsKey) {
  ctx.settings.IgnoreErrors = 1;
  ctx.settings.UseLongBinFormat = 1;
  TapeFile first = DecodedRecord("ONE", 0x0100, {7});
  first.checksum = 0xFFFF;
  TapeFile second = DecodedRecord("TWO", 0x0300, {8, 8});
  second.checksum = 0xFFFF;

  ActOnRecognition(ctx, false, first, Bytes{7});
  ActOnRecognition(ctx, false, second, Bytes{8, 8});

  EXPECT_EQ(WrittenFiles(), std::vector<std::string>{"ONE_BADRecognize.bin"});
  EXPECT_EQ(ReadFileBytes(dir / "ONE_BADRecognize.bin"),
            std::string("\x00\x01\x01\x00ONE             \x07\xFF\xFF", 23));
  EXPECT_EQ(ctx.savedTally, (Tally{{"ONE_BADRecognize.bin", 2, 0x0100, 1, 0xFFFF}}));
  EXPECT_EQ(ctx.failureTally, (Tally{{"ONE", 1, 0x0100, 1, 0xFFFF}, {"TWO", 1, 0x0300, 2, 0xFFFF}}));
  // The repeat counts as saved.
  EXPECT_EQ(reporter.lines.back(), "[Ошибка распознавания.] Неверно опознанный файл сохранён.\r\n");
}

TEST_F(ActOnRecognitionTest, TheSameFileFromTwoPassesIsWrittenOnce) {
  const Bytes data = {1, 2, 3};
  const TapeFile record = DecodedRecord("HELLO", 0x0200, data);
  WriteFileBytes(dir / "HELLO.bin", "earlier");

  ActOnRecognition(ctx, true, record, data);
  ActOnRecognition(ctx, true, record, data);

  EXPECT_EQ(WrittenFiles(), (std::vector<std::string>{"HELLO(1).bin", "HELLO.bin"}));
  EXPECT_EQ(ReadFileBytes(dir / "HELLO.bin"), "earlier");
  EXPECT_EQ(ctx.savedTally, (Tally{{"HELLO(1).bin", 2, 0x0200, 3, 6}}));
  EXPECT_EQ(reporter.lines.back(), "[Успешное распознавание.] Файл сохранён.\r\n");
}

TEST_F(ActOnRecognitionTest, AFileThatCannotBeSavedIsReportedSo) {
  ctx.recordingDir = dir / "missing";
  const Bytes data = {1, 2, 3};
  ActOnRecognition(ctx, true, DecodedRecord("HELLO", 0x0200, data), data);
  EXPECT_EQ(reporter.lines.back(), "[Успешное распознавание.] Ошибка сохранения файла.\r\n");
  EXPECT_TRUE(ctx.savedTally.empty());
  EXPECT_TRUE(ctx.failureTally.empty());
}

}  // namespace
}  // namespace varnetta
