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

namespace varnetta {

namespace {

// Widths of the template, in dialog units.
constexpr int kLabelWidthUnits = 151;
constexpr int kEditWidthUnits = 40;
constexpr int kButtonWidthUnits = 50;

// Longer tips wrap into lines of at most this width.
constexpr int kToolTipMaxWidth = 256;

struct ToolTipEntry {
  const char* id;
  const char* text;
};

constexpr ToolTipEntry kToolTips[] = {
    {"1009", "Будут сохраняться файлы в полном формате: адрес загрузки, длина, оригинальное имя и контрольная "
             "сумма в конце массива."},
    {"1010", "Делается анализ не амплитуд, а направление - рост и спад амплитуд, для этого берётся производная "
             "от wave функции."},
    {"1011", "НЧ фильтрация производной, для устранения паразитных колебаний. При слишком больших искажениях не "
             "поможет, а сделает только хуже."},
    {"1012", "Дополнительный анализ производной амплитудным методом. Изредка помогает, но в большинстве своём - "
             "нет."},
    {"1014", "Фактически, если разность длительностей двух соседних периодов укладывается в это значение - "
             "значит считается что это настроечная последовательность, иначе - сбой и поиск заново с места "
             "сбоя."},
    {"1018", "Коэффициент разброса длительности импульса."},
    {"1016", "Подробный лог работы, который выводится в большое поле в программе, сохраняется в файл для "
             "последующего вдумчивого рассмотрения. Полезно для ручной корректировки файла, который нужно во "
             "что бы то ни стало восстановить."},
    {"1015", "Сохранять файлы, которые были успешно распознаны, но не совпала КС."},
    {"1020", "Полностью игнорировать ошибки распознавания и сохранить как есть то, что распозналось. Это для "
             "самых тяжёлых случаев."},
    {"1019", "Считать, что в Wav файле несколько файлов для распознавания, иначе - только один файл, если "
             "включить - то будет wav считаться мультифайлом, в котором несколько файлов. Но эта функция "
             "может пропускать файлы."},
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

QCheckBox* NewCheckBox(QWidget* parent, const char* id, const char* text) {
  return Named(new QCheckBox(QString::fromUtf8(text), parent), id);
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
  checks_ = {{
      {useLongBinFormat_, &SettingsForm::useLongBinFormat},
      {frontAnalyse_, &SettingsForm::frontAnalyse},
      {frontAliasing_, &SettingsForm::frontAliasing},
      {frontLevels_, &SettingsForm::frontLevels},
      {ignoreCRC_, &SettingsForm::ignoreCRC},
      {storeWorkLog_, &SettingsForm::storeWorkLog},
      {multiFile_, &SettingsForm::multiFile},
      {ignoreErrors_, &SettingsForm::ignoreErrors},
  }};
  connect(frontAnalyse_, &QCheckBox::toggled, this, &CSettingsDlg::UpdateDependentChecks);
}

void CSettingsDlg::BuildControls() {
  // Created in tab order, each with the parent it keeps.
  useLongBinFormat_ = NewCheckBox(this, "1009", "Использовать \"длинный\" формат .bin");
  auto* analysis = new QGroupBox(QStringLiteral("Дополнительный анализ"), this);
  frontAnalyse_ = NewCheckBox(analysis, "1010", "Анализ по фронтам");
  frontAliasing_ = NewCheckBox(analysis, "1011", "Сглаживание фронтов");
  frontLevels_ = NewCheckBox(analysis, "1012", "Повторный анализ по уровням");
  auto* scatterLabel = NewWrappedLabel(this, "Разброс длительностей импульса настроечной последовательности:");
  tuneScatter_ = Named(new DigitsOnlyLineEdit(this), "1014");
  auto* deltaLabel = NewWrappedLabel(this, "Допуски для определения длительности импульсов:");
  deltaImpulse_ = Named(new QLineEdit(this), "1018");
  storeWorkLog_ = NewCheckBox(this, "1016", "Сохранять лог работы программы");
  multiFile_ = NewCheckBox(this, "1019", "Рассматривать как мультифайл");
  ignoreCRC_ = NewCheckBox(this, "1015", "Игнорировать CRC");
  ignoreErrors_ = NewCheckBox(this, "1020", "Игнорировать ошибки распознавания");
  QPushButton* ok = NewButton(this, "1", "ОК");
  QPushButton* cancel = NewButton(this, "2", "Отмена");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &CSettingsDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &CSettingsDlg::reject);
  for (QLineEdit* edit : {tuneScatter_, deltaImpulse_}) edit->setFixedWidth(DialogUnitsX(*this, kEditWidthUnits));

  auto* analysisLayout = new QVBoxLayout(analysis);
  for (QCheckBox* box : {frontAnalyse_, frontAliasing_, frontLevels_}) analysisLayout->addWidget(box);

  auto* leftColumn = new QVBoxLayout;
  leftColumn->addWidget(useLongBinFormat_);
  leftColumn->addWidget(analysis);
  leftColumn->addStretch();
  auto* rightColumn = new QVBoxLayout;
  rightColumn->addWidget(scatterLabel);
  rightColumn->addWidget(tuneScatter_);
  rightColumn->addWidget(deltaLabel);
  rightColumn->addWidget(deltaImpulse_);
  rightColumn->addStretch();

  auto* grid = new QGridLayout;
  grid->addLayout(leftColumn, 0, 0);
  grid->addLayout(rightColumn, 0, 1);
  grid->addWidget(storeWorkLog_, 1, 0);
  grid->addWidget(multiFile_, 1, 1);
  grid->addWidget(ignoreCRC_, 2, 0);
  grid->addWidget(ignoreErrors_, 3, 0, 1, 2);

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
                               tuneScatter_, deltaImpulse_, storeWorkLog_, multiFile_,
                               ignoreCRC_, ignoreErrors_, ok, cancel};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
    setTabOrder(tabOrder[i - 1], tabOrder[i]);
  }
}

void CSettingsDlg::RegisterToolTips() {
  for (const ToolTipEntry& tip : kToolTips) {
    findChild<QWidget*>(QString::fromLatin1(tip.id))->setToolTip(WrappedToolTip(QString::fromUtf8(tip.text)));
  }
}

void CSettingsDlg::UpdateDependentChecks() {
  const bool enabled = frontAnalyse_->isChecked();
  frontAliasing_->setEnabled(enabled);
  frontLevels_->setEnabled(enabled);
}

void CSettingsDlg::ShowForm(const SettingsForm& form) {
  for (const CheckBinding& check : checks_) check.box->setChecked(form.*check.mark);
  tuneScatter_->setText(QString::fromStdString(form.tuneScatterText));
  deltaImpulse_->setText(QString::fromStdString(form.deltaImpulseText));
  UpdateDependentChecks();
}

SettingsForm CSettingsDlg::ReadForm() const {
  SettingsForm form;
  for (const CheckBinding& check : checks_) form.*check.mark = check.box->isChecked();
  form.tuneScatterText = tuneScatter_->text().toStdString();
  form.deltaImpulseText = deltaImpulse_->text().toStdString();
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
    Refuse(QString::fromStdString(reading.refusal));
    return;
  }
  settings_.Store(*reading.settings);
  QDialog::accept();
}

void CSettingsDlg::Refuse(const QString& message) {
  QMessageBox::warning(this, QStringLiteral("Varnetta"), message, QMessageBox::Ok);
  // Not every window system gives the focus back to the dialog by itself.
  activateWindow();
  tuneScatter_->setFocus(Qt::OtherFocusReason);
  tuneScatter_->selectAll();
}

}  // namespace varnetta
