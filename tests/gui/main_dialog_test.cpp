#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/ProcessingContext.h"
#include "app/QueuedRecording.h"
#include "audio/WavWriter.h"
#include "gui/CAboutDlg.h"
#include "gui/CSettingsDlg.h"
#include "gui/CVarnettaDlg.h"
#include "gui/LogPane.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"
#include "support/RecordingReporter.h"
#include "support/TapeRecords.h"
#include "support/TapeSignals.h"
#include "support/TempDir.h"
#include "tape/TapeSignalWriter.h"

namespace varnetta {

namespace {

namespace fs = std::filesystem;

const QString kQueueEmpty = QStringLiteral("Все файлы обработаны, очередь пуста.");
constexpr int kDecodeTimeoutMs = 60000;
constexpr int kDialogTimeoutMs = 5000;
// A close while a recording decodes ends the worker at its next stop test.
constexpr qint64 kCloseBoundMs = 10000;
// Long enough for a running sweep to report its next pass.
constexpr int kAfterCloseWatchMs = 2000;

constexpr std::uint32_t kSampleRate = 44100;
// Small enough to decode in a moment; the large one keeps a sweep busy for
// seconds.
constexpr std::size_t kSmallDataBytes = 200;
constexpr std::size_t kLargeDataBytes = 60000;

// Writes a mono recording of one tape file named after the file's stem.
void WriteRecording(const fs::path& path, std::size_t dataBytes, std::uint32_t seed) {
  TapeRecord record;
  record.address = 01000;
  record.name = testing::NameOf(path.stem().string());
  record.data = testing::RandomBytes(dataBytes, seed);
  TapeSignalOptions options;
  options.period = 12.0;
  options.leadingSilence = kSampleRate / 2;
  options.trailingSilence = kSampleRate / 2;
  std::optional<TapeSignal> signal = WriteTapeSignal({&record, 1}, options);
  if (!signal) qFatal("cannot write the tape signal of %s", path.c_str());
  const std::vector<Signal> channels{std::move(signal->samples)};
  std::string error;
  if (!WriteWavFile(path, channels, kSampleRate, WavSampleFormat::Pcm16, error)) qFatal("%s", error.c_str());
}

// Everything the processing left beside the recordings.
void RemoveOutputs(const fs::path& dir) {
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file() && entry.path().extension() != ".wav") fs::remove(entry.path());
  }
}

std::vector<fs::path> OutputsNamed(const fs::path& dir, const std::string& stem) {
  std::vector<fs::path> outputs;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == ".bin" && entry.path().stem().string().starts_with(stem)) {
      outputs.push_back(entry.path());
    }
  }
  return outputs;
}

// The recordings named in the list log, in the order of their entries.
QStringList ListLogRecordings(const fs::path& dir) {
  QStringList recordings;
  const QString log = QString::fromLatin1(testing::ReadFileBytes(dir / "!list.log"));
  for (const QString& line : log.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    const qsizetype colon = line.indexOf(QStringLiteral(":\t"));
    if (!line.startsWith(QLatin1Char('\t')) && colon > 0) recordings << line.left(colon);
  }
  return recordings;
}

QString PaneText(const std::string& workLog) {
  return QString::fromStdString(workLog).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Answers the windows the code under test opens modally: picks the item with
// the given text in a context menu, and closes any About box or settings
// dialog, counting them. Everything is done from the event loop of the
// window that is open, never from inside the poll.
class ModalAnswerer {
 public:
  explicit ModalAnswerer(QString menuItem = {}) : menuItem_(std::move(menuItem)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { Answer(); });
    poll_.start(10);
  }
  int aboutBoxes = 0;
  int settingsDialogs = 0;
  QStringList menuItems;

 private:
  void Answer() {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      if (menu == answeredMenu_) return;
      answeredMenu_ = menu;
      for (QAction* action : menu->actions()) menuItems << action->text();
      QMetaObject::invokeMethod(
          menu,
          [menu, item = menuItem_] {
            for (QAction* action : menu->actions()) {
              if (action->text() == item) menu->setActiveAction(action);
            }
            QTest::keyClick(menu, Qt::Key_Return);
          },
          Qt::QueuedConnection);
      return;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (!window->isVisible()) continue;
      if (auto* about = qobject_cast<CAboutDlg*>(window)) {
        ++aboutBoxes;
        about->reject();
      } else if (auto* settings = qobject_cast<CSettingsDlg*>(window)) {
        ++settingsDialogs;
        settings->reject();
      }
    }
  }

  QString menuItem_;
  QPointer<QMenu> answeredMenu_;
  QTimer poll_;
};

