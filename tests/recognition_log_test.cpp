#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "recognition/LogFiles.h"
#include "recognition/LogLines.h"
#include "recognition/LogText.h"
#include "support/TempDir.h"

namespace varnetta {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

struct TextRow {
  const char* name;
  std::string_view text;
  std::string_view stored;
};

TEST(LogText, StoresWindows1251WithOneCrLfPerLineEnd) {
  const TextRow rows[] = {
      {"ASCII", "Files: 3, %o", "Files: 3, %o"},
      {"Cyrillic", "Ошибка КС.", "\xCE\xF8\xE8\xE1\xEA\xE0 \xCA\xD1."},
      {"first and last letter", "Ая", "\xC0\xFF"},
      {"letters and signs of the upper half", "ЁёЂї№€™—\u00A0¶", "\xA8\xB8\x80\xBF\xB9\x88\x99\x97\xA0\xB6"},
      {"pseudographics the code page lacks", "A┴B■C", "A?B?C"},
      {"a character beyond the BMP", "x\U0001F600y", "x?y"},
      {"bare line feeds", "a\nb\n\n", "a\r\nb\r\n\r\n"},
      {"CR LF stays one CR LF", "a\r\nb\r\n", "a\r\nb\r\n"},
      {"CR LF inside and at the end", "Канал 1\r\nКанал 2\r\n", "\xCA\xE0\xED\xE0\xEB 1\r\n\xCA\xE0\xED\xE0\xEB 2\r\n"},
      {"a lone CR is kept", "a\rb\r", "a\rb\r"},
      {"CR before CR LF", "a\r\r\n", "a\r\r\n"},
      {"invalid bytes",
       "a\xFF"
       "b\xC0\xAF"
       "c",
       "a?b??c"},
      {"a surrogate", "\xED\xA0\x80!",
       "???"
       "!"},
      {"a truncated sequence at the end", "я\xD1", "\xFF?"},
      {"empty", "", ""},
  };
  for (const TextRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(EncodeLogText(row.text), row.stored);
  }
}

TEST(LogFiles, AppendsToWhatIsThereAndNeverTruncates) {
  TempDir dir;
  const auto file = dir / "!list.log";
  WriteFileBytes(file, "earlier run\r\n");

  EXPECT_EQ(AppendToLogFile(file, "Конец кассеты.\n"), std::nullopt);
  EXPECT_EQ(AppendToLogFile(file, "Конец кассеты.\n"), std::nullopt);

  EXPECT_EQ(ReadFileBytes(file),
            "earlier run\r\n"
            "\xCA\xEE\xED\xE5\xF6 \xEA\xE0\xF1\xF1\xE5\xF2\xFB.\r\n"
            "\xCA\xEE\xED\xE5\xF6 \xEA\xE0\xF1\xF1\xE5\xF2\xFB.\r\n");
}

TEST(LogFiles, AnEmptyTextCreatesNoFile) {
  TempDir dir;
  EXPECT_EQ(AppendToLogFile(dir / "tape.log", ""), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(dir / "tape.log"));
}

TEST(LogFiles, RecordingLogIsNamedAfterTheRecordingAndIsNeverAnotherLog) {
  struct Row {
    const char* recording;
    const char* log;
  };
  const Row rows[] = {
      {"/rec/tape01.wav", "/rec/tape01.log"},
      {"/rec/noext", "/rec/noext.log"},
      {"/rec/a.b.aiff", "/rec/a.b.log"},
      {"/rec/кассета.WAV", "/rec/кассета.log"},
      // Never the recording itself, nor the list log or the work log.
      {"/rec/cut.log", "/rec/cut.log.log"},
      {"/rec/cut.LOG", "/rec/cut.LOG.log"},
      {"/rec/!list.wav", "/rec/!list.wav.log"},
      {"/rec/!LIST.wav", "/rec/!LIST.wav.log"},
      {"/rec/!processing.aiff", "/rec/!processing.aiff.log"},
      {"/rec/!list.log", "/rec/!list.log.log"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.recording);
    const RecordingLogs logs = LogsBeside(row.recording);
    EXPECT_EQ(logs.recording.path, std::filesystem::path(row.log));
    EXPECT_EQ(logs.recording.refusal, "");
    EXPECT_EQ(logs.list.path, std::filesystem::path("/rec/!list.log"));
    EXPECT_EQ(logs.work.path, std::filesystem::path("/rec/!processing.log"));
  }
}

TEST(LogFiles, AListOrWorkLogThatWouldBeTheRecordingIsRefused) {
  EXPECT_EQ(LogsBeside("/rec/!list.log").list.refusal, "it is the recording itself");
  EXPECT_EQ(LogsBeside("/rec/!list.log").work.refusal, "");
  EXPECT_EQ(LogsBeside("/rec/!Processing.log").work.refusal, "it is the recording itself");
  EXPECT_EQ(LogsBeside("/rec/!Processing.log").list.refusal, "");
}

TEST(LogLines, EveryLineKindHasItsFormat) {
  const Tally failures = {{"Нераспознано", 5, 0xFFFF, 0xFFFF, 0xFFFF}, {"HELLO", 1, 0x0200, 0x000A, 0x1234}};
  const Tally oneFile = {{"HELLO.bin", 3, 0x0200, 0x000A, 0x1234}};
  const Tally twoFiles = {{"HELLO.bin", 3, 0x0200, 0x000A, 0x1234}, {"GAME(1).bin", 1, 0, 0xFFFF, 0x0001}};
  struct LineRow {
    const char* name;
    std::string text;
    std::string_view stored;
  };
  const LineRow rows[] = {
      {"tuning not found", ListLogTuningNotFound("/r/t.wav"),
       "/r/t.wav:\tНастроечная последовательность не найдена.\n"},
      {"recording head", ListLogRecordingHead("/r/t.wav"), "/r/t.wav:\t"},
      {"recording line", ListLogRecordingLine("/r/t.wav"), "/r/t.wav\n"},
      {"segment head", ListLogSegmentHead(1, 0, 123456), "\t(01,         0,    123456):\t"},
      {"segment head, wide numbers", ListLogSegmentHead(123, 999999999, 2147483647),
       "\t(123, 999999999, 2147483647):\t"},
      {"nothing saved", ListLogNothingSaved(failures),
       "Не удалось.\n\t\tНераспознано\t\t177777\t177777\n\t\tHELLO\t\t1000\t12\n"},
      {"nothing saved, no failure", ListLogNothingSaved({}), "Не удалось.\n"},
      {"one file", ListLogSavedFiles(oneFile), "HELLO.bin\t\t1000\t12\n"},
      {"several files", ListLogSavedFiles(twoFiles), "HELLO.bin\t\t1000\t12\n\t\tGAME(1).bin\t\t0\t177777\n"},
      {"end of tape", ListLogEndOfTape(), "Конец кассеты.\n"},
      {"segment prefix", RecordingLogSegmentPrefix(7), "(07): "},
      {"counts", RecordingLogCounts(twoFiles), "HELLO.bin -- 3 раз.\nGAME(1).bin -- 1 раз.\n"},
  };
  for (const LineRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.text, row.stored);
  }
}

