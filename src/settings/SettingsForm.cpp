#include "settings/SettingsForm.h"

#include "common/TextFormat.h"
#include "settings/NumberText.h"

#include <string_view>
#include <utility>

namespace varnetta {

namespace {

std::int32_t Flag(bool checked) { return checked ? 1 : 0; }

SettingsFormReading Refused(std::string message) { return {std::nullopt, std::move(message)}; }

}  // namespace

SettingsForm FormFromSettings(const AppSettings& settings) {
  SettingsForm form;
  form.useLongBinFormat = settings.UseLongBinFormat != 0;
  form.frontAnalyse = settings.FrontAnalyse != 0;
  form.frontAliasing = settings.FrontAliasing != 0;
  form.frontLevels = settings.FrontLevels != 0;
  form.tuneScatterText = FormatText("%d", settings.TuneScatter);
  form.ignoreCRC = settings.IgnoreCRC != 0;
  form.storeWorkLog = settings.StoreWorkLog != 0;
  form.deltaImpulseText = settings.DeltaImpulseText;
  form.multiFile = settings.MultiFile != 0;
  form.ignoreErrors = settings.IgnoreErrors != 0;
  return form;
}

SettingsFormReading ReadSettingsForm(const SettingsForm& form) {
  AppSettings settings;
  settings.UseLongBinFormat = Flag(form.useLongBinFormat);
  settings.FrontAnalyse = Flag(form.frontAnalyse);
  settings.FrontAliasing = Flag(form.frontAliasing);
  settings.FrontLevels = Flag(form.frontLevels);

  // Cutting bytes instead of characters reads the same number: everything up
  // to the end of the digits is ASCII, or no integer is read either way.
  const std::string_view scatterText =
      std::string_view(form.tuneScatterText).substr(0, kTuneScatterReadLength);
  const std::optional<std::int32_t> scatter = ScanLeadingInt(scatterText);
  if (!scatter) return Refused("Введите целое число.");
  if (*scatter < kTuneScatterMin || *scatter > kTuneScatterMax) {
    return Refused(FormatText("Введите целое число от %d до %d.", kTuneScatterMin, kTuneScatterMax));
  }
  settings.TuneScatter = *scatter;

  settings.IgnoreCRC = Flag(form.ignoreCRC);
  settings.StoreWorkLog = Flag(form.storeWorkLog);
  settings.DeltaImpulseText = form.deltaImpulseText;
  settings.MultiFile = Flag(form.multiFile);
  settings.IgnoreErrors = Flag(form.ignoreErrors);
  settings.DeltaImpulse = ParseDeltaImpulse(settings.DeltaImpulseText);
  return {settings, {}};
}

}  // namespace varnetta
