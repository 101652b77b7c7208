#include "gui/CSettingsDlg.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/DialogUnits.h"
#include "settings/SettingsTable.h"

namespace varnetta {

namespace {

// Widths of the template, in dialog units.
constexpr int kLabelWidthUnits = 151;
constexpr int kEditWidthUnits = 40;
constexpr int kButtonWidthUnits = 50;

// Longer tips wrap into lines of at most this width.
constexpr int kToolTipMaxWidth = 256;

struct ButtonToolTip {
  const char* id;
  const char* text;
};

// The settings' own controls take their tips from the settings table.
constexpr ButtonToolTip kButtonToolTips[] = {
    {"1", "Закрыть окно и сохранить настройки."},
    {"2", "Выйти без сохранения настроек."},
};

// An edit that takes only digits from the keyboard; pasted text goes in as
// it is, which is why OK reads just the leading integer.
class DigitsOnlyLineEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    // Shortcuts such as Ctrl+V are not typing.
    const bool shortcut = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
    const QString typed = event->text();
    const bool printable = !shortcut && !typed.isEmpty() && std::all_of(typed.begin(), typed.end(), [](QChar c) {
      return c.isPrint();
    });
    const bool digits = std::all_of(typed.begin(), typed.end(), [](QChar c) {
      return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    if (printable && !digits) {
      event->accept();
      return;
    }
    QLineEdit::keyPressEvent(event);
  }
};

// A tip wider than the maximum width becomes rich text laid out at that
// width, so that it wraps into several lines; a shorter one stays one line.
QString WrappedToolTip(const QString& text) {
  if (QFontMetrics(QToolTip::font()).horizontalAdvance(text) <= kToolTipMaxWidth) return text;
  return QStringLiteral("<table width=\"%1\"><tr><td>%2</td></tr></table>")
      .arg(kToolTipMaxWidth)
      .arg(text.toHtmlEscaped());
}

template <typename Widget>
Widget* Named(Widget* widget, const char* id) {
  widget->setObjectName(QString::fromLatin1(id));
  return widget;
}

QLabel* NewWrappedLabel(QWidget* parent, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setWordWrap(true);
  label->setFixedWidth(DialogUnitsX(*parent, kLabelWidthUnits));
  return label;
}

QPushButton* NewButton(QWidget* parent, const char* id, const char* text) {
  auto* button = Named(new QPushButton(QString::fromUtf8(text), parent), id);
  button->setMinimumWidth(DialogUnitsX(*parent, kButtonWidthUnits));
  return button;
}

}  // namespace

CSettingsDlg::CSettingsDlg(SharedSettings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
  setWindowTitle(QStringLiteral("Настройки"));
  BuildControls();
  RegisterToolTips();
  connect(frontAnalyse_, &QCheckBox::toggled, this, &CSettingsDlg::UpdateDependentChecks);
}

QCheckBox* CSettingsDlg::NewCheckBox(QWidget* parent, const char* name) {
  const SettingRow& row = SettingNamed(name);
  auto* box = Named(new QCheckBox(QString::fromUtf8(row.control.label), parent), row.control.id);
  checks_.push_back({row.name, box});
  return box;
}

QLineEdit* CSettingsDlg::BindEdit(QLineEdit* edit, const char* name) {
  const SettingRow& row = SettingNamed(name);
  Named(edit, row.control.id)->setFixedWidth(DialogUnitsX(*this, kEditWidthUnits));
  edits_.push_back({row.name, edit});
  return edit;
}

QLabel* CSettingsDlg::NewEditLabel(const char* name) { return NewWrappedLabel(this, SettingNamed(name).control.label); }

void CSettingsDlg::BuildControls() {
  // Created in tab order, each with the parent it keeps.
  useLongBinFormat_ = NewCheckBox(this, "UseLongBinFormat");
  auto* analysis = new QGroupBox(QStringLiteral("Дополнительный анализ"), this);
  frontAnalyse_ = NewCheckBox(analysis, "FrontAnalyse");
  frontAliasing_ = NewCheckBox(analysis, "FrontAliasing");
  frontLevels_ = NewCheckBox(analysis, "FrontLevels");
  QLabel* scatterLabel = NewEditLabel("TuneScatter");
  QLineEdit* tuneScatter = BindEdit(new DigitsOnlyLineEdit(this), "TuneScatter");
  QLabel* deltaLabel = NewEditLabel("DeltaImpulse");
  QLineEdit* deltaImpulse = BindEdit(new QLineEdit(this), "DeltaImpulse");
  QCheckBox* storeWorkLog = NewCheckBox(this, "StoreWorkLog");
  QCheckBox* multiFile = NewCheckBox(this, "MultiFile");
  QCheckBox* ignoreCRC = NewCheckBox(this, "IgnoreCRC");
  QCheckBox* ignoreErrors = NewCheckBox(this, "IgnoreErrors");
  QCheckBox* deepRecovery = NewCheckBox(this, "DeepRecovery");
  QPushButton* ok = NewButton(this, "1", "ОК");
  QPushButton* cancel = NewButton(this, "2", "Отмена");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &CSettingsDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &CSettingsDlg::reject);

