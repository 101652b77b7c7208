#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/LargeBuffers.h"
#include "common/OutputFiles.h"
#include "common/StopRequest.h"
#include "common/Utf8.h"
#include "support/TempDir.h"

namespace varnetta {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;
using Bytes = std::vector<std::uint8_t>;

// Everything in the folder, as names.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(AppendToRegularFile, AppendsToRegularFilesAndLeavesEverythingElseAlone) {
  TempDir dir;
  const fs::path elsewhere = dir / "elsewhere";
  struct Row {
    const char* name;
    void (*prepare)(const fs::path& at, const fs::path& elsewhere);
    std::optional<std::string> problem;
    const char* content;  // of the file afterwards, for a regular one
  };
  const Row rows[] = {
      {"nothing there", [](const fs::path&, const fs::path&) {}, std::nullopt, "new"},
      {"a regular file", [](const fs::path& at, const fs::path&) { WriteFileBytes(at, "old "); }, std::nullopt,
       "old new"},
      {"a link to a file",
       [](const fs::path& at, const fs::path& other) {
         WriteFileBytes(other, "");
         fs::create_symlink(other, at);
       },
       "it is a symbolic link", nullptr},
      {"a link to nothing", [](const fs::path& at, const fs::path& other) { fs::create_symlink(other, at); },
       "it is a symbolic link", nullptr},
      {"a FIFO", [](const fs::path& at, const fs::path&) { ::mkfifo(at.c_str(), 0644); }, "it is not a regular file",
       nullptr},
      {"a folder", [](const fs::path& at, const fs::path&) { fs::create_directory(at); }, "it is not a regular file",
       nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path at = dir / row.name;
    fs::remove(elsewhere);
    row.prepare(at, elsewhere);
    EXPECT_EQ(AppendToRegularFile(at, "new"), row.problem);
    if (row.content != nullptr) {
      EXPECT_EQ(ReadFileBytes(at), row.content);
    } else {
      // Never followed: what a link points to stays as it was.
      EXPECT_TRUE(!fs::exists(elsewhere) || ReadFileBytes(elsewhere).empty());
    }
  }
}

TEST(StagedFile, IsGivenItsNameOnlyWhenCompleteAndNeverReplacesAnything) {
  TempDir dir;
  WriteFileBytes(dir / "TAKEN.bin", "keep");
  std::optional<StagedFile> staged = StagedFile::Create(dir.path());
  ASSERT_TRUE(staged);
  ASSERT_TRUE(staged->Write(Bytes{1, 2, 3}));
  // Until published, the file lies under a temporary name only.
  ASSERT_EQ(Names(dir.path()).size(), 2u);
  EXPECT_FALSE(fs::exists(dir / "NEW.bin"));

  EXPECT_EQ(staged->Publish(dir / "TAKEN.bin"), StagedFile::Publication::NameTaken);
  EXPECT_EQ(ReadFileBytes(dir / "TAKEN.bin"), "keep");
  EXPECT_EQ(staged->Publish(dir / "NEW.bin"), StagedFile::Publication::Published);
  EXPECT_EQ(ReadFileBytes(dir / "NEW.bin"), std::string("\x01\x02\x03", 3));
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"NEW.bin", "TAKEN.bin"}));
}

TEST(StagedFile, LeavesNothingBehindWhenNotPublished) {
  TempDir dir;
  {
    std::optional<StagedFile> staged = StagedFile::Create(dir.path());
    ASSERT_TRUE(staged);
    ASSERT_TRUE(staged->Write(Bytes{1}));
  }
  EXPECT_TRUE(Names(dir.path()).empty());

  // An exit that skips the destructors removes the staged file first.
  std::optional<StagedFile> kept = StagedFile::Create(dir.path());
  ASSERT_TRUE(kept);
  ASSERT_EQ(Names(dir.path()).size(), 1u);
  RemoveStagedFiles();
  EXPECT_TRUE(Names(dir.path()).empty());
  EXPECT_EQ(kept->Publish(dir / "LATE.bin"), StagedFile::Publication::Failed);
  EXPECT_TRUE(Names(dir.path()).empty());
}

TEST(StagedFile, CannotBeCreatedWhereNoFileCanBe) {
  TempDir dir;
  EXPECT_FALSE(StagedFile::Create(dir / "missing"));
}

TEST(ReplaceControlCharacters, KeepsEveryNameOnOneLine) {
  struct Row {
    const char* name;
    std::string text;
    std::string replaced;
  };
  const Row rows[] = {
      {"plain", "/ленты/tape01.wav", "/ленты/tape01.wav"},
      {"line feeds and a tab", "x\nINJECTED=1 #\n\t.wav", "x?INJECTED=1 #??.wav"},
      {"carriage return, DEL, escape", "a\rb\x7F" "c\x1B[2J", "a?b?c?[2J"},
      {"a C1 control", "a\xC2\x85" "b", "a?b"},
      {"a NUL", std::string("a\0b", 3), "a?b"},
      {"invalid bytes stay", "a\xFF" "b", "a\xFF" "b"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ReplaceControlCharacters(row.text), row.replaced);
  }
}

TEST(ZeroSignal, FillsZerosUnlessAStopComesFirst) {
  Signal signal{1.0, 2.0};
  const StopRequest running;
  EXPECT_TRUE(ZeroSignal(signal, 5, running));
  EXPECT_EQ(signal, Signal(5, 0.0));
  StopRequest stopped;
  stopped.Request();
  EXPECT_FALSE(ZeroSignal(signal, 10'000'000, stopped));
  EXPECT_LT(signal.size(), 10'000'000u);
}

}  // namespace
}  // namespace varnetta
