#include "recognition/UniquePath.h"

#include <string>
#include <system_error>
#include <utility>

#include "common/OutputFiles.h"

namespace varnetta {

namespace {

struct Candidate {
  std::filesystem::path path;
  int number;  // 0 for the wanted path itself
};

std::filesystem::path NumberedPath(const std::filesystem::path& wanted, int number) {
  if (number == 0) return wanted;
  const std::string fileName = wanted.filename().string();
  const std::size_t dot = fileName.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot != 0;
  const std::string stem = hasExtension ? fileName.substr(0, dot) : fileName;
  const std::string extension = hasExtension ? fileName.substr(dot) : std::string();
  return wanted.parent_path() / (stem + "(" + std::to_string(number) + ")" + extension);
}

enum class Occupancy { kFree, kTaken, kUnknown };

Occupancy OccupancyOf(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return Occupancy::kFree;
  if (status.type() == std::filesystem::file_type::none) return Occupancy::kUnknown;
  return Occupancy::kTaken;
}

std::optional<Candidate> FirstFreeCandidate(const std::filesystem::path& wanted, int firstNumber) {
  for (int number = firstNumber; number <= kHighestUniqueNumber; ++number) {
    Candidate candidate{NumberedPath(wanted, number), number};
    switch (OccupancyOf(candidate.path)) {
      case Occupancy::kFree:
        return candidate;
      case Occupancy::kTaken:
        break;
      case Occupancy::kUnknown:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::filesystem::path> MakeUniquePath(const std::filesystem::path& wanted) {
  std::optional<Candidate> candidate = FirstFreeCandidate(wanted, 0);
  if (!candidate) return std::nullopt;
  return std::move(candidate->path);
}

std::optional<std::filesystem::path> WriteUniqueFile(const std::filesystem::path& wanted,
                                                     std::span<const std::uint8_t> bytes) {
  std::optional<StagedFile> staged = StagedFile::Create(wanted.parent_path());
  if (!staged || !staged->Write(bytes)) return std::nullopt;
  int number = 0;
  while (std::optional<Candidate> candidate = FirstFreeCandidate(wanted, number)) {
    switch (staged->Publish(candidate->path)) {
      case StagedFile::Publication::Published: return std::move(candidate->path);
      case StagedFile::Publication::NameTaken: number = candidate->number + 1; break;
      case StagedFile::Publication::Failed: return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace varnetta
