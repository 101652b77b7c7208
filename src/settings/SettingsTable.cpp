#include "settings/SettingsTable.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "common/TextFormat.h"
#include "settings/NumberText.h"
#include "settings/SettingsText.h"

namespace varnetta {

namespace {

constexpr SettingRow kRows[] = {
    {.name = "UseLongBinFormat",
     .kind = SettingKind::Flag,
     .fields = {.number = &AppSettings::UseLongBinFormat},
     .defaultText = "No",
     .cli = {.option = "--long-bin",
             .offOption = "--short-bin",
             .help = "write .bin files in the long layout (with the tape name and checksum)"},
     .control = {.id = "1009",
                 .label = "Использовать \"длинный\" формат .bin",
                 .toolTip = "Будут сохраняться файлы в полном формате: адрес загрузки, длина, оригинальное имя и "
                            "контрольная сумма в конце массива."}},
    {.name = "FrontAnalyse",
     .kind = SettingKind::Flag,
     .fields = {.number = &AppSettings::FrontAnalyse},
     .defaultText = "Yes",
     .cli = {.option = "--fronts",
             .offOption = "--no-fronts",
             .help = "also analyse the rises and falls of the signal (its derivative)"},
     .control = {.id = "1010",
                 .label = "Анализ по фронтам",
                 .toolTip = "Делается анализ не амплитуд, а направление - рост и спад амплитуд, для этого берётся "
                            "производная от wave функции."}},
    {.name = "FrontAliasing",
     .kind = SettingKind::Flag,
     .fields = {.number = &AppSettings::FrontAliasing},
     .defaultText = "Yes",
     .cli = {.option = "--smoothing",
             .offOption = "--no-smoothing",
             .help = "smooth the derivative before analysing it"},
     .control = {.id = "1011",
                 .label = "Сглаживание фронтов",
                 .toolTip = "НЧ фильтрация производной, для устранения паразитных колебаний. При слишком больших "
                            "искажениях не поможет, а сделает только хуже."}},
    {.name = "FrontLevels",
     .kind = SettingKind::Flag,
     .fields = {.number = &AppSettings::FrontLevels},
     .defaultText = "No",
     .cli = {.option = "--levels-on-fronts",
             .offOption = "--no-levels-on-fronts",
             .help = "repeat the amplitude-level analysis on the derivative"},
     .control = {.id = "1012",
                 .label = "Повторный анализ по уровням",
                 .toolTip = "Дополнительный анализ производной амплитудным методом. Изредка помогает, но в "
                            "большинстве своём - нет."}},
    {.name = "IgnoreCRC",
     .kind = SettingKind::Flag,
     .fields = {.number = &AppSettings::IgnoreCRC},
     .defaultText = "No",
     .cli = {.option = "--ignore-crc",
             .offOption = "--no-ignore-crc",
             .help = "save files whose checksum does not match (suffix _BadCRC)"},
     .control = {.id = "1015",
                 .label = "Игнорировать CRC",
                 .toolTip = "Сохранять файлы, которые были успешно распознаны, но не совпала КС."}},
    {.name = "IgnoreErrors",
     .kind = SettingKind::Flag,
     .fields = {.number = &AppSettings::IgnoreErrors},
     .defaultText = "No",
     .cli = {.option = "--ignore-errors",
             .offOption = "--no-ignore-errors",
             .help = "save what was read in spite of recognition errors (suffix _BADRecognize)"},
     .control = {.id = "1020",
                 .label = "Игнорировать ошибки распознавания",
                 .toolTip = "Полностью игнорировать ошибки распознавания и сохранить как есть то, что "
                            "распозналось. Это для самых тяжёлых случаев."}},
    {.name = "StoreWorkLog",
     .kind = SettingKind::Flag,
     .fields = {.number = &AppSettings::StoreWorkLog},
     .defaultText = "No",
     .cli = {.option = "--store-work-log",
             .offOption = "--no-store-work-log",
             .help = "also append the work log to !processing.log beside the recording"},
     .control = {.id = "1016",
                 .label = "Сохранять лог работы программы",
                 .toolTip = "Подробный лог работы, который выводится в большое поле в программе, сохраняется в "
                            "файл для последующего вдумчивого рассмотрения. Полезно для ручной корректировки "
                            "файла, который нужно во что бы то ни стало восстановить."}},
    {.name = "MultiFile",
     .kind = SettingKind::Flag,
     .fields = {.number = &AppSettings::MultiFile},
     .defaultText = "No",
     .cli = {.option = "--multi-file",
             .offOption = "--single-file",
             .help = "treat a recording as holding several tape files"},
     .control = {.id = "1019",
                 .label = "Рассматривать как мультифайл",
                 .toolTip = "Считать, что в Wav файле несколько файлов для распознавания, иначе - только один "
                            "файл, если включить - то будет wav считаться мультифайлом, в котором несколько "
                            "файлов. Но эта функция может пропускать файлы."}},
    {.name = "DeepRecovery",
     .kind = SettingKind::Flag,
     .fields = {.number = &AppSettings::DeepRecovery},
     .defaultText = "Yes",
     .cli = {.option = "--deep-recovery",
             .offOption = "--no-deep-recovery",
             .help = "read what the sweep gives up on again with a slower, more tolerant decoder"},
     .control = {.id = "1021",
                 .label = "Глубокое восстановление",
                 .toolTip = "Там, где обычный анализ не дал правильного файла, запись читается ещё раз более "
                            "медленным и терпеливым способом: с подстройкой под скорость ленты, по всем каналам "
                            "сразу и без длинной настроечной последовательности. Файл сохраняется как правильный, "
                            "только если совпала КС и вся его структура на месте."}},
    {.name = "TuneScatter",
     .kind = SettingKind::WholeNumber,
     .fields = {.number = &AppSettings::TuneScatter},
     .defaultText = "3",
     .cli = {.option = "--tune-scatter",
             .valueName = "N",
             .help = "allowed difference in samples between neighbouring tuning impulses"},
     .range = {.min = 1, .max = 20},
     .control = {.id = "1014",
                 .label = "Разброс длительностей импульса настроечной последовательности:",
                 .toolTip = "Фактически, если разность длительностей двух соседних периодов укладывается в это "
                            "значение - значит считается что это настроечная последовательность, иначе - сбой и "
                            "поиск заново с места сбоя."}},
    {.name = "DeltaImpulse",
     .kind = SettingKind::Decimal,
     .fields = {.text = &AppSettings::DeltaImpulseText, .value = &AppSettings::DeltaImpulse},
     .defaultText = "0.3",
     .cli = {.option = "--delta-impulse",
             .valueName = "X",
             .help = "tolerance factor of impulse lengths"},
     // Above 1 a 1-bit's impulse of twice the period falls into the zero
     // class of the tape format; below 0.01 no real recording decodes.
     .range = {.min = 0.01, .max = 1.0},
     .control = {.id = "1018",
                 .label = "Допуски для определения длительности импульсов:",
                 .toolTip = "Коэффициент разброса длительности импульса."}},
};

}  // namespace

std::span<const SettingRow> SettingRows() { return kRows; }

const SettingRow* FindSetting(std::string_view name) {
  const auto row = std::find_if(std::begin(kRows), std::end(kRows),
                                [&](const SettingRow& r) { return EqualsIgnoringCase(name, r.name); });
  return row == std::end(kRows) ? nullptr : row;
}

const SettingRow& SettingNamed(std::string_view name) {
  const SettingRow* row = FindSetting(name);
  if (row == nullptr) throw std::invalid_argument("no setting is named " + std::string(name));
  return *row;
}

std::string FormatRange(const SettingRange& range, const char* format, char separator) {
  return FormatText(format, FormatDecimal(range.min, separator).c_str(), FormatDecimal(range.max, separator).c_str());
}

void SetDecimalText(const SettingRow& row, std::string text, AppSettings& settings) {
  settings.*row.fields.value = ParseDeltaImpulse(text);
  settings.*row.fields.text = std::move(text);
}

}  // namespace varnetta
