#include "recognition/TapeFileOutput.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "recognition/BinLayout.h"
#include "recognition/OutputNames.h"
#include "recognition/UniquePath.h"

namespace varnetta {

namespace {

TallyEntry* FindEntry(Tally& tally, auto matches) {
  const auto found = std::find_if(tally.begin(), tally.end(), matches);
  return found == tally.end() ? nullptr : &*found;
}

TallyEntry NewEntry(std::string name, const TapeFile& record) {
  return TallyEntry{std::move(name), 1, record.address, record.length, record.checksum};
}

// Writes all bytes and closes the file; false when any of it failed.
bool WriteAndClose(CreatedFile& file, const std::vector<std::uint8_t>& bytes) {
  std::FILE* stream = file.stream.release();
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
  const bool closed = std::fclose(stream) == 0;
  return written && closed;
}

}  // namespace

bool SaveTapeFile(Tally& savedTally, const std::filesystem::path& dir, bool longLayout, std::string_view suffix,
                  const TapeFile& record, const std::vector<std::uint8_t>* data) {
  if (data == nullptr) return false;
  TallyEntry* repeat = FindEntry(savedTally, [&](const TallyEntry& e) { return e.checksum == record.checksum; });
  if (repeat != nullptr) {
    ++repeat->count;
    return true;
  }
  std::optional<CreatedFile> file = CreateUniqueFile(dir / BinFileName(record.name, suffix));
  if (!file) return false;
  if (!WriteAndClose(*file, EncodeBinFile(record, *data, longLayout))) {
    // We created it, so removing it destroys nothing of the user's.
    std::error_code ignored;
    std::filesystem::remove(file->path, ignored);
    return false;
  }
  savedTally.push_back(NewEntry(file->path.filename().string(), record));
  return true;
}

void NoteFailure(Tally& failureTally, const TapeFile& record) {
  std::string label = FailureLabel(record);
  TallyEntry* known = FindEntry(failureTally, [&](const TallyEntry& e) { return e.name == label; });
  if (known != nullptr) {
    ++known->count;
  } else {
    failureTally.push_back(NewEntry(std::move(label), record));
  }
}

}  // namespace varnetta
