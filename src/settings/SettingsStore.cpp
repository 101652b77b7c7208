#include "settings/SettingsStore.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <utility>

#include "common/TextFormat.h"
#include "common/Utf8.h"
#include "settings/NumberText.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsTable.h"

namespace varnetta {

namespace {

namespace fs = std::filesystem;

// Far more than ten short values; a larger file is not one we wrote.
constexpr std::size_t kMaxFileBytes = 1 << 20;
// A stored text must fit, with its terminating zero, into 260 UTF-16 units.
constexpr std::size_t kMaxTextUnits = 259;

// The text a save writes for the row.
std::string StoredText(const SettingRow& row, const AppSettings& settings) {
  switch (row.kind) {
    case SettingKind::Flag: return settings.*row.fields.number != 0 ? "Yes" : "No";
    case SettingKind::WholeNumber: return FormatText("%d", settings.*row.fields.number);
    case SettingKind::Decimal: return settings.*row.fields.text;
  }
  return {};
}

// A whole number's or a decimal's value; nothing for a flag.
std::optional<double> NumberOf(const SettingRow& row, const AppSettings& settings) {
  switch (row.kind) {
    case SettingKind::Flag: return std::nullopt;
    case SettingKind::WholeNumber: return settings.*row.fields.number;
    case SettingKind::Decimal: return settings.*row.fields.value;
  }
  return std::nullopt;
}

// Every value of ours, in table order, in the text a save writes.
std::vector<SettingsEntry> EntriesToSave(const AppSettings& settings) {
  std::vector<SettingsEntry> entries;
  for (const SettingRow& row : SettingRows()) entries.push_back({row.name, StoredText(row, settings)});
  return entries;
}

// The number of UTF-16 units of a UTF-8 text; nothing when it is not valid
// UTF-8 (overlong forms and surrogates included).
std::optional<std::size_t> Utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::optional<Utf8CodePoint> decoded = DecodeUtf8(text.substr(i));
    if (!decoded) return std::nullopt;
    units += decoded->value > 0xFFFF ? 2u : 1u;
    i += decoded->length;
  }
  return units;
}

// Accepts an absolute path only, as a relative one would depend on where the
// program was started.
std::optional<fs::path> AbsolutePathFromEnvironment(const char* variable) {
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') return std::nullopt;
  fs::path path(value);
  if (!path.is_absolute()) return std::nullopt;
  return path;
}

}  // namespace

fs::path DefaultConfigHome() {
  if (auto home = AbsolutePathFromEnvironment("XDG_CONFIG_HOME")) return *home;
  if (auto home = AbsolutePathFromEnvironment("HOME")) return *home / ".config";
  return {};
}

std::vector<ValueOutOfRange> ValuesOutOfRange(const AppSettings& settings) {
  std::vector<ValueOutOfRange> found;
  for (const SettingRow& row : SettingRows()) {
    const std::optional<double> number = NumberOf(row, settings);
    if (number && !row.range.Contains(*number)) {
      found.push_back({&row, EscapeSettingText(StoredText(row, settings))});
    }
  }
  return found;
}

SettingsStore::SettingsStore(fs::path configHome) : configHome_(std::move(configHome)) {}

void SettingsStore::BuildRegistryKeyPath() {
  CloseSettingsKey();
  registryKeyPath_ = "Software\\" + std::string(kCompanyKey) + "\\" + std::string(kProfileName);
  filePath_.clear();
  if (!configHome_.empty()) filePath_ = configHome_ / kCompanyKey / (std::string(kProfileName) + ".conf");
}

bool SettingsStore::OpenSettingsKey() {
  CloseSettingsKey();
  if (filePath_.empty()) return false;
  std::error_code error;
  if (fs::status(filePath_, error).type() == fs::file_type::not_found) {
    // The key is created by the first save.
    settingsKey_.emplace();
    return true;
  }
  std::optional<std::string> contents = ReadSmallFile(filePath_, kMaxFileBytes);
  if (!contents) return false;
  std::vector<SettingsEntry> values = ParseSettingsSection(*contents, registryKeyPath_);
  settingsKey_ = OpenKey{std::move(*contents), std::move(values)};
  return true;
}

std::string SettingsStore::ReadSettingText(std::string_view name) const {
  if (!settingsKey_) return {};
  const std::vector<SettingsEntry>& values = settingsKey_->values;
  const auto entry = std::find_if(values.begin(), values.end(),
                                  [&](const SettingsEntry& e) { return EqualsIgnoringCase(e.name, name); });
  if (entry == values.end()) return {};
  const std::optional<std::size_t> units = Utf16Length(entry->text);
  if (!units || *units > kMaxTextUnits) return {};
  return entry->text.substr(0, entry->text.find('\0'));
}

std::int32_t SettingsStore::ParseBool(std::string_view text) {
  return EqualsIgnoringCase(text, "Yes") || text == "1" ? 1 : 0;
}

void SettingsStore::SetFromStoredText(const SettingRow& row, std::string text, AppSettings& settings) {
  switch (row.kind) {
    case SettingKind::Flag: settings.*row.fields.number = ParseBool(text); break;
    case SettingKind::WholeNumber: settings.*row.fields.number = ParseLeadingInt(text); break;
    case SettingKind::Decimal: SetDecimalText(row, std::move(text), settings); break;
  }
}

void SettingsStore::LoadSettings(AppSettings& settings) {
  try {
    OpenSettingsKey();
    for (const SettingRow& row : SettingRows()) {
      std::string text = ReadSettingText(row.name);
      if (!text.empty()) SetFromStoredText(row, std::move(text), settings);
    }
  } catch (const std::exception&) {
    // Settings that cannot be read are not worth stopping for: the rest keeps its values.
  }
  CloseSettingsKey();
}

bool SettingsStore::SaveSettings(const AppSettings& settings) {
  bool saved = false;
  try {
    if (OpenSettingsKey()) {
      saved = ReplaceFileAtomically(
          filePath_, UpdateSettingsSection(settingsKey_->fileText, registryKeyPath_, EntriesToSave(settings)));
    }
  } catch (const std::exception&) {
    // Settings that cannot be saved are not worth stopping for either.
  }
  CloseSettingsKey();
  return saved;
}

}  // namespace varnetta
