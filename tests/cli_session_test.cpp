#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "recognition/LogFiles.h"
#include "recognition/LogLines.h"
#include "recognition/LogText.h"
#include "support/ChildProcess.h"
#include "support/CommandLine.h"
#include "support/TapeRecordings.h"

namespace varnetta {
namespace {

using testing::BinHolds;
using testing::BinNameOf;
using testing::ChildProcess;
using testing::CommandLine;
using testing::kRunLimit;
using testing::ReadFileBytes;
using testing::RunResult;
using testing::SampleTapeRecord;
using testing::WriteFileBytes;

bool HasSegmentHeads(const std::string& listLog) {
  return listLog.find("\t(01, ") != std::string::npos && listLog.find("\t(02, ") != std::string::npos;
}

TEST_F(CommandLine, SavedSettingsAreUsedByTheNextRun) {
  const std::string first = AddRecording("first", twoFiles);
  const RunResult saving = Run({"--multi-file", "--save-settings", first});
  ASSERT_EQ(saving.status, 0) << saving.errors;
  EXPECT_EQ(ReadFileBytes(ConfigFile()),
            "[Software\\Orlenvik\\Varnetta]\n"
            "UseLongBinFormat=No\nFrontAnalyse=Yes\nFrontAliasing=Yes\nFrontLevels=No\nIgnoreCRC=No\n"
            "IgnoreErrors=No\nStoreWorkLog=No\nMultiFile=Yes\nDeepRecovery=Yes\nTuneScatter=3\nDeltaImpulse=0.3\n");

  const std::string second = AddRecording("second", twoFiles);
  const RunResult reusing = Run({second});
  ASSERT_EQ(reusing.status, 0) << reusing.errors;
  EXPECT_TRUE(HasSegmentHeads(ListLogOf(second))) << ListLogOf(second);
  for (const TapeRecord& record : twoFiles) {
    SCOPED_TRACE(BinNameOf(record));
    EXPECT_TRUE(BinHolds(dir / "second" / BinNameOf(record), record));
  }
}

TEST_F(CommandLine, ASaveThatFailsEndsTheRunWithOneAfterTheDecoding) {
  // A regular file where the settings folder would be.
  WriteFileBytes(dir / "not-a-folder", "x");
  struct Case {
    const char* name;
    std::vector<std::string> environment;
    std::string message;
  };
  const Case cases[] = {
      {"the settings folder cannot be made",
       {"XDG_CONFIG_HOME=" + (dir / "not-a-folder").string(), "HOME=" + (dir / "home").string()},
       "varnetta-cli: cannot save the settings to " + (dir / "not-a-folder" / "Orlenvik" / "Varnetta.conf").string() +
           "\n"},
      {"no settings folder is known", {"XDG_CONFIG_HOME", "HOME"},
       "varnetta-cli: cannot save the settings: no settings folder is known (neither XDG_CONFIG_HOME nor HOME is set "
       "to an absolute path)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(dir / "tapes");
    const std::string recording = AddRecording("tapes", twoFiles);
    const RunResult run = RunIn(c.environment, {"--multi-file", "--save-settings", recording});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, c.message);
    for (const TapeRecord& record : twoFiles) {
      SCOPED_TRACE(BinNameOf(record));
      EXPECT_TRUE(BinHolds(dir / "tapes" / BinNameOf(record), record));
    }
    EXPECT_TRUE(HasSegmentHeads(ListLogOf(recording)));
  }
  EXPECT_EQ(ReadFileBytes(dir / "not-a-folder"), "x");
}

TEST_F(CommandLine, StoredValuesAreReadAsIniReadersReadThem) {
  std::filesystem::create_directories(ConfigFile().parent_path());
  WriteFileBytes(ConfigFile(), "[software\\orlenvik\\VARNETTA]\n  multifile = Yes \t\n");
  const std::string recording = AddRecording("tapes", twoFiles);
  const RunResult run = Run({recording});
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_TRUE(HasSegmentHeads(ListLogOf(recording))) << ListLogOf(recording);
}

TEST_F(CommandLine, OptionsWithoutSaveSettingsHoldForTheirRunOnly) {
  // Nothing stored yet: a run with options stores nothing.
  const std::string first = AddRecording("first", twoFiles);
  const RunResult once = Run({"--multi-file", first});
  ASSERT_EQ(once.status, 0) << once.errors;
  EXPECT_TRUE(HasSegmentHeads(ListLogOf(first)));
  EXPECT_FALSE(std::filesystem::exists(ConfigFile()));

  // Stored settings: a run with other options leaves them as they are.
  const TapeRecord single = SampleTapeRecord("SOLO", 250, 3);
  const RunResult saving = Run({"--long-bin", "--save-settings", AddRecording("second", {single})});
  ASSERT_EQ(saving.status, 0) << saving.errors;
  const std::string stored = ReadFileBytes(ConfigFile());
  ASSERT_NE(stored.find("UseLongBinFormat=Yes\n"), std::string::npos) << stored;
  const RunResult other = Run({"--multi-file", "--short-bin", AddRecording("third", {single})});
  ASSERT_EQ(other.status, 0) << other.errors;
  EXPECT_EQ(ReadFileBytes(ConfigFile()), stored);
  EXPECT_EQ(std::filesystem::file_size(dir / "third" / BinNameOf(single)), 4 + single.data.size());

  // The next run without options has the stored settings, not the one-off ones.
  const std::string fourth = AddRecording("fourth", twoFiles);
  const RunResult plain = Run({fourth});
  ASSERT_EQ(plain.status, 0) << plain.errors;
  EXPECT_FALSE(HasSegmentHeads(ListLogOf(fourth))) << ListLogOf(fourth);
  EXPECT_EQ(std::filesystem::file_size(dir / "fourth" / BinNameOf(twoFiles[0])), 22 + twoFiles[0].data.size());
}

TEST_F(CommandLine, AnInterruptDuringADecodeEndsTheRunWith130AndNoPartialOutput) {
using testing::WriteFileBytes;
  // A short tape file, then one whose decode takes long: the interrupt comes
  // once the first pass of the second's sweep has reported its name.
  const std::vector<TapeRecord> records = {SampleTapeRecord("SHORT", 300, 6), SampleTapeRecord("LONG", 65535, 7)};
  const std::string recording = AddRecording("tapes", records);
  const std::filesystem::path folder = dir / "tapes";
  struct Row {
    const char* name;
    int signalNumber;
    bool twice;  // a second one right after: the program ends at once
  };
  const Row rows[] = {
      {"SIGINT", SIGINT, false}, {"SIGTERM", SIGTERM, false}, {"SIGHUP", SIGHUP, false}, {"SIGINT twice", SIGINT, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() != ".wav") std::filesystem::remove(entry.path());
    }

    const std::unique_ptr<ChildProcess> child = Start({"--multi-file", recording});
    ASSERT_TRUE(child->Started());
    ASSERT_TRUE(child->WaitForOutput("Имя: \"LONG", kRunLimit)) << child->output;
    child->Signal(row.signalNumber);
    if (row.twice) child->Signal(row.signalNumber);
    EXPECT_EQ(child->Wait(kRunLimit), 130) << ReadFileBytes(dir / "stderr.txt");

    // The second sweep was cut short: no summary of it, nor of the tape.
    const std::string listLog = ListLogOf(recording);
    EXPECT_EQ(listLog.find("\t(02, "), std::string::npos) << listLog;
    EXPECT_EQ(listLog.find(EncodeLogText(ListLogEndOfTape())), std::string::npos) << listLog;
    EXPECT_EQ(ReadFileBytes(LogsBeside(recording).recording.path).find(EncodeLogText(RecordingLogSegmentPrefix(2))),
              std::string::npos);
    // What was saved is whole, and nothing is left under a temporary name.
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      EXPECT_FALSE(entry.path().filename().string().starts_with(".varnetta-")) << entry.path();
      if (entry.path().extension() != ".bin") continue;
      SCOPED_TRACE(entry.path().filename().string());
      EXPECT_TRUE(BinHolds(entry.path(), records[0]) || BinHolds(entry.path(), records[1]));
    }
  }
}

}  // namespace
}  // namespace varnetta
