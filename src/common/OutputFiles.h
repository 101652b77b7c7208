#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace varnetta {

// Writing the files that go beside a recording. None of it follows a
// symbolic link, blocks on something that is not a regular file (a FIFO, a
// device) or replaces anything that is there.

// Appends bytes to the regular file at path, creating it when nothing is
// there; anything else under the name is left alone. Nothing when all bytes
// were appended, otherwise why not, in English (such as "it is a symbolic
// link").
std::optional<std::string> AppendToRegularFile(const std::filesystem::path& path, std::string_view bytes);

// A new file written under a temporary name in a folder and given its final
// name only once it is complete, so that no interruption leaves a part of it
// under that name. The temporary name is removed whatever happens: by
// Publish, by the destructor, or by RemoveStagedFiles at an exit that skips
// the destructors.
class StagedFile {
 public:
  // A new, empty file in dir; nothing when none can be created there.
  static std::optional<StagedFile> Create(const std::filesystem::path& dir);

  StagedFile(StagedFile&& other) noexcept;
  StagedFile& operator=(StagedFile&&) = delete;
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  ~StagedFile();

  // Writes all bytes and has them reach the disk; false when that fails.
  bool Write(std::span<const std::uint8_t> bytes);

  enum class Publication {
    Published,  // the file now lies under the name, and only there
    NameTaken,  // something is there already; the file stays staged
    Failed,     // the name cannot be given here; the file stays staged
  };
  // Gives the written file the name `path`, in the same folder, when nothing
  // is there under it.
  Publication Publish(const std::filesystem::path& path);

 private:
  StagedFile(int descriptor, std::filesystem::path temporary);
  // Closes the file and removes its temporary name.
  void Discard();
  // Lets go of the temporary name, which no longer names the file.
  void Forget();

  int descriptor_ = -1;
  std::filesystem::path temporary_;  // empty once published or discarded
};

// Removes the temporary file of every staged file that still has one. For an
// exit that does not run the destructors; callable from any thread.
void RemoveStagedFiles();

}  // namespace varnetta
