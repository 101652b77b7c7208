#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolTip>

#include <memory>

#include "MessageBoxCloser.h"
#include "gui/CSettingsDlg.h"
#include "settings/AppSettings.h"

namespace varnetta {

namespace {

const QString kNotAnInteger = QStringLiteral("Введите целое число.");
const QString kOutOfRange = QStringLiteral("Введите целое число от 1 до 20.");
const QString kDecimalOutOfRange = QStringLiteral("Введите число от 0,01 до 1.");

enum CancelWay { kCancelButton, kEscapeKey, kCloseBox };

// A tip at most this wide, margins included, counts as wrapped at 256 pixels.
constexpr int kWrappedTipWidthLimit = 256 + 16;

}  // namespace

class SettingsDialogTest : public QObject {
  Q_OBJECT

 private:
  // Opens the dialog on the given settings and waits until it has the focus.
  CSettingsDlg& Open(const AppSettings& settings = AppSettings{}) {
    shared_ = std::make_unique<SharedSettings>();
    shared_->Store(settings);
    dialog_ = std::make_unique<CSettingsDlg>(*shared_);
    dialog_->show();
    if (!QTest::qWaitForWindowActive(dialog_.get())) qFatal("the settings dialog did not become active");
    return *dialog_;
  }

  template <typename Widget = QWidget>
  Widget* Control(const char* id) const {
    auto* widget = dialog_->findChild<Widget*>(QString::fromLatin1(id));
    if (widget == nullptr) qFatal("no control %s", id);
    return widget;
  }
  QCheckBox* Check(const char* id) const { return Control<QCheckBox>(id); }
  QLineEdit* Edit(const char* id) const { return Control<QLineEdit>(id); }

  // Clicks the check box on its mark, as a user does; true when its state changed.
  bool Toggle(const char* id) const {
    QCheckBox* box = Check(id);
    const bool before = box->isChecked();
    const int middle = box->height() / 2;
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(middle, middle));
    return box->isChecked() != before;
  }

  void ClickOk() const { QTest::mouseClick(Control<QPushButton>("1"), Qt::LeftButton); }

  std::unique_ptr<SharedSettings> shared_;
  std::unique_ptr<CSettingsDlg> dialog_;

 private slots:
  void cleanup() {
    dialog_.reset();
    shared_.reset();
  }

  void showsTheTemplatesTexts() {
    struct Text {
      const char* id;
      const char* text;
    };
    const Text checks[] = {
        {"1009", "Использовать \"длинный\" формат .bin"},
        {"1010", "Анализ по фронтам"},
        {"1011", "Сглаживание фронтов"},
        {"1012", "Повторный анализ по уровням"},
        {"1016", "Сохранять лог работы программы"},
        {"1019", "Рассматривать как мультифайл"},
        {"1015", "Игнорировать CRC"},
        {"1020", "Игнорировать ошибки распознавания"},
        {"1021", "Глубокое восстановление"},
    };
    CSettingsDlg& dialog = Open();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Настройки"));
    for (const Text& check : checks) QCOMPARE(Check(check.id)->text(), QString::fromUtf8(check.text));
    // О and К of the OK button are Cyrillic letters.
    QCOMPARE(Control<QPushButton>("1")->text(), QString::fromUtf8("\u041e\u041a"));
    QCOMPARE(Control<QPushButton>("2")->text(), QStringLiteral("Отмена"));
    QVERIFY(Control<QPushButton>("1")->isDefault());

    const auto groups = dialog.findChildren<QGroupBox*>();
    QCOMPARE(groups.size(), 1);
    QCOMPARE(groups.front()->title(), QStringLiteral("Дополнительный анализ"));
    for (const char* id : {"1010", "1011", "1012"}) QCOMPARE(Check(id)->parentWidget(), groups.front());

    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
    QCOMPARE(labels, QStringList({QStringLiteral("Разброс длительностей импульса настроечной последовательности:"),
                                  QStringLiteral("Допуски для определения длительности импульсов:")}));
  }

  void opensWithTheSettingsAndTheFocusOnTheFirstControl() {
    AppSettings settings;
    settings.UseLongBinFormat = 1;
    settings.IgnoreErrors = 1;
    settings.DeltaImpulseText = "0,25";
    Open(settings);
    QCOMPARE(QApplication::focusWidget(), Check("1009"));
    const char* checked[] = {"1009", "1010", "1011", "1020", "1021"};
    const char* unchecked[] = {"1012", "1015", "1016", "1019"};
    for (const char* id : checked) QVERIFY2(Check(id)->isChecked(), id);
    for (const char* id : unchecked) QVERIFY2(!Check(id)->isChecked(), id);
    QCOMPARE(Edit("1014")->text(), QStringLiteral("3"));
    QCOMPARE(Edit("1018")->text(), QStringLiteral("0,25"));
  }

