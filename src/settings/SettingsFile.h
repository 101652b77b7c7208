#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnetta {

// The whole content of a regular file of at most maxBytes bytes; nothing when
// it is missing, not a regular file, unreadable or larger.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, std::size_t maxBytes);

// Makes path hold exactly contents, creating its directory when needed. A
// symbolic link is written through: the file it leads to is replaced, and the
// link stays. The text goes to a new temporary file beside that file, which
// takes the old file's permissions and is then renamed over it, so that the
// file holds either its old or its new content, never a part. False, with the
// file left as it was and no temporary file behind, when that fails.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view contents);

}  // namespace varnetta
