#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace varnetta::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it (read-only parts included) when the test ends.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnetta-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
      if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
      }
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every name in the directory with the file's content ("<dir>" for a
// directory, "<link> target" for a link), sorted by name.
inline std::vector<std::pair<std::string, std::string>> DirectoryContents(const std::filesystem::path& dir) {
  std::vector<std::pair<std::string, std::string>> contents;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::string content;
    if (entry.is_symlink()) {
      content = "<link> " + std::filesystem::read_symlink(entry.path()).string();
    } else if (entry.is_directory()) {
      content = "<dir>";
    } else {
      content = ReadFileBytes(entry.path());
    }
    contents.emplace_back(entry.path().filename().string(), std::move(content));
  }
  std::sort(contents.begin(), contents.end());
  return contents;
}

}  // namespace varnetta::testing
