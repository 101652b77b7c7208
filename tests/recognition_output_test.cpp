#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "recognition/BinLayout.h"
#include "recognition/OutputNames.h"
#include "recognition/TapeFileOutput.h"
#include "recognition/UniquePath.h"
#include "support/TapeRecords.h"
#include "support/TempDir.h"

namespace varnetta {
namespace {

using testing::DecodedRecord;
using testing::DirectoryContents;
using testing::NameOf;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;
using Bytes = std::vector<std::uint8_t>;

struct NameRow {
  const char* name;
  std::string_view tapeName;
  std::string_view suffix;
  std::string_view fileName;
};

TEST(OutputNames, FileNameFromTheTapeName) {
  const NameRow rows[] = {
      {"plain", "HELLO", "", "HELLO.bin"},
      {"white space at both ends", "  HI  THERE", "", "HI  THERE.bin"},
      {"sixteen spaces", "", "", ".bin"},
      {"a dot inside", "GAME.OVL", "", "GAME.OVL.bin"},
      {"separators and a colon", "A/B\\C:D", "", "A.B.C_D.bin"},
      {"characters a file name cannot hold", "<a>|b?*", "", "_a__b__.bin"},
      {"the double quote is kept", "SAY \"HI\"", "", "SAY \"HI\".bin"},
      {"a dot name", "..", "", "...bin"},
      {"KOI8-R Cyrillic", "\xF0\xF2\xEF\xE7\xE1", "", "ПРОГА.bin"},
      {"pseudographics", "\xA1\x7F", "", "┴■.bin"},
      {"a checksum suffix", "HELLO", "_BadCRC", "HELLO_BadCRC.bin"},
      {"a suffix alone", "", "_BADRecognize", "_BADRecognize.bin"},
  };
  for (const NameRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(BinFileName(NameOf(row.tapeName), row.suffix), row.fileName);
  }
}

TEST(OutputNames, FailureLabels) {
  TapeFile unread;
  EXPECT_EQ(FailureLabel(unread), "Нераспознано");
  TapeFile named = DecodedRecord("  A/B:C?  ", 0, {});
  EXPECT_EQ(FailureLabel(named), "A/B:C?");  // trimmed, nothing replaced
  TapeFile blank = DecodedRecord("", 0, {});
  EXPECT_EQ(FailureLabel(blank), "");
}

TEST(UniquePath, NumbersTheWantedNameUntilNothingIsThere) {
  struct Row {
    const char* name;
    std::vector<std::string> present;
    std::string wanted;
    std::string chosen;
  };
  const Row rows[] = {
      {"free", {"OTHER.bin"}, "HELLO.bin", "HELLO.bin"},
      {"taken once", {"HELLO.bin"}, "HELLO.bin", "HELLO(1).bin"},
      {"numbers do not pile up", {"HELLO.bin", "HELLO(1).bin"}, "HELLO.bin", "HELLO(2).bin"},
      {"a gap is used", {"HELLO.bin", "HELLO(2).bin"}, "HELLO.bin", "HELLO(1).bin"},
      {"only a numbered form present", {"HELLO(1).bin"}, "HELLO.bin", "HELLO.bin"},
      {"a leading dot is no extension", {".bin"}, ".bin", ".bin(1)"},
      {"the last dot starts the extension", {"GAME.OVL.bin"}, "GAME.OVL.bin", "GAME.OVL(1).bin"},
      {"no extension", {"README"}, "README", "README(1)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    for (const std::string& name : row.present) WriteFileBytes(dir / name, "x");
    EXPECT_EQ(MakeUniquePath(dir / row.wanted), dir / row.chosen);
  }
}

TEST(UniquePath, DirectoriesAndLinksTakeANameToo) {
  TempDir dir;
  std::filesystem::create_directory(dir / "D.bin");
  std::filesystem::create_symlink(dir / "nowhere", dir / "L.bin");
  EXPECT_EQ(MakeUniquePath(dir / "D.bin"), dir / "D(1).bin");
  EXPECT_EQ(MakeUniquePath(dir / "L.bin"), dir / "L(1).bin");
  EXPECT_EQ(WriteUniqueFile(dir / "L.bin", Bytes{1}), dir / "L(1).bin");
  EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));  // the link was not followed
}

TEST(UniquePath, NoNameWhenTheTestCannotTell) {
  TempDir dir;
  // Every path through a link to itself fails with a loop, not with "not found".
  std::filesystem::create_directory_symlink("loop", dir / "loop");
  EXPECT_EQ(MakeUniquePath(dir / "loop" / "HELLO.bin"), std::nullopt);
  EXPECT_FALSE(WriteUniqueFile(dir / "loop" / "HELLO.bin", Bytes{1}));
}

// A directory in which HELLO.bin and HELLO(1).bin ... HELLO(9999).bin exist.
void TakeAllNumbers(const TempDir& dir) {
  WriteFileBytes(dir / "HELLO.bin", "taken");
  for (int n = 1; n <= kHighestUniqueNumber; ++n)
    WriteFileBytes(dir / ("HELLO(" + std::to_string(n) + ").bin"), "taken");
}

TEST(UniquePath, NoNameWhenAllNumbersAreTaken) {
  TempDir dir;
  TakeAllNumbers(dir);
  EXPECT_EQ(MakeUniquePath(dir / "HELLO.bin"), std::nullopt);
  const auto before = DirectoryContents(dir.path());
  EXPECT_FALSE(WriteUniqueFile(dir / "HELLO.bin", Bytes{1}));
  EXPECT_EQ(DirectoryContents(dir.path()), before);  // no staged file left
}

TEST(BinLayout, ShortAndLongLayoutsByteForByte) {
  TapeFile record = DecodedRecord("HELLO", 0x1234, {0x01, 0x02, 0xFF});
  record.checksum = 0xBEEF;  // as read from the tape, whatever the data
  const Bytes data = {0x01, 0x02, 0xFF};
  EXPECT_EQ(EncodeBinFile(record, data, false), (Bytes{0x34, 0x12, 0x03, 0x00, 0x01, 0x02, 0xFF}));
  EXPECT_EQ(EncodeBinFile(record, data, true),
            (Bytes{0x34, 0x12, 0x03, 0x00, 'H', 'E', 'L', 'L',  'O',  ' ',  ' ',  ' ', ' ',
                   ' ',  ' ',  ' ',  ' ',  ' ', ' ', ' ', 0x01, 0x02, 0xFF, 0xEF, 0xBE}));
}

TEST(BinLayout, DataTheRecognitionDidNotReachIsZero) {
  TapeFile record = DecodedRecord("X", 0x0100, {1, 2, 3, 4});
  EXPECT_EQ(EncodeBinFile(record, Bytes{9, 8}, false), (Bytes{0x00, 0x01, 0x04, 0x00, 9, 8, 0, 0}));
  EXPECT_EQ(EncodeBinFile(record, Bytes{9, 8, 7, 6, 5, 4}, false), (Bytes{0x00, 0x01, 0x04, 0x00, 9, 8, 7, 6}));
}

class SaveTapeFileTest : public ::testing::Test {
 protected:
  bool Save(std::string_view suffix, const TapeFile& record, const Bytes* data) {
    return SaveTapeFile(saved, outDir, longLayout, suffix, record, data);
  }

