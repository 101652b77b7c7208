#include "settings/SettingsFile.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>

#include "common/TextFormat.h"

namespace varnetta {

namespace {

namespace fs = std::filesystem;

struct TempFile {
  fs::path path;
  std::FILE* file = nullptr;
};

// A new file beside path under a name no one else uses: created exclusively,
// with another random name when that one is taken.
TempFile CreateTempBeside(const fs::path& path) {
  constexpr int kAttempts = 16;
  std::random_device random;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    fs::path candidate = path;
    candidate += FormatText(".%08x.tmp", static_cast<unsigned>(random()));
    errno = 0;
    if (std::FILE* file = std::fopen(candidate.c_str(), "wbx")) return {candidate, file};
    if (errno != EEXIST) break;
  }
  return {};
}

bool WriteAndClose(std::FILE* file, std::string_view contents) {
  bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
  written = std::fflush(file) == 0 && written;
  return std::fclose(file) == 0 && written;
}

}  // namespace

std::optional<std::string> ReadSmallFile(const fs::path& path, std::size_t maxBytes) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string contents(maxBytes + 1, '\0');
  in.read(contents.data(), static_cast<std::streamsize>(contents.size()));
  if (in.bad()) return std::nullopt;
  const auto size = static_cast<std::size_t>(in.gcount());
  if (size > maxBytes) return std::nullopt;
  contents.resize(size);
  return contents;
}

bool ReplaceFileAtomically(const fs::path& path, std::string_view contents) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  if (error) return false;
  const TempFile temp = CreateTempBeside(path);
  if (temp.file == nullptr) return false;
  bool replaced = WriteAndClose(temp.file, contents);
  if (replaced) {
    fs::rename(temp.path, path, error);
    replaced = !error;
  }
  if (!replaced) fs::remove(temp.path, error);
  return replaced;
}

}  // namespace varnetta
