#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/AppSettings.h"
#include "settings/SettingsText.h"

namespace varnetta {

struct SettingRow;

// The application's company key and profile name, which place its settings.
inline constexpr std::string_view kCompanyKey = "Orlenvik";
inline constexpr std::string_view kProfileName = "Varnetta";

// The per-user configuration directory: $XDG_CONFIG_HOME when it is an
// absolute path, else $HOME/.config when HOME is; empty when neither is.
std::filesystem::path DefaultConfigHome();

// A value outside the range of its row, spelled as the settings file holds
// it. The store loads such a value as it is; the front ends tell the user.
struct ValueOutOfRange {
  const SettingRow* row;
  std::string storedText;
};
// The whole numbers and decimals outside their rows' ranges, in table order.
std::vector<ValueOutOfRange> ValuesOutOfRange(const AppSettings& settings);

// Keeps AppSettings between runs in the text file
// <configHome>/<company>/<profile>.conf, one section named after the key path
// "Software\<company>\<profile>", one "Name=Text" line per value.
//
// Nothing here ever stops the program: a missing, unreadable or malformed
// file reads as holding no values, a save that cannot be made leaves the old
// file as it was, and no message is shown. A save replaces the lines of our
// values in place and keeps every other line (other sections, comments,
// values it does not know) as it was; it replaces the file atomically.
class SettingsStore {
 public:
  // An empty configHome means there is no place for settings: nothing is read
  // and nothing saved.
  explicit SettingsStore(std::filesystem::path configHome);

  // Composes the key path and the file's location from the company key and
  // the profile name; until then the store reads and saves nothing.
  void BuildRegistryKeyPath();
  const std::string& RegistryKeyPath() const { return registryKeyPath_; }
  const std::filesystem::path& FilePath() const { return filePath_; }

  // Reads the stored values into the open key; a file that does not exist yet
  // opens as an empty key. False (and no key) when the file cannot be used.
  bool OpenSettingsKey();
  // The stored text of a value of the open key, or an empty text when there
  // is none, it is not valid UTF-8 or it is longer than 259 UTF-16 units.
  // The text ends at its first NUL character.
  std::string ReadSettingText(std::string_view name) const;
  // 1 for "Yes" or "1" in any case, else 0.
  static std::int32_t ParseBool(std::string_view text);
  // Sets the row's fields from a stored text: a flag to ParseBool of it, a
  // whole number to its leading integer (0 without digits), a decimal to the
  // text and its value.
  static void SetFromStoredText(const SettingRow& row, std::string text, AppSettings& settings);

  // Sets every field whose value is stored and not empty; the others keep
  // what they hold.
  void LoadSettings(AppSettings& settings);
  // Writes every setting's value; true when the file now holds them.
  bool SaveSettings(const AppSettings& settings);

 private:
  // The file while LoadSettings or SaveSettings runs.
  struct OpenKey {
    std::string fileText;
    std::vector<SettingsEntry> values;  // of our section
  };

  void CloseSettingsKey() { settingsKey_.reset(); }

  std::filesystem::path configHome_;
  std::string registryKeyPath_;
  std::filesystem::path filePath_;
  std::optional<OpenKey> settingsKey_;
};

}  // namespace varnetta
