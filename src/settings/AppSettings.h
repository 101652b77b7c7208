#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "common/Progress.h"

namespace varnetta {

// The options that steer the decoding and the output. Field names are the
// names under which the settings store keeps them; the settings table
// (SettingsTable.h) says how each is stored, typed and shown.
struct AppSettings {
  // The defaults of the settings table, read as the store reads its texts.
  // (The braces below only keep a field without a row from being left
  // indeterminate.)
  AppSettings();

  // DeltaImpulse as typed in the dialog and as stored; never formatted back
  // from the number.
  std::string DeltaImpulseText;
  std::int32_t UseLongBinFormat{};
  std::int32_t FrontAnalyse{};
  std::int32_t FrontAliasing{};
  std::int32_t FrontLevels{};
  std::int32_t IgnoreCRC{};
  std::int32_t IgnoreErrors{};
  std::int32_t StoreWorkLog{};
  std::int32_t MultiFile{};
  std::int32_t DeepRecovery{};
  std::int32_t TuneScatter{};
  static constexpr std::int32_t ProgressSteps = kProgressSteps;
  static constexpr std::int32_t RefreshPeriodMs = 100;
  double DeltaImpulse{};

  bool operator==(const AppSettings&) const = default;
};

// The value of a DeltaImpulse text, as ReadLeadingDecimal (NumberText.h)
// reads it: '.' and ',' both act as the decimal separator; leading white
// space, a sign and an exponent are accepted; the conversion stops at the
// first character that does not fit, and a text that does not begin with a
// number gives 0.0. Independent of the process locale.
double ParseDeltaImpulse(std::string_view text);

// The one process-wide settings record, shared between the user-interface
// thread, which loads, edits and saves it, and the worker, which takes a
// snapshot for each recording it processes. A change is therefore seen by the
// worker from its next snapshot on.
class SharedSettings {
 public:
  AppSettings Snapshot() const {
    std::lock_guard lock(mutex_);
    return values_;
  }
  void Store(const AppSettings& values) {
    std::lock_guard lock(mutex_);
    values_ = values;
  }

 private:
  mutable std::mutex mutex_;
  AppSettings values_;
};

}  // namespace varnetta
