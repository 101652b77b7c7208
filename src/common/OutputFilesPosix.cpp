#include "common/OutputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace varnetta {

namespace {

constexpr const char* kSymbolicLink = "it is a symbolic link";
constexpr const char* kNotRegular = "it is not a regular file";

std::string ErrorText(int error) { return std::strerror(error); }

// Why a file that exists under path is not one to append to; nothing when it
// is a regular file or nothing is there.
std::optional<std::string> ProblemOfWhatIsThere(const std::filesystem::path& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) {
    if (errno == ENOENT) return std::nullopt;
    return ErrorText(errno);
  }
  if (S_ISLNK(status.st_mode)) return kSymbolicLink;
  if (!S_ISREG(status.st_mode)) return kNotRegular;
  return std::nullopt;
}

bool WriteAll(int descriptor, const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t written = ::write(descriptor, bytes, count);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

// The temporary names of the staged files that exist.
class StagedNames {
 public:
  void Add(const std::string& name) {
    std::lock_guard lock(mutex_);
    names_.push_back(name);
  }
  void Remove(const std::string& name) {
    std::lock_guard lock(mutex_);
    const auto found = std::find(names_.begin(), names_.end(), name);
    if (found != names_.end()) names_.erase(found);
  }
  void UnlinkAll() {
    std::lock_guard lock(mutex_);
    for (const std::string& name : names_) ::unlink(name.c_str());
    names_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> names_;
};

StagedNames& Staged() {
  static StagedNames names;
  return names;
}

}  // namespace

std::optional<std::string> AppendToRegularFile(const std::filesystem::path& path, std::string_view bytes) {
  // Looking first spares a device the open; the checks after the open catch
  // whatever took the name meanwhile.
  if (std::optional<std::string> problem = ProblemOfWhatIsThere(path)) return problem;
  const int descriptor =
      ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (descriptor < 0) return errno == ELOOP ? std::string(kSymbolicLink) : ErrorText(errno);
  struct stat status {};
  std::optional<std::string> problem;
  if (::fstat(descriptor, &status) != 0) {
    problem = ErrorText(errno);
  } else if (!S_ISREG(status.st_mode)) {
    problem = kNotRegular;
  } else if (!WriteAll(descriptor, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) {
    problem = ErrorText(errno);
  }
  if (::close(descriptor) != 0 && !problem) problem = ErrorText(errno);
  return problem;
}

std::optional<StagedFile> StagedFile::Create(const std::filesystem::path& dir) {
  std::string name = (dir / ".varnetta-XXXXXX.part").string();
  const int descriptor = ::mkostemps(name.data(), 5, O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  Staged().Add(name);
  return StagedFile(descriptor, name);
}

StagedFile::StagedFile(int descriptor, std::filesystem::path temporary)
    : descriptor_(descriptor), temporary_(std::move(temporary)) {}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), temporary_(std::exchange(other.temporary_, {})) {}

StagedFile::~StagedFile() { Discard(); }

void StagedFile::Discard() {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
  if (temporary_.empty()) return;
  ::unlink(temporary_.c_str());
  Forget();
}

void StagedFile::Forget() {
  Staged().Remove(temporary_.string());
  temporary_.clear();
}

bool StagedFile::Write(std::span<const std::uint8_t> bytes) {
  if (descriptor_ < 0) return false;
  const bool written = WriteAll(descriptor_, bytes.data(), bytes.size()) && ::fsync(descriptor_) == 0;
  const bool closed = ::close(descriptor_) == 0;
  descriptor_ = -1;
  return written && closed;
}

StagedFile::Publication StagedFile::Publish(const std::filesystem::path& path) {
  if (temporary_.empty()) return Publication::Failed;
  // A hard link refuses a name that is taken; where the file system has no
  // hard links, a rename that refuses to replace does the same.
  int result = ::link(temporary_.c_str(), path.c_str());
  if (result != 0 && errno != EEXIST) {
    result = ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    if (result == 0) {
      Forget();  // the rename took the temporary name away
      return Publication::Published;
    }
  }
  if (result != 0) return errno == EEXIST ? Publication::NameTaken : Publication::Failed;
  Discard();
  return Publication::Published;
}

void RemoveStagedFiles() { Staged().UnlinkAll(); }

}  // namespace varnetta