  TempDir dir;
  std::filesystem::path outDir = dir.path();
  bool longLayout = false;
  Tally saved;
};

struct SavePass {
  TapeFile record;
  std::optional<Bytes> data;
  std::string_view suffix;
  bool saved;  // the expected result
};

struct SaveRow {
  const char* name;
  std::vector<std::string> present;
  std::vector<SavePass> passes;
  Tally savedTally;
};

// What the first pass that saved the entry's checksum writes, short layout.
std::string FirstWriting(const SaveRow& row, const TallyEntry& entry) {
  for (const SavePass& pass : row.passes) {
    if (pass.data && pass.record.checksum == entry.checksum) {
      const Bytes bytes = EncodeBinFile(pass.record, *pass.data, false);
      return std::string(bytes.begin(), bytes.end());
    }
  }
  return {};
}

TEST_F(SaveTapeFileTest, WritesEachTapeChecksumOnceUnderAFreeName) {
  const Bytes hello = {1, 2, 3};
  const Bytes other = {3, 2, 1};  // same checksum as hello
  const Bytes game = {0x10, 0x20};
  const TapeFile helloFile = DecodedRecord("HELLO", 0x0200, hello);
  const TapeFile otherFile = DecodedRecord("OTHER", 0x0300, other);
  const Bytes helloMisread = {1, 2, 4};  // read with a checksum fault
  const SaveRow rows[] = {
      {"a new name", {}, {{helloFile, hello, "", true}}, {{"HELLO.bin", 1, 0x0200, 3, 6}}},
      {"HELLO.bin and HELLO(1).bin present",
       {"HELLO.bin", "HELLO(1).bin"},
       {{helloFile, hello, "", true}},
       {{"HELLO(2).bin", 1, 0x0200, 3, 6}}},
      {"sixteen spaces", {}, {{DecodedRecord("", 0, game), game, "", true}}, {{".bin", 1, 0, 2, 0x30}}},
      {"sixteen spaces with .bin present",
       {".bin"},
       {{DecodedRecord("", 0, game), game, "", true}},
       {{".bin(1)", 1, 0, 2, 0x30}}},
      {"a dot inside", {}, {{DecodedRecord("GAME.OVL", 0, game), game, "", true}}, {{"GAME.OVL.bin", 1, 0, 2, 0x30}}},
      {"a dot inside, taken",
       {"GAME.OVL.bin"},
       {{DecodedRecord("GAME.OVL", 0, game), game, "", true}},
       {{"GAME.OVL(1).bin", 1, 0, 2, 0x30}}},
      {"separators", {}, {{DecodedRecord("A/B\\C:D", 0, game), game, "", true}}, {{"A.B.C_D.bin", 1, 0, 2, 0x30}}},
      {"Cyrillic",
       {},
       {{DecodedRecord("\xF0\xF2\xEF\xE7\xE1", 0, game), game, "", true}},
       {{"ПРОГА.bin", 1, 0, 2, 0x30}}},
      {"pseudographics", {}, {{DecodedRecord("\xA1\x7F", 0, game), game, "", true}}, {{"┴■.bin", 1, 0, 2, 0x30}}},
      {"a directory of that name", {"HELLO.bin/"}, {{helloFile, hello, "", true}}, {{"HELLO(1).bin", 1, 0x0200, 3, 6}}},
      {"suffix", {}, {{helloFile, hello, "_BadCRC", true}}, {{"HELLO_BadCRC.bin", 1, 0x0200, 3, 6}}},
      {"the same file twice",
       {},
       {{helloFile, hello, "", true}, {helloFile, hello, "", true}},
       {{"HELLO.bin", 2, 0x0200, 3, 6}}},
      {"two files with one checksum",
       {},
       {{helloFile, hello, "", true}, {otherFile, other, "", true}},
       {{"HELLO.bin", 2, 0x0200, 3, 6}}},
      {"a bad checksum, then a good decode",
       {},
       {{helloFile, helloMisread, "_BadCRC", true}, {helloFile, hello, "", true}},
       {{"HELLO_BadCRC.bin", 2, 0x0200, 3, 6}}},
      {"no data", {}, {{helloFile, std::nullopt, "", false}}, {}},
      {"no data, then data",
       {},
       {{helloFile, std::nullopt, "", false}, {helloFile, hello, "", true}},
       {{"HELLO.bin", 1, 0x0200, 3, 6}}},
  };
  for (const SaveRow& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir rowDir;
    outDir = rowDir.path();
    saved.clear();
    for (const std::string& name : row.present) {
      if (name.ends_with('/')) {
        std::filesystem::create_directory(rowDir / name);
      } else {
        WriteFileBytes(rowDir / name, "keep " + name);
      }
    }
    const auto before = DirectoryContents(rowDir.path());

    for (const SavePass& pass : row.passes) {
      EXPECT_EQ(Save(pass.suffix, pass.record, pass.data ? &*pass.data : nullptr), pass.saved);
    }

    EXPECT_EQ(saved, row.savedTally);
    auto expected = before;
    for (const TallyEntry& entry : row.savedTally) expected.emplace_back(entry.name, FirstWriting(row, entry));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(DirectoryContents(rowDir.path()), expected);  // presents unchanged, nothing else written
  }
}

TEST_F(SaveTapeFileTest, LongLayoutOnDisk) {
  longLayout = true;
  TapeFile record = DecodedRecord("\xE9\xC7\xD2\xC1", 0x4000, {0xAA, 0x55});  // КОИ-8 "Игра"
  record.checksum = 0x1234;
  const Bytes data = {0xAA, 0x55};
  ASSERT_TRUE(Save("", record, &data));
  EXPECT_EQ(ReadFileBytes(dir / "Игра.bin"), std::string("\x00\x40\x02\x00"
                                                         "\xE9\xC7\xD2\xC1            "
                                                         "\xAA\x55\x34\x12",
                                                         24));
}

TEST_F(SaveTapeFileTest, NothingIsWrittenWhenAllNumbersAreTaken) {
  TakeAllNumbers(dir);
  const auto before = DirectoryContents(dir.path());
  const Bytes data = {1, 2, 3};
  EXPECT_FALSE(Save("", DecodedRecord("HELLO", 0, data), &data));
  EXPECT_TRUE(saved.empty());
  EXPECT_EQ(DirectoryContents(dir.path()), before);
}

TEST_F(SaveTapeFileTest, NothingIsWrittenWhereNoFileCanBeCreated) {
  WriteFileBytes(dir / "plain", "keep");
  std::filesystem::create_directory_symlink("loop", dir / "loop");
  std::filesystem::create_directory(dir / "ro");
  std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  struct Row {
    const char* name;
    std::filesystem::path recordingDir;
    bool onlyWithoutRoot;
  };
  const Row rows[] = {
      {"the directory is a file", dir / "plain", false},
      {"the directory is missing", dir / "missing", false},
      {"a loop of links", dir / "loop", false},
      {"a read-only directory", dir / "ro", true},
  };
  const Bytes data = {1, 2, 3};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.onlyWithoutRoot && ::geteuid() == 0) continue;
    outDir = row.recordingDir;
    const auto before = DirectoryContents(dir.path());
    EXPECT_FALSE(Save("", DecodedRecord("HELLO", 0, data), &data));
    EXPECT_TRUE(saved.empty());
    EXPECT_EQ(DirectoryContents(dir.path()), before);
    EXPECT_EQ(ReadFileBytes(dir / "plain"), "keep");
  }
}

