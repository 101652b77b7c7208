// varnetta-cli as built, in folders and with names that try to make it hang,
// follow a link, split a log line, lose work or write into the wrong file.
// Every run is bounded: a hang fails the test instead of holding it up.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audio/AudioClip.h"
#include "audio/WavWriter.h"
#include "recognition/LogText.h"
#include "support/ChildProcess.h"
#include "support/CommandLine.h"
#include "support/TapeRecordings.h"

namespace varnetta {
namespace {

namespace fs = std::filesystem;
using testing::BinHolds;
using testing::BinNameOf;
using testing::ChildProcess;
using testing::CommandLine;
using testing::kRunLimit;
using testing::ReadFileBytes;
using testing::RunResult;
using testing::SampleTapeRecord;
using testing::WriteFileBytes;

std::size_t Occurrences(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

std::string SkippedLine(const fs::path& log, const std::string& reason) {
  return "varnetta-cli: skipped the log file " + log.string() + ": " + reason + "\n";
}

enum class Occupant { kFifo, kLinkToAFileElsewhere, kDirectory };

// Puts the occupant under path; elsewhere is the file a link points to.
void Occupy(const fs::path& path, Occupant occupant, const fs::path& elsewhere) {
  switch (occupant) {
    case Occupant::kFifo: ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); break;
    case Occupant::kLinkToAFileElsewhere:
      WriteFileBytes(elsewhere, "");
      fs::create_symlink(elsewhere, path);
      break;
    case Occupant::kDirectory: fs::create_directory(path); break;
  }
}

bool StillThere(const fs::path& path, Occupant occupant, const fs::path& elsewhere) {
  switch (occupant) {
    case Occupant::kFifo: return fs::is_fifo(fs::symlink_status(path));
    case Occupant::kLinkToAFileElsewhere: return fs::is_symlink(path) && ReadFileBytes(elsewhere).empty();
    case Occupant::kDirectory: return fs::is_directory(path) && fs::is_empty(path);
  }
  return false;
}

TEST_F(CommandLine, WhatIsUnderALogsNameIsNeitherWaitedOnNorFollowedNorReplaced) {
  struct Row {
    const char* name;
    const char* log;
    Occupant occupant;
    bool tapeFile;  // a recording of one; else one of silence, in which nothing is found
    std::vector<std::string> options;
    const char* reason;
  };
  const char* const kNotRegular = "it is not a regular file";
  const char* const kLink = "it is a symbolic link";
  const Row rows[] = {
      {"a FIFO as the list log", "!list.log", Occupant::kFifo, true, {}, kNotRegular},
      {"a FIFO as the recording log", "tape.log", Occupant::kFifo, false, {"--no-fronts"}, kNotRegular},
      {"a FIFO as the work log", "!processing.log", Occupant::kFifo, true, {"--store-work-log"}, kNotRegular},
      {"a link as the list log", "!list.log", Occupant::kLinkToAFileElsewhere, true, {}, kLink},
      {"a link as the recording log", "tape.log", Occupant::kLinkToAFileElsewhere, false, {"--no-fronts"}, kLink},
      {"a link as the work log", "!processing.log", Occupant::kLinkToAFileElsewhere, true, {"--store-work-log"},
       kLink},
      {"a folder as the list log", "!list.log", Occupant::kDirectory, true, {}, kNotRegular},
  };
  const TapeRecord record = SampleTapeRecord("ONE", 200, 1);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string folder = std::string("case ") + row.name;
    const std::string recording = AddRecording(folder, row.tapeFile ? std::vector{record} : std::vector<TapeRecord>{});
    const fs::path log = dir / folder / row.log;
    const fs::path elsewhere = dir / (folder + " elsewhere");
    Occupy(log, row.occupant, elsewhere);

    std::vector<std::string> arguments = row.options;
    arguments.push_back(recording);
    const RunResult run = Run(arguments);
    ASSERT_TRUE(run.status) << "the run did not end";
    EXPECT_EQ(*run.status, row.tapeFile ? 0 : 1) << run.errors;
    EXPECT_EQ(Occurrences(run.errors, SkippedLine(log, row.reason)), 1u) << run.errors;
    EXPECT_TRUE(StillThere(log, row.occupant, elsewhere));
    if (row.tapeFile) {
      EXPECT_TRUE(BinHolds(dir / folder / BinNameOf(record), record));
    }
  }
}

TEST_F(CommandLine, ControlCharactersOfARecordingsNameNeverSplitALogLine) {
  const TapeRecord record = SampleTapeRecord("ONE", 200, 1);
  const std::string recording = AddRecording("tapes", {record}, "x\nINJECTED=1 #\n.wav");
  const RunResult run = Run({recording});
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string listLog = ListLogOf(recording);
  EXPECT_EQ(Occurrences(listLog, "\r\n"), 1u) << listLog;
  EXPECT_TRUE(listLog.starts_with(EncodeLogText((dir / "tapes" / "x?INJECTED=1 #?.wav").string() + ":\t")))
      << listLog;
  EXPECT_EQ(run.output.find("INJECTED=1 #\n"), std::string::npos);
}

TEST_F(CommandLine, AReaderThatGoesAwayLosesNoWork) {
  // As varnetta-cli ... | head -1 would: the output is read up to its first
  // line and then no more.
  const std::string recording = AddRecording("tapes", twoFiles);
  const std::unique_ptr<ChildProcess> child = Start({"--multi-file", recording});
  ASSERT_TRUE(child->Started());
  ASSERT_TRUE(child->WaitForOutput("\n", kRunLimit));
  child->CloseOutput();
  EXPECT_EQ(child->Wait(kRunLimit), 0) << ReadFileBytes(dir / "stderr.txt");
  for (const TapeRecord& record : twoFiles) EXPECT_TRUE(BinHolds(dir / "tapes" / BinNameOf(record), record));
  EXPECT_NE(ListLogOf(recording).find(EncodeLogText("Конец кассеты.\n")), std::string::npos);
}

TEST_F(CommandLine, ARecordingThatGivesNothingSaysWhyOnStandardError) {
  TapeRecord record = SampleTapeRecord("CUT", 3000, 1);
  const std::string silence = AddRecording("silence", {});
  const std::string whole = AddRecording("whole", {record});
  // The same file with its recording cut off in the middle of its data.
  const std::string cut = AddRecording("cut", {record});
  AudioClip clip;
  ASSERT_TRUE(clip.Load(cut));
  clip.channels[0].resize(clip.channels[0].size() * 2 / 3);
  fs::remove(cut);
  std::string error;
  ASSERT_TRUE(WriteWavFile(cut, clip.channels, clip.sampleRate, WavSampleFormat::Pcm16, error)) << error;

  const std::string noTuning = ": no tuning sequence was found";
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    std::string start;  // of the one line, after "nothing recovered from "
    std::string end;
  };
  const Row rows[] = {
      {"silence", {silence}, silence + noTuning + " (\"Настроечная последовательность не найдена.\")", ""},
      {"silence, every pass run", {"--no-fronts", silence}, silence + noTuning + " (\"Не удалось.\")", ""},
      {"silence, multi-file",
       {"--multi-file", silence},
       silence + noTuning + " (\"Настроечная последовательность не найдена.\")",
       ""},
      {"cut in its data",
       {cut},
       cut + ": the furthest analysis, Фронты:Левый, stopped at sample ",
       ": the data could not be read (--ignore-errors saves what was read) (\"Не удалось.\")"},
  };
  const std::string head = "varnetta-cli: nothing recovered from ";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const RunResult run = Run(row.arguments);
    ASSERT_EQ(run.status, 1) << run.errors;
    ASSERT_EQ(Occurrences(run.errors, head), 1u) << run.errors;
    const std::size_t at = run.errors.find(head);
    const std::string line = run.errors.substr(at, run.errors.find('\n', at) - at);
    EXPECT_TRUE(line.starts_with(head + row.start)) << line;
    EXPECT_TRUE(line.ends_with(row.end)) << line;
  }
  // A recording that gave its file says nothing of the kind.
  const RunResult good = Run({whole});
  ASSERT_EQ(good.status, 0) << good.errors;
  EXPECT_EQ(good.errors, "");
}

