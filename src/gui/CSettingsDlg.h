#pragma once

#include <QDialog>
#include <QString>

#include <array>

#include "settings/AppSettings.h"
#include "settings/SettingsForm.h"

class QCheckBox;
class QLineEdit;
class QShowEvent;

namespace varnetta {

// The settings dialog. Every opening shows a snapshot of the shared settings;
// OK stores the whole form into them, or refuses it with a warning, keeps the
// dialog open and stores nothing; Cancel, Escape and the close box store
// nothing. The controls' object names are their ids ("1009" ... "1020", "1"
// for OK, "2" for Cancel).
class CSettingsDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CSettingsDlg(SharedSettings& settings, QWidget* parent = nullptr);

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct CheckBinding {
    QCheckBox* box;
    bool SettingsForm::*mark;
  };

  void BuildControls();
  void RegisterToolTips();
  void UpdateDependentChecks();
  void ShowForm(const SettingsForm& form);
  SettingsForm ReadForm() const;
  void Refuse(const QString& message);

  SharedSettings& settings_;
  QCheckBox* useLongBinFormat_ = nullptr;
  QCheckBox* frontAnalyse_ = nullptr;
  QCheckBox* frontAliasing_ = nullptr;
  QCheckBox* frontLevels_ = nullptr;
  QLineEdit* tuneScatter_ = nullptr;
  QCheckBox* ignoreCRC_ = nullptr;
  QCheckBox* storeWorkLog_ = nullptr;
  QLineEdit* deltaImpulse_ = nullptr;
  QCheckBox* multiFile_ = nullptr;
  QCheckBox* ignoreErrors_ = nullptr;
  std::array<CheckBinding, 8> checks_{};
};

}  // namespace varnetta