  void tabVisitsTheControlsInTemplateOrder() {
    Open();
    const QStringList expected = {"1010", "1011", "1012", "1014", "1018", "1016",
                                  "1019", "1015", "1020", "1021", "1",    "2",    "1009"};
    QStringList visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected);
  }

  void uncheckingFrontAnalyseDisablesItsDependentsAndKeepsTheirMarks() {
    AppSettings settings;
    settings.FrontLevels = 1;
    Open(settings);
    QVERIFY(Check("1011")->isEnabled());
    QVERIFY(Toggle("1010"));
    QVERIFY(!Check("1010")->isChecked());
    for (const char* id : {"1011", "1012"}) {
      QVERIFY2(!Check(id)->isEnabled(), id);
      QVERIFY2(Check(id)->isChecked(), id);
    }
    ClickOk();
    const AppSettings stored = shared_->Snapshot();
    QCOMPARE(stored.FrontAnalyse, 0);
    QCOMPARE(stored.FrontAliasing, 1);
    QCOMPARE(stored.FrontLevels, 1);
  }

  void checkingFrontAnalyseEnablesItsDependentsAgain() {
    AppSettings settings;
    settings.FrontAnalyse = 0;
    Open(settings);
    QTest::keyClick(Check("1010"), Qt::Key_Space);
    QVERIFY(Check("1010")->isChecked());
    for (const char* id : {"1011", "1012"}) QVERIFY2(Check(id)->isEnabled(), id);
  }

  void opensWithTheDependentsDisabledWhenFrontAnalyseIsOff() {
    AppSettings settings;
    settings.FrontAnalyse = 0;
    Open(settings);
    QVERIFY(!Check("1010")->isChecked());
    QVERIFY(!Check("1011")->isEnabled());
    QVERIFY(!Check("1012")->isEnabled());
    QVERIFY(Check("1011")->isChecked());
  }

  void refusedEdit_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString scatter = QStringLiteral("1014");
    const QString delta = QStringLiteral("1018");
    QTest::newRow("1014 empty") << scatter << QString() << kNotAnInteger;
    QTest::newRow("1014 letters") << scatter << QStringLiteral("abc") << kNotAnInteger;
    QTest::newRow("1014 0") << scatter << QStringLiteral("0") << kOutOfRange;
    QTest::newRow("1014 21") << scatter << QStringLiteral("21") << kOutOfRange;
    QTest::newRow("1018 letters") << delta << QStringLiteral("abc") << kDecimalOutOfRange;
    QTest::newRow("1018 empty") << delta << QString() << kDecimalOutOfRange;
    QTest::newRow("1018 5") << delta << QStringLiteral("5") << kDecimalOutOfRange;
    QTest::newRow("1018 1e308") << delta << QStringLiteral("1e308") << kDecimalOutOfRange;
    QTest::newRow("1018 1e-320") << delta << QStringLiteral("1e-320") << kDecimalOutOfRange;
    QTest::newRow("1018 0,009") << delta << QStringLiteral("0,009") << kDecimalOutOfRange;
  }

  void refusedEdit() {
    QFETCH(QString, control);
    QFETCH(QString, text);
    QFETCH(QString, message);
    const AppSettings before;
    CSettingsDlg& dialog = Open(before);
    QVERIFY(Toggle("1009"));
    QLineEdit* edit = Edit(qPrintable(control));
    edit->setText(text);
    MessageBoxCloser closer;
    ClickOk();

    QCOMPARE(closer.Seen().size(), 1);
    QCOMPARE(closer.Seen().front().text, message);
    QCOMPARE(closer.Seen().front().icon, QMessageBox::Warning);
    QCOMPARE(closer.Seen().front().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(dialog.isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(edit), 2000);
    QCOMPARE(edit->selectedText(), text);
    QCOMPARE(shared_->Snapshot(), before);

    // Nothing of the refused form is kept when the dialog is then cancelled.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(closer.Seen().size(), 1);
    QCOMPARE(shared_->Snapshot(), before);
  }

  void tuneScatterTakesOnlyTypedDigitsButReadsPastedTextsLeadingInteger() {
    CSettingsDlg& dialog = Open();
    QLineEdit* scatter = Edit("1014");
    scatter->clear();
    QTest::keyClicks(scatter, QStringLiteral("1a b-7"));
    QCOMPARE(scatter->text(), QStringLiteral("17"));

    scatter->clear();
    QApplication::clipboard()->setText(QStringLiteral("5abc"));
    QTest::keyClick(scatter, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(scatter->text(), QStringLiteral("5abc"));
    ClickOk();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(shared_->Snapshot().TuneScatter, 5);
  }

  void deltaImpulseTakesATextWithinItsRange_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("point") << QStringLiteral("0.5") << 0.5;
    QTest::newRow("comma") << QStringLiteral("0,5") << 0.5;
    QTest::newRow("lowest") << QStringLiteral("0,01") << 0.01;
    QTest::newRow("highest") << QStringLiteral("1") << 1.0;
    QTest::newRow("letters after the number") << QStringLiteral("0,25x") << 0.25;
  }

  void deltaImpulseTakesATextWithinItsRange() {
    QFETCH(QString, text);
    QFETCH(double, value);
    CSettingsDlg& dialog = Open();
    QLineEdit* delta = Edit("1018");
    delta->clear();
    QTest::keyClicks(delta, text);
    MessageBoxCloser closer;
    ClickOk();
    QVERIFY(closer.Seen().isEmpty());
    QVERIFY(!dialog.isVisible());
    const AppSettings stored = shared_->Snapshot();
    QCOMPARE(QString::fromStdString(stored.DeltaImpulseText), text);
    QCOMPARE(stored.DeltaImpulse, value);
  }

  void okStoresEveryControl() {
    Open();
    for (const char* id : {"1009", "1010", "1015", "1016", "1019", "1020"}) {
      QVERIFY2(Toggle(id), id);
    }
    Edit("1014")->setText(QStringLiteral("20"));
    Edit("1018")->setText(QStringLiteral("0,4"));
    ClickOk();
    AppSettings expected;
    expected.UseLongBinFormat = 1;
    expected.FrontAnalyse = 0;
    expected.IgnoreCRC = 1;
    expected.StoreWorkLog = 1;
    expected.MultiFile = 1;
    expected.IgnoreErrors = 1;
    expected.TuneScatter = 20;
    expected.DeltaImpulseText = "0,4";
    expected.DeltaImpulse = 0.4;
    QCOMPARE(shared_->Snapshot(), expected);
  }

  void everyWayOfCancellingStoresNothing_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Cancel button") << int(kCancelButton);
    QTest::newRow("Escape") << int(kEscapeKey);
    QTest::newRow("close box") << int(kCloseBox);
  }

  void everyWayOfCancellingStoresNothing() {
    QFETCH(int, way);
    AppSettings before;
    before.FrontLevels = 1;
    CSettingsDlg& dialog = Open(before);
    for (const char* id : {"1009", "1012", "1010", "1015", "1016", "1019", "1020"}) {
      QVERIFY2(Toggle(id), id);
    }
    Edit("1014")->setText(QStringLiteral("7"));
    Edit("1018")->setText(QStringLiteral("0,9"));
    if (way == kCancelButton) QTest::mouseClick(Control<QPushButton>("2"), Qt::LeftButton);
    if (way == kEscapeKey) QTest::keyClick(&dialog, Qt::Key_Escape);
    if (way == kCloseBox) dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(shared_->Snapshot(), before);
  }

  void showsALoadedValueOutOfRangeAndOnlyOkRefusesIt_data() {
    QTest::addColumn<int>("tuneScatter");
    QTest::addColumn<QString>("deltaImpulse");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("message");
    QTest::newRow("TuneScatter 50") << 50 << QStringLiteral("0.3") << QStringLiteral("1014") << kOutOfRange;
    QTest::newRow("DeltaImpulse 5") << 3 << QStringLiteral("5") << QStringLiteral("1018") << kDecimalOutOfRange;
  }

  void showsALoadedValueOutOfRangeAndOnlyOkRefusesIt() {
    QFETCH(int, tuneScatter);
    QFETCH(QString, deltaImpulse);
    QFETCH(QString, control);
    QFETCH(QString, message);
    AppSettings loaded;
    loaded.TuneScatter = tuneScatter;
    loaded.DeltaImpulseText = deltaImpulse.toStdString();
    loaded.DeltaImpulse = ParseDeltaImpulse(loaded.DeltaImpulseText);
    CSettingsDlg& dialog = Open(loaded);
    QCOMPARE(Edit("1014")->text(), QString::number(tuneScatter));
    QCOMPARE(Edit("1018")->text(), deltaImpulse);
    MessageBoxCloser closer;
    ClickOk();
    QCOMPARE(closer.Seen().size(), 1);
    QCOMPARE(closer.Seen().front().text, message);
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(Edit(qPrintable(control))), 2000);
    dialog.reject();
    QCOMPARE(shared_->Snapshot(), loaded);
  }

  void eachOpeningShowsTheSettingsAsTheyAreThen() {
    CSettingsDlg& dialog = Open();
    QVERIFY(Toggle("1019"));
    Edit("1014")->setText(QStringLiteral("9"));
    dialog.reject();

    AppSettings changed;
    changed.StoreWorkLog = 1;
    shared_->Store(changed);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QVERIFY(!Check("1019")->isChecked());
    QVERIFY(Check("1016")->isChecked());
    QCOMPARE(Edit("1014")->text(), QStringLiteral("3"));
  }

  void everyControlHasItsTip() {
    struct Tip {
      const char* id;
      const char* text;
    };
    const Tip tips[] = {
        {"1009", "Будут сохраняться файлы в полном формате: адрес загрузки, длина, оригинальное имя и "
                 "контрольная сумма в конце массива."},
        {"1010", "Делается анализ не амплитуд, а направление - рост и спад амплитуд, для этого берётся "
                 "производная от wave функции."},
        {"1011", "НЧ фильтрация производной, для устранения паразитных колебаний. При слишком больших "
                 "искажениях не поможет, а сделает только хуже."},
        {"1012", "Дополнительный анализ производной амплитудным методом. Изредка помогает, но в большинстве "
                 "своём - нет."},
        {"1014", "Фактически, если разность длительностей двух соседних периодов укладывается в это значение "
                 "- значит считается что это настроечная последовательность, иначе - сбой и поиск заново с "
                 "места сбоя."},
        {"1018", "Коэффициент разброса длительности импульса."},
        {"1016", "Подробный лог работы, который выводится в большое поле в программе, сохраняется в файл для "
                 "последующего вдумчивого рассмотрения. Полезно для ручной корректировки файла, который нужно "
                 "во что бы то ни стало восстановить."},
        {"1015", "Сохранять файлы, которые были успешно распознаны, но не совпала КС."},
        {"1020", "Полностью игнорировать ошибки распознавания и сохранить как есть то, что распозналось. Это "
                 "для самых тяжёлых случаев."},
        {"1019", "Считать, что в Wav файле несколько файлов для распознавания, иначе - только один файл, если "
                 "включить - то будет wav считаться мультифайлом, в котором несколько файлов. Но эта функция "
                 "может пропускать файлы."},
        {"1021", "Там, где обычный анализ не дал правильного файла, запись читается ещё раз более медленным и "
                 "терпеливым способом: с подстройкой под скорость ленты, по всем каналам сразу и без длинной "
                 "настроечной последовательности. Файл сохраняется как правильный, только если совпала КС и вся "
                 "его структура на месте."},
        {"1", "Закрыть окно и сохранить настройки."},
        {"2", "Выйти без сохранения настроек."},
    };
    CSettingsDlg& dialog = Open();
    for (const Tip& tip : tips) {
      const QString shown = QTextDocumentFragment::fromHtml(Control(tip.id)->toolTip()).toPlainText().trimmed();
      QCOMPARE(shown, QString::fromUtf8(tip.text));
    }
    int tipped = 0;
    for (const QWidget* widget : dialog.findChildren<QWidget*>()) tipped += widget->toolTip().isEmpty() ? 0 : 1;
    QCOMPARE(tipped, int(std::size(tips)));
  }

  void longTipsWrapAndShortOnesStayOnOneLine() {
    Open();
    const int lineHeight = QFontMetrics(QToolTip::font()).height();
    QWidget* longTip = Control("1016");
    QWidget* shortTip = Control("2");

    const QSize longSize = ShownTipSize(longTip);
    QVERIFY2(longSize.width() <= kWrappedTipWidthLimit, qPrintable(QString::number(longSize.width())));
    QVERIFY(longSize.height() >= 4 * lineHeight);

    const QSize shortSize = ShownTipSize(shortTip);
    QVERIFY(shortSize.height() < 2 * lineHeight);
  }

 private:
  // Asks the widget for its tip as a hovering mouse would and measures it.
  static QSize ShownTipSize(QWidget* widget) {
    const QPoint inside = widget->rect().center();
    QHelpEvent event(QEvent::ToolTip, inside, widget->mapToGlobal(inside));
    QApplication::sendEvent(widget, &event);
    QSize size;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
      if (window->inherits("QTipLabel") && window->isVisible()) size = window->size();
    }
    QToolTip::hideText();
    if (size.isEmpty()) qFatal("no tip was shown for %s", qPrintable(widget->objectName()));
    return size;
  }
};

}  // namespace varnetta

QTEST_MAIN(varnetta::SettingsDialogTest)
#include "settings_dialog_test.moc"