TEST(LogLines, EntriesOfASweepFollowItsTallies) {
  const Tally none;
  const Tally failures = {{"Нераспознано", 2, 0xFFFF, 0xFFFF, 0xFFFF}};
  const Tally oneFile = {{"HELLO.bin", 3, 0x0200, 0x000A, 0x1234}};
  const Tally twoFiles = {{"A.bin", 2, 0x0200, 0x000A, 0x1234}, {"B.bin", 1, 0x0300, 0x0010, 0x4321}};
  const SweepPiece whole{1, true, 0, 1000};
  const SweepPiece first{1, false, 10, 500};
  const SweepPiece second{2, false, 500, 1000};
  struct Row {
    const char* name;
    SweepPiece piece;
    const Tally& saved;
    const Tally& failures;
    std::string_view listEntry;
    std::string_view recordingEntry;
  };
  const Row rows[] = {
      {"whole, one file", whole, oneFile, failures, "/r/t.wav:\tHELLO.bin\t\t1000\t12\n", ""},
      {"whole, two files", whole, twoFiles, none, "/r/t.wav:\tA.bin\t\t1000\t12\n\t\tB.bin\t\t1400\t20\n",
       "A.bin -- 2 раз.\nB.bin -- 1 раз.\n"},
      {"whole, nothing", whole, none, failures, "/r/t.wav:\tНе удалось.\n\t\tНераспознано\t\t177777\t177777\n",
       "Не удалось.\nНераспознано -- 2 раз.\n"},
      {"first segment, one file", first, oneFile, none,
       "/r/t.wav\n\t(01,        10,       500):\tHELLO.bin\t\t1000\t12\n", ""},
      {"second segment, two files", second, twoFiles, none,
       "\t(02,       500,      1000):\tA.bin\t\t1000\t12\n\t\tB.bin\t\t1400\t20\n",
       "(02): A.bin -- 2 раз.\nB.bin -- 1 раз.\n"},
      {"second segment, nothing", second, none, failures,
       "\t(02,       500,      1000):\tНе удалось.\n\t\tНераспознано\t\t177777\t177777\n",
       "(02): Не удалось.\nНераспознано -- 2 раз.\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ListLogEntry("/r/t.wav", row.piece, row.saved, row.failures), row.listEntry);
    EXPECT_EQ(RecordingLogEntry(row.piece, row.saved, row.failures), row.recordingEntry);
  }
}

TEST(LogLines, ARecordingsPathKeepsAnEntryOnItsLines) {
  const std::string path = "/r/x\nINJECTED=1 #\n.wav";
  const std::string shown = "/r/x?INJECTED=1 #?.wav";
  EXPECT_EQ(ListLogTuningNotFound(path), shown + ":\tНастроечная последовательность не найдена.\n");
  EXPECT_EQ(ListLogEntry(path, SweepPiece{}, {}, {}), shown + ":\tНе удалось.\n");
  EXPECT_EQ(ListLogEntry(path, SweepPiece{1, false, 0, 9}, {}, {}),
            shown + "\n\t(01,         0,         9):\tНе удалось.\n");
}

TEST(LogLines, AnEntryIsStoredAsCp1251WithCrLf) {
  TempDir dir;
  const Tally failures = {{"ПРОГА┴", 1, 0x0200, 0x000A, 0x1234}};
  const auto file = dir / "!list.log";
  ASSERT_EQ(AppendToLogFile(file, ListLogEntry("/м/t.wav", SweepPiece{}, {}, failures)), std::nullopt);
  EXPECT_EQ(ReadFileBytes(file),
            "/\xEC/t.wav:\t\xCD\xE5 \xF3\xE4\xE0\xEB\xEE\xF1\xFC.\r\n"
            "\t\t\xCF\xD0\xCE\xC3\xC0?\t\t1000\t12\r\n");
}

}  // namespace
}  // namespace varnetta
