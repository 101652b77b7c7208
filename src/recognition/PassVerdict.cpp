#include "recognition/PassVerdict.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "recognition/TapeFileOutput.h"

namespace varnetta {

namespace {

constexpr std::string_view kSaved = "Файл сохранён.\r\n";
constexpr std::string_view kSavedInSpiteOfErrors = "Неверно опознанный файл сохранён.\r\n";
constexpr std::string_view kNotSaved = "Ошибка сохранения файла.\r\n";

struct Verdict {
  std::string_view message;                    // stage text and work-log line
  std::optional<std::string_view> saveSuffix;  // nothing: not saved
  std::string_view savedMessage;               // after a save that wrote or repeated
  bool countsAsFailure;
};

Verdict ChooseVerdict(bool recognised, bool checksumMatches, const AppSettings& settings) {
  if (recognised && checksumMatches) return {"Успешное распознавание.", "", kSaved, false};
  if (recognised && settings.IgnoreCRC != 0) return {"Ошибка КС. ИГНОРИРУЕТСЯ!", kBadChecksumSuffix, kSaved, false};
  if (recognised) return {"Ошибка КС.", std::nullopt, {}, true};
  if (settings.IgnoreErrors != 0) {
    return {"Ошибка распознавания.", kBadRecognitionSuffix, kSavedInSpiteOfErrors, true};
  }
  return {"Ошибка распознавания.", std::nullopt, {}, true};
}

}  // namespace

bool ActOnRecognition(const PassOutput& output, RecognitionStage stage, const TapeFile& record,
                      const std::vector<std::uint8_t>* data) {
  const bool recognised = stage == RecognitionStage::Complete;
  const std::span<const std::uint8_t> passBytes =
      data == nullptr ? std::span<const std::uint8_t>()
                      : std::span(*data).first(std::min<std::size_t>(record.length, data->size()));
  const bool checksumMatches = recognised && TapeChecksum(passBytes) == record.checksum;

  const Verdict verdict = ChooseVerdict(recognised, checksumMatches, output.settings);
  output.report.SetStage(verdict.message);
  output.report.AppendWorkLog(std::string(verdict.message) + "\r\n");
  if (verdict.saveSuffix) {
    const bool saved = SaveTapeFile(output.tallies.saved, output.dir, output.settings.UseLongBinFormat != 0,
                                    *verdict.saveSuffix, record, data);
    output.report.AppendWorkLog(saved ? verdict.savedMessage : kNotSaved);
  }
  if (verdict.countsAsFailure) NoteFailure(output.tallies.failures, record);
  return checksumMatches;
}

}  // namespace varnetta
