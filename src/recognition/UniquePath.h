#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

namespace varnetta {

// The highest number put into a name to make it unique: NAME(9999).bin.
inline constexpr int kHighestUniqueNumber = 9999;

// The wanted path itself when nothing exists under it (no file, directory or
// link), otherwise the first of stem(1)ext, stem(2)ext, ... up to
// stem(9999)ext under which nothing exists. The extension is the file name
// from its last dot on, unless that dot is its first character: .bin has
// none, so its numbered form is .bin(1). Nothing when all numbers are taken
// or a test fails otherwise than by finding nothing (access denied, a loop of
// links): then no free name is known.
std::optional<std::filesystem::path> MakeUniquePath(const std::filesystem::path& wanted);

struct FileCloser {
  void operator()(std::FILE* stream) const { std::fclose(stream); }
};

struct CreatedFile {
  std::filesystem::path path;
  std::unique_ptr<std::FILE, FileCloser> stream;  // open for binary writing
};

// A new, empty file under the name MakeUniquePath would choose, created
// exclusively: when that name is taken between the test and the creation, the
// next number is tried. Never opens anything that existed before. Nothing
// when no name is free or the file cannot be created.
std::optional<CreatedFile> CreateUniqueFile(const std::filesystem::path& wanted);

}  // namespace varnetta