  auto* analysisLayout = new QVBoxLayout(analysis);
  for (QCheckBox* box : {frontAnalyse_, frontAliasing_, frontLevels_}) analysisLayout->addWidget(box);

  auto* leftColumn = new QVBoxLayout;
  leftColumn->addWidget(useLongBinFormat_);
  leftColumn->addWidget(analysis);
  leftColumn->addStretch();
  auto* rightColumn = new QVBoxLayout;
  rightColumn->addWidget(scatterLabel);
  rightColumn->addWidget(tuneScatter);
  rightColumn->addWidget(deltaLabel);
  rightColumn->addWidget(deltaImpulse);
  rightColumn->addStretch();

  auto* grid = new QGridLayout;
  grid->addLayout(leftColumn, 0, 0);
  grid->addLayout(rightColumn, 0, 1);
  grid->addWidget(storeWorkLog, 1, 0);
  grid->addWidget(multiFile, 1, 1);
  grid->addWidget(ignoreCRC, 2, 0);
  grid->addWidget(ignoreErrors, 3, 0, 1, 2);
  grid->addWidget(deepRecovery, 4, 0, 1, 2);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(DialogUnitsX(*this, 8));
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  QWidget* const tabOrder[] = {useLongBinFormat_, frontAnalyse_, frontAliasing_, frontLevels_,
                               tuneScatter, deltaImpulse, storeWorkLog, multiFile,
                               ignoreCRC, ignoreErrors, deepRecovery, ok, cancel};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
    setTabOrder(tabOrder[i - 1], tabOrder[i]);
  }
}

void CSettingsDlg::RegisterToolTips() {
  const auto setTip = [this](const char* id, const char* text) {
    findChild<QWidget*>(QString::fromLatin1(id))->setToolTip(WrappedToolTip(QString::fromUtf8(text)));
  };
  for (const SettingRow& row : SettingRows()) setTip(row.control.id, row.control.toolTip);
  for (const ButtonToolTip& tip : kButtonToolTips) setTip(tip.id, tip.text);
}

void CSettingsDlg::UpdateDependentChecks() {
  const bool enabled = frontAnalyse_->isChecked();
  frontAliasing_->setEnabled(enabled);
  frontLevels_->setEnabled(enabled);
}

void CSettingsDlg::ShowForm(const SettingsForm& form) {
  for (const Binding<QCheckBox>& check : checks_) check.control->setChecked(form[check.name].checked);
  for (const Binding<QLineEdit>& edit : edits_) edit.control->setText(QString::fromStdString(form[edit.name].text));
  UpdateDependentChecks();
}

SettingsForm CSettingsDlg::ReadForm() const {
  SettingsForm form;
  for (const Binding<QCheckBox>& check : checks_) form[check.name].checked = check.control->isChecked();
  for (const Binding<QLineEdit>& edit : edits_) form[edit.name].text = edit.control->text().toStdString();
  return form;
}

void CSettingsDlg::showEvent(QShowEvent* event) {
  // A window restored by the user shows what it showed; a new opening shows
  // the settings as they are now.
  if (!event->spontaneous()) {
    ShowForm(FormFromSettings(settings_.Snapshot()));
    useLongBinFormat_->setFocus(Qt::OtherFocusReason);
  }
  QDialog::showEvent(event);
}

void CSettingsDlg::accept() {
  const SettingsFormReading reading = ReadSettingsForm(ReadForm());
  if (!reading.settings) {
    Refuse(QString::fromStdString(reading.refusal), reading.refusedSetting);
    return;
  }
  settings_.Store(*reading.settings);
  QDialog::accept();
}

void CSettingsDlg::Refuse(const QString& message, std::string_view name) {
  QMessageBox::warning(this, QStringLiteral("Varnetta"), message, QMessageBox::Ok);
  // Not every window system gives the focus back to the dialog by itself.
  activateWindow();
  const auto refused =
      std::find_if(edits_.begin(), edits_.end(), [&](const Binding<QLineEdit>& edit) { return edit.name == name; });
  refused->control->setFocus(Qt::OtherFocusReason);
  refused->control->selectAll();
}

}  // namespace varnetta
