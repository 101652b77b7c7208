#include "recognition/PassVerdict.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/ProcessingContext.h"
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

bool DataBelongsToPass(const TapeFile& record) { return record.dataStart >= 0 && record.length != 0; }

}  // namespace

void ActOnRecognition(ProcessingContext& ctx, bool recognised, const TapeFile& record,
                      const std::vector<std::uint8_t>& parserData) {
  const std::vector<std::uint8_t>* data = DataBelongsToPass(record) ? &parserData : nullptr;
  const std::span<const std::uint8_t> passBytes =
      data == nullptr ? std::span<const std::uint8_t>()
                      : std::span(parserData).first(std::min<std::size_t>(record.length, parserData.size()));
  const bool checksumMatches = recognised && TapeChecksum(passBytes) == record.checksum;

  const Verdict verdict = ChooseVerdict(recognised, checksumMatches, ctx.settings);
  ctx.SetStage(verdict.message);
  ctx.AppendWorkLog(std::string(verdict.message) + "\r\n");
  if (verdict.saveSuffix) {
    const bool saved = SaveTapeFile(ctx, *verdict.saveSuffix, record, data);
    ctx.AppendWorkLog(saved ? verdict.savedMessage : kNotSaved);
  }
  if (verdict.countsAsFailure) NoteFailure(ctx.failureTally, record);
}

}  // namespace varnetta
