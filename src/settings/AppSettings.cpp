#include "settings/AppSettings.h"

#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

namespace varnetta {

AppSettings::AppSettings() {
  for (const SettingRow& row : SettingRows()) SettingsStore::SetFromStoredText(row, row.defaultText, *this);
}

}  // namespace varnetta
