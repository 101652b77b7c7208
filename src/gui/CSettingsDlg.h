#pragma once

#include <QDialog>
#include <QString>

#include <string_view>
#include <vector>

#include "settings/AppSettings.h"
#include "settings/SettingsForm.h"

class QCheckBox;
class QLabel;
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
  // A control and the setting it shows, by the setting's stored name.
  template <typename Control>
  struct Binding {
    const char* name;
    Control* control;
  };

  // The controls of the settings, picked by stored name: each takes its id,
  // label or size from the setting's row and is bound to the setting.
  QCheckBox* NewCheckBox(QWidget* parent, const char* name);
  QLineEdit* BindEdit(QLineEdit* edit, const char* name);
  QLabel* NewEditLabel(const char* name);

  void BuildControls();
  void RegisterToolTips();
  void UpdateDependentChecks();
  void ShowForm(const SettingsForm& form);
  SettingsForm ReadForm() const;
  // Warns, then puts the focus on the edit of the setting named and selects its text.
  void Refuse(const QString& message, std::string_view name);

  SharedSettings& settings_;
  std::vector<Binding<QCheckBox>> checks_;
  std::vector<Binding<QLineEdit>> edits_;
  QCheckBox* useLongBinFormat_ = nullptr;
  QCheckBox* frontAnalyse_ = nullptr;
  QCheckBox* frontAliasing_ = nullptr;
  QCheckBox* frontLevels_ = nullptr;
};

}  // namespace varnetta