// Runs the event loop until the condition holds or the time is up. Unlike
// QTest::qWait, which sleeps between rounds of events, it handles each event
// as it comes, so the worker, whose every report waits for the window, runs
// at its own pace.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  QEventLoop loop;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (condition() || elapsed.hasExpired(timeoutMs)) loop.quit();
  });
  tick.start(10);
  if (!condition()) loop.exec();
  return condition();
}

enum CloseWay { kCloseButton, kEscapeKey, kCloseBox };

}  // namespace

class MainDialogTest : public QObject {
  Q_OBJECT

 private:
  CVarnettaDlg& Open() {
    store_ = std::make_unique<SettingsStore>(DefaultConfigHome());
    dialog_ = std::make_unique<CVarnettaDlg>(settings_, *store_);
    dialog_->show();
    if (!QTest::qWaitForWindowActive(dialog_.get())) qFatal("the main window did not become active");
    return *dialog_;
  }

  template <typename Widget = QLabel>
  Widget* Control(const char* id) const {
    auto* widget = dialog_->findChild<Widget*>(QString::fromLatin1(id), Qt::FindDirectChildrenOnly);
    if (widget == nullptr) qFatal("no control %s", id);
    return widget;
  }
  QString Text(const char* id) const { return Control<QLabel>(id)->text(); }
  LogPane* Pane() const { return Control<LogPane>("1007"); }

  static std::unique_ptr<QMimeData> Urls(const QList<QUrl>& urls) {
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls(urls);
    return mime;
  }

  void Drop(const std::vector<fs::path>& paths) const {
    QList<QUrl> urls;
    for (const fs::path& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
    const std::unique_ptr<QMimeData> mime = Urls(urls);
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog_.get(), &drop);
    QVERIFY(drop.isAccepted());
  }

  static void SaveStoredSettings(const AppSettings& values) {
    SettingsStore store(DefaultConfigHome());
    store.BuildRegistryKeyPath();
    QVERIFY(store.SaveSettings(values));
  }
  static AppSettings StoredSettings() {
    SettingsStore store(DefaultConfigHome());
    store.BuildRegistryKeyPath();
    AppSettings values;
    store.LoadSettings(values);
    return values;
  }

  std::unique_ptr<testing::TempDir> configHome_;
  std::unique_ptr<testing::TempDir> work_;
  SharedSettings settings_;
  std::unique_ptr<SettingsStore> store_;
  std::unique_ptr<CVarnettaDlg> dialog_;

