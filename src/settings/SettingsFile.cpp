#include "settings/SettingsFile.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>
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

// The file the path names once symbolic links in its last part are followed,
// link after link, as writing to the path would; the path itself when it is
// no link. Nothing when the links go round or cannot be read.
std::optional<fs::path> LinkTarget(const fs::path& path) {
  // As many links as the kernel follows before it gives up.
  constexpr int kMaxLinks = 40;
  fs::path target = path;
  for (int link = 0; link <= kMaxLinks; ++link) {
    std::error_code error;
    if (!fs::is_symlink(target, error)) return target;
    const fs::path next = fs::read_symlink(target, error);
    if (error) return std::nullopt;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return std::nullopt;
}

// Gives the new file the permissions of the old one, if there is an old one;
// false when that fails.
bool TakePermissions(const fs::path& old, const fs::path& replacement) {
  std::error_code error;
  const fs::file_status status = fs::status(old, error);
  if (!fs::exists(status)) return true;
  fs::permissions(replacement, status.permissions(), error);
  return !error;
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
  const std::optional<fs::path> target = LinkTarget(path);
  if (!target) return false;
  std::error_code error;
  fs::create_directories(target->parent_path(), error);
  if (error) return false;
  const TempFile temp = CreateTempBeside(*target);
  if (temp.file == nullptr) return false;
  const bool permitted = TakePermissions(*target, temp.path);
  bool replaced = WriteAndClose(temp.file, contents) && permitted;
  if (replaced) {
    fs::rename(temp.path, *target, error);
    replaced = !error;
  }
  if (!replaced) fs::remove(temp.path, error);
  return replaced;
}

}  // namespace varnetta
