#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "recognition/LogFiles.h"
#include "support/ChildProcess.h"
#include "support/TapeRecordings.h"
#include "support/TempDir.h"

namespace varnetta::testing {

// Bounds for runs that must end; far beyond what they take.
constexpr std::chrono::seconds kRunLimit{120};

struct RunResult {
  std::optional<int> status;  // none when the run did not end in time
  std::string output;
  std::string errors;
};

// varnetta-cli as built, run with its configuration in a directory of the
// test's own, so the user's settings are never read or touched.
class CommandLine : public ::testing::Test {
 protected:
  std::filesystem::path ConfigFile() const { return dir / "config" / "Orlenvik" / "Varnetta.conf"; }

  std::vector<std::string> OwnEnvironment() const {
    return {"XDG_CONFIG_HOME=" + (dir / "config").string(), "HOME=" + (dir / "home").string()};
  }

  std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments) {
    return StartIn(OwnEnvironment(), arguments);
  }
  std::unique_ptr<ChildProcess> StartIn(const std::vector<std::string>& environment,
                                        const std::vector<std::string>& arguments) {
    return std::make_unique<ChildProcess>(VARNETTA_CLI, arguments, environment, dir / "stderr.txt");
  }

  RunResult Run(const std::vector<std::string>& arguments) { return RunIn(OwnEnvironment(), arguments); }
  RunResult RunIn(const std::vector<std::string>& environment, const std::vector<std::string>& arguments) {
    const std::unique_ptr<ChildProcess> child = StartIn(environment, arguments);
    EXPECT_TRUE(child->Started());
    RunResult result;
    result.status = child->Wait(kRunLimit);
    result.output = child->output;
    result.errors = ReadFileBytes(dir / "stderr.txt");
    return result;
  }

  // A folder with a recording of the tape files (none: a second of silence);
  // the recording's path.
  std::string AddRecording(const std::string& folder, const std::vector<TapeRecord>& records,
                           const std::string& name = "tape.wav") {
    std::filesystem::create_directories(dir / folder);
    const std::filesystem::path path = dir / folder / name;
    EXPECT_TRUE(WriteTapeRecording(path, records));
    return path.string();
  }

  std::string ListLogOf(const std::string& recording) const {
    return ReadFileBytes(std::filesystem::path(recording).parent_path() / kListLogFileName);
  }

  TempDir dir;
  const std::vector<TapeRecord> twoFiles = {SampleTapeRecord("ONE", 200, 1), SampleTapeRecord("TWO", 300, 2)};
};

}  // namespace varnetta::testing
