#include "recognition/TapeFileOutput.h"

#include <algorithm>
#include <optional>

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

}  // namespace

bool SaveTapeFile(Tally& savedTally, const std::filesystem::path& dir, bool longLayout, std::string_view suffix,
                  const TapeFile& record, const std::vector<std::uint8_t>* data) {
  if (data == nullptr) return false;
  TallyEntry* repeat = FindEntry(savedTally, [&](const TallyEntry& e) { return e.checksum == record.checksum; });
  if (repeat != nullptr) {
    ++repeat->count;
    return true;
  }
  const std::optional<std::filesystem::path> written =
      WriteUniqueFile(dir / BinFileName(record.name, suffix), EncodeBinFile(record, *data, longLayout));
  if (!written) return false;
  savedTally.push_back(NewEntry(written->filename().string(), record));
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
