#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

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

// Writes bytes as a new file under the name MakeUniquePath would choose. The
// file is written under a temporary name in the same folder and given its
// name only when it is complete; when that name is taken meanwhile, the next
// number is tried. Never opens or replaces anything that existed before. The
// name given, or nothing when no name is free or the file cannot be written
// (then nothing of it is left behind).
std::optional<std::filesystem::path> WriteUniqueFile(const std::filesystem::path& wanted,
                                                     std::span<const std::uint8_t> bytes);

}  // namespace varnetta