// Lets files of this process grow to at most the given size; writing beyond
// it fails (the signal it would raise is ignored meanwhile).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST_F(SaveTapeFileTest, AFileThatCannotBeWrittenToTheEndIsRemoved) {
  const Bytes data(1000, 0x5A);
  const TapeFile record = DecodedRecord("BIG", 0, data);
  bool written = true;
  {
    FileSizeLimit limit(100);
    written = Save("", record, &data);
  }
  EXPECT_FALSE(written);
  EXPECT_TRUE(saved.empty());
  EXPECT_TRUE(DirectoryContents(dir.path()).empty());
  // The same file is written in full once it fits.
  EXPECT_TRUE(Save("", record, &data));
  EXPECT_EQ(ReadFileBytes(dir / "BIG.bin").size(), 1004u);
}

TEST(NoteFailure, CountsEachLabelOnceWithTheFirstRecord) {
  Tally failures;
  TapeFile unread;
  TapeFile first = DecodedRecord("  HELLO", 0x0200, {1, 2, 3});
  TapeFile second = DecodedRecord("HELLO  ", 0x0300, {4});  // the same label after trimming
  NoteFailure(failures, unread);
  NoteFailure(failures, first);
  NoteFailure(failures, unread);
  NoteFailure(failures, second);
  const Tally expected = {{"Нераспознано", 2, 0xFFFF, 0xFFFF, 0xFFFF}, {"HELLO", 2, 0x0200, 3, 6}};
  EXPECT_EQ(failures, expected);
}

}  // namespace
}  // namespace varnetta