TEST_F(CommandLine, ARecordingsLogIsNeverTheRecordingNorAnotherLog) {
  struct Row {
    const char* recording;
    const char* recordingLog;
    bool listLogRefused;
  };
  const Row rows[] = {
      {"cut.log", "cut.log.log", false},
      {"!list.wav", "!list.wav.log", false},
      {"!processing.wav", "!processing.wav.log", false},
      {"!list.log", "!list.log.log", true},
  };
  // Without the edge analysis the one pass runs on silence and fails, so
  // that the recording log is written.
  const std::string entry = EncodeLogText("Не удалось.\nНераспознано -- 1 раз.\n");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.recording);
    const std::string folder = std::string("case ") + row.recording;
    const std::string recording = AddRecording(folder, {}, row.recording);
    const std::string before = ReadFileBytes(recording);
    const RunResult run = Run({"--no-fronts", "--store-work-log", recording});
    ASSERT_EQ(run.status, 1) << run.errors;
    EXPECT_EQ(ReadFileBytes(recording), before);
    EXPECT_EQ(ReadFileBytes(dir / folder / row.recordingLog), entry);
    EXPECT_NE(ReadFileBytes(dir / folder / "!processing.log").find(EncodeLogText("Ошибка распознавания.\r\n")),
              std::string::npos);
    const fs::path listLog = dir / folder / "!list.log";
    if (row.listLogRefused) {
      EXPECT_EQ(Occurrences(run.errors, SkippedLine(listLog, "it is the recording itself")), 1u) << run.errors;
    } else {
      EXPECT_EQ(ReadFileBytes(listLog), EncodeLogText(recording + ":\tНе удалось.\n\t\tНераспознано\t\t177777\t177777\n"));
    }
  }
}

}  // namespace
}  // namespace varnetta