 private slots:
  void initTestCase() {
    // No test may touch the settings of the person running it.
    configHome_ = std::make_unique<testing::TempDir>();
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(configHome_->path().string()));
  }

  void init() {
    work_ = std::make_unique<testing::TempDir>();
    settings_.Store(AppSettings{});
    fs::remove_all(configHome_->path() / "Orlenvik");
  }

  void cleanup() {
    dialog_.reset();
    store_.reset();
    work_.reset();
  }

  void showsTheControlsOfItsTemplate() {
    Open();
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Varnetta"));
    QCOMPARE(Control<QPushButton>("2")->text(), QStringLiteral("Закрыть"));
    QCOMPARE(Control<QPushButton>("1013")->text(), QStringLiteral("Настройки"));
    QVERIFY(Pane()->isReadOnly());
    QCOMPARE(Control<QProgressBar>("1001")->minimum(), 0);
    QCOMPARE(Control<QProgressBar>("1001")->maximum(), 100);
    QCOMPARE(Control<QProgressBar>("1001")->value(), 0);

    // Before any work: an empty stage and path, every number 0.
    struct Shown {
      const char* id;
      const char* text;
    };
    for (const Shown& shown : {Shown{"1000", ""}, Shown{"1002", "0"}, Shown{"1003", "0"}, Shown{"1004", "0"},
                               Shown{"1005", "0"}, Shown{"1006", "0"}, Shown{"1008", ""}, Shown{"1017", "0"}}) {
      QVERIFY2(Text(shown.id) == QString::fromUtf8(shown.text), shown.id);
    }

    QStringList labels;
    for (const QLabel* label : dialog_->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
      if (label->objectName().isEmpty()) labels << label->text();
    }
    labels.sort();
    QCOMPARE(labels, (QStringList{QStringLiteral("Обработка файла:"), QStringLiteral("Размер массива:"),
                                  QStringLiteral("Размер шаблона:")}));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Control<QPushButton>("2")));
  }

  void decodesDroppedRecordingsInTheirOrder() {
    // Not in the order of their names; the folder fails to load and is skipped.
    const std::vector<fs::path> dropped{*work_ / "c.wav", *work_ / "folder", *work_ / "a.wav", *work_ / "b.wav"};
    fs::create_directory(dropped[1]);
    std::uint32_t seed = 1;
    for (const fs::path& path : dropped) {
      if (path.extension() == ".wav") WriteRecording(path, kSmallDataBytes, seed++);
    }
    AppSettings stored;
    stored.StoreWorkLog = 1;

    // What the processing reports for these recordings, run without a window.
    testing::RecordingReporter reference;
    {
      SharedSettings referenceSettings;
      referenceSettings.Store(stored);
      ProcessingContext context(reference);
      for (const fs::path& path : dropped) LoadAndProcess(context, referenceSettings, path.string());
    }
    RemoveOutputs(work_->path());
    std::string lastSizes;
    for (const std::string& call : reference.calls) {
      if (call.starts_with("sizes ")) lastSizes = call;
    }
    QVERIFY(!lastSizes.empty());

    SaveStoredSettings(stored);
    Open();
    QCOMPARE(settings_.Snapshot().StoreWorkLog, 1);
    Drop(dropped);
    QVERIFY(WaitUntil([&] { return ListLogRecordings(work_->path()).size() == 3 && Text("1000") == kQueueEmpty; },
                      kDecodeTimeoutMs));

    QCOMPARE(ListLogRecordings(work_->path()),
             (QStringList{QString::fromStdString(dropped[0].string()), QString::fromStdString(dropped[2].string()),
                          QString::fromStdString(dropped[3].string())}));
    for (const char* stem : {"c", "a", "b"}) QVERIFY2(OutputsNamed(work_->path(), stem).size() == 1, stem);
    // The stored option was in force from the first recording on.
    QVERIFY(fs::exists(*work_ / "!processing.log"));

    QCOMPARE(Pane()->toPlainText(), PaneText(reference.pane));
    QCOMPARE(Text("1008"), QString::fromStdString(dropped.back().string()));
    QCOMPARE(QStringLiteral("sizes %1 %2").arg(Text("1002"), Text("1003")), QString::fromStdString(lastSizes));
    QCOMPARE(Text("1017"), QStringLiteral("1"));
    QCOMPARE(Text("1004"), QStringLiteral("0"));
    QCOMPARE(Text("1005"), QStringLiteral("100"));
    QCOMPARE(Text("1006"), QStringLiteral("0"));
    QCOMPARE(Control<QProgressBar>("1001")->value(), 0);
  }

  void closingWhileDecodingEndsTheWorkerAndTheWindow() {
    const fs::path large = *work_ / "large.wav";
    const fs::path queued = *work_ / "queued.wav";
    WriteRecording(large, kLargeDataBytes, 1);
    WriteRecording(queued, kSmallDataBytes, 2);
    Open();
    Drop({large, queued});
    QVERIFY(
        WaitUntil([&] { return Pane()->toPlainText().contains(QStringLiteral("Распознаём файл")); }, kDecodeTimeoutMs));

    QElapsedTimer closing;
    closing.start();
    QTest::mouseClick(Control<QPushButton>("2"), Qt::LeftButton);
    QVERIFY2(closing.elapsed() < kCloseBoundMs, qPrintable(QString::number(closing.elapsed())));
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Rejected));

    // The worker has ended: however long the window goes on handling events,
    // nothing more reaches the pane, the sweep of the large recording never
    // writes its summary and the queued recording is never taken up.
    const QString paneAtClose = Pane()->toPlainText();
    QVERIFY(!WaitUntil([&] { return Pane()->toPlainText() != paneAtClose; }, kAfterCloseWatchMs));
    QVERIFY(!fs::exists(*work_ / "!list.log"));
    QVERIFY(OutputsNamed(work_->path(), "queued").empty());
  }

  void everyWayOfClosingSavesTheSettings_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("close button") << int(kCloseButton);
    QTest::newRow("Escape") << int(kEscapeKey);
    QTest::newRow("close box") << int(kCloseBox);
  }
  void everyWayOfClosingSavesTheSettings() {
    QFETCH(int, way);
    AppSettings stored;
    stored.TuneScatter = 5;
    SaveStoredSettings(stored);
    Open();
    AppSettings edited = settings_.Snapshot();
    QCOMPARE(edited.TuneScatter, 5);
    edited.TuneScatter = 7;
    settings_.Store(edited);

    switch (way) {
      case kCloseButton:
        QTest::mouseClick(Control<QPushButton>("2"), Qt::LeftButton);
        break;
      case kEscapeKey:
        QTest::keyClick(dialog_.get(), Qt::Key_Escape);
        break;
      case kCloseBox:
        QVERIFY(dialog_->close());
        break;
    }
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(StoredSettings().TuneScatter, 7);
  }

  void reportsStoredValuesOutsideTheirRangesOnceAndUsesThemAsStored() {
    AppSettings stored;
    stored.TuneScatter = 50;
    stored.DeltaImpulseText = "1e308";
    stored.DeltaImpulse = 1e308;
    SaveStoredSettings(stored);
    Open();
    QCOMPARE(settings_.Snapshot(), stored);
    const QString file = QString::fromStdString((configHome_->path() / "Orlenvik" / "Varnetta.conf").string());
    QCOMPARE(Pane()->toPlainText(),
             QStringLiteral("Настройка TuneScatter=50 в файле %1 вне пределов от 1 до 20.\n"
                            "Настройка DeltaImpulse=1e308 в файле %1 вне пределов от 0,01 до 1.\n")
                 .arg(file));
  }

  void reportsNothingOfStoredValuesWithinTheirRanges() {
    AppSettings stored;
    stored.TuneScatter = 20;
    stored.DeltaImpulseText = "0,01";
    stored.DeltaImpulse = 0.01;
    SaveStoredSettings(stored);
    Open();
    QCOMPARE(settings_.Snapshot(), stored);
    QCOMPARE(Pane()->toPlainText(), QString());
  }

  void keepsItsInitialSizeAsItsMinimum() {
    Open();
    const QSize initial = dialog_->size();
    QCOMPARE(dialog_->minimumSize(), initial);
    QVERIFY(initial.width() >= dialog_->minimumSizeHint().width());
    QVERIFY(initial.height() >= dialog_->minimumSizeHint().height());
    dialog_->resize(initial - QSize(60, 40));
    QCOMPARE(dialog_->size(), initial);
  }

  void controlsFollowTheEdgesTheyAreAnchoredTo() {
    // Percent of the window's change in size by which a control moves and grows.
    struct Anchor {
      const char* id;
      int moveX, moveY, growX, growY;
    };
    const Anchor anchors[] = {
        {"2", 100, 100, 0, 0},    {"1000", 0, 0, 100, 0}, {"1001", 0, 0, 100, 0}, {"1002", 0, 0, 0, 0},
        {"1003", 0, 0, 0, 0},     {"1004", 0, 0, 0, 0},   {"1005", 100, 0, 0, 0}, {"1006", 0, 0, 100, 0},
        {"1007", 0, 0, 100, 100}, {"1008", 0, 0, 100, 0}, {"1013", 0, 100, 0, 0}, {"1017", 100, 0, 0, 0},
    };
    Open();
    std::vector<QRect> before;
    for (const Anchor& anchor : anchors) before.push_back(Control<QWidget>(anchor.id)->geometry());
    const QSize change(140, 90);
    const QSize target = dialog_->size() + change;
    dialog_->resize(target);
    QTRY_COMPARE_WITH_TIMEOUT(dialog_->size(), target, kDialogTimeoutMs);
    dialog_->layout()->activate();

    for (std::size_t i = 0; i < std::size(anchors); ++i) {
      const Anchor& anchor = anchors[i];
      const QRect after = Control<QWidget>(anchor.id)->geometry();
      const QRect expected(before[i].x() + change.width() * anchor.moveX / 100,
                           before[i].y() + change.height() * anchor.moveY / 100,
                           before[i].width() + change.width() * anchor.growX / 100,
                           before[i].height() + change.height() * anchor.growY / 100);
      QVERIFY2(after == expected, qPrintable(QStringLiteral("%1: (%2,%3 %4x%5), expected (%6,%7 %8x%9)")
                                                 .arg(anchor.id)
                                                 .arg(after.x())
                                                 .arg(after.y())
                                                 .arg(after.width())
                                                 .arg(after.height())
                                                 .arg(expected.x())
                                                 .arg(expected.y())
                                                 .arg(expected.width())
                                                 .arg(expected.height())));
    }
  }

  void opensTheAboutBoxFromTheContextMenuAndOnF1() {
    Open();
    {
      ModalAnswerer answerer(CAboutDlg::MenuItemText());
      const QPoint inside(dialog_->width() / 2, 5);
      QContextMenuEvent menu(QContextMenuEvent::Mouse, inside, dialog_->mapToGlobal(inside));
      QCoreApplication::sendEvent(dialog_.get(), &menu);
      QTRY_COMPARE_WITH_TIMEOUT(answerer.aboutBoxes, 1, kDialogTimeoutMs);
      QCOMPARE(answerer.menuItems, QStringList{CAboutDlg::MenuItemText()});
    }
    {
      ModalAnswerer answerer;
      dialog_->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
      QTest::keyClick(dialog_.get(), Qt::Key_F1);
      QTRY_COMPARE_WITH_TIMEOUT(answerer.aboutBoxes, 1, kDialogTimeoutMs);
    }
    QVERIFY(dialog_->isVisible());
  }

  void opensTheSettingsDialogFromItsButton() {
    Open();
    ModalAnswerer answerer;
    QTest::mouseClick(Control<QPushButton>("1013"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(answerer.settingsDialogs, 1, kDialogTimeoutMs);
    QVERIFY(dialog_->isVisible());
  }

  void dragEnterAcceptsOnlyLocalFiles_data() {
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<bool>("accepted");
    const QUrl local = QUrl::fromLocalFile(QStringLiteral("/tmp/a.wav"));
    const QUrl folder = QUrl::fromLocalFile(QStringLiteral("/tmp"));
    const QUrl remote(QStringLiteral("https://example.org/a.wav"));
    QTest::newRow("files and folders") << QList<QUrl>{local, folder} << true;
    QTest::newRow("a remote file") << QList<QUrl>{remote} << false;
    QTest::newRow("local and remote") << QList<QUrl>{local, remote} << false;
    QTest::newRow("no address at all") << QList<QUrl>{} << false;
  }
  void dragEnterAcceptsOnlyLocalFiles() {
    QFETCH(QList<QUrl>, urls);
    QFETCH(bool, accepted);
    Open();
    const std::unique_ptr<QMimeData> mime = Urls(urls);
    if (urls.isEmpty()) mime->setText(QStringLiteral("/tmp/a.wav"));
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(!accepted);
    QCoreApplication::sendEvent(dialog_.get(), &enter);
    QCOMPARE(enter.isAccepted(), accepted);
  }

  void logPaneDropsWholeLinesAtItsLimit_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("appended");
    QTest::addColumn<QString>("after");
    const auto row = [](const char* name, const char* before, int limit, const char* appended, const char* after) {
      QTest::newRow(name) << QString::fromUtf8(before) << limit << QString::fromUtf8(appended)
                          << QString::fromUtf8(after);
    };
    row("below the limit", "aaaa\nbbbb\n", 20, "cc\n", "aaaa\nbbbb\ncc\n");
    row("reaching it drops a line", "aaaa\nbbbb\ncccc\n", 20, "dddd\n", "bbbb\ncccc\ndddd\n");
    row("lines until more than the excess", "a\nbb\nccc\n", 12, "dddd\n", "ccc\ndddd\n");
    row("a text without line feed goes whole", "abcdefghijklmnop", 20, "xyz\n", "xyz\n");
    row("CR LF is one line end", "", 100, "x\r\ny\r\n", "x\ny\n");
    row("Cyrillic counts in UTF-16 units", "Этап\nЭтап\n", 12, "ОК\n", "Этап\nОК\n");
  }
  void logPaneDropsWholeLinesAtItsLimit() {
    QFETCH(QString, before);
    QFETCH(int, limit);
    QFETCH(QString, appended);
    QFETCH(QString, after);
    Open();
    Pane()->Append(before);
    Pane()->SetLimit(limit);
    // Through the reporting interface from another thread, as the worker does.
    std::atomic<bool> returned{false};
    std::thread worker([&] {
      dialog_->AppendToLogPane(appended.toStdString());
      returned = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(returned.load(), kDialogTimeoutMs);
    worker.join();
    QCOMPARE(Pane()->toPlainText(), after);
  }
};

}  // namespace varnetta

QTEST_MAIN(varnetta::MainDialogTest)
#include "main_dialog_test.moc"
