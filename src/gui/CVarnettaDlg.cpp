#include "gui/CVarnettaDlg.h"

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QList>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/QueuedRecording.h"
#include "common/TextFormat.h"
#include "common/Utf8.h"
#include "gui/AppIcon.h"
#include "gui/CAboutDlg.h"
#include "gui/DialogUnits.h"
#include "gui/LogPane.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

namespace varnetta {

namespace {

// Sizes in dialog units.
constexpr int kWindowWidth = 321;
constexpr int kWindowHeight = 215;
constexpr int kMargin = 7;
constexpr int kSpacing = 4;
constexpr int kSizeNumberWidth = 85;
constexpr int kArrayLabelWidth = 58;
constexpr int kPathLabelWidth = 64;
constexpr int kLowCounterWidth = 34;
constexpr int kHighCounterWidth = 35;
constexpr int kTapeNumberWidth = 23;
constexpr int kStageHeight = 12;
constexpr int kProgressHeight = 14;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

// The widest texts the number statics show, so none is ever cut off.
const QString kWidestCounter = QStringLiteral("-2147483648");
const QString kWidestTapeNumber = QStringLiteral("99999");

QLabel* MakeStatic(QWidget* parent, const char* id, const QString& text, Qt::Alignment alignment = Qt::AlignLeft) {
  auto* label = new QLabel(text, parent);
  if (id != nullptr) label->setObjectName(QString::fromLatin1(id));
  // Paths and stage texts are shown as they are, never as markup.
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(alignment | Qt::AlignVCenter);
  label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return label;
}

// A static that takes the width the window gives it, whatever its text.
void LetGrowInWidth(QLabel* label) { label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed); }

void FixWidth(QLabel* label, int units, const QString& widest) {
  label->setFixedWidth(std::max(DialogUnitsX(*label, units), label->fontMetrics().horizontalAdvance(widest)));
}

QPushButton* MakeButton(QWidget* parent, const char* id, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(id));
  button->setMinimumSize(DialogUnitsX(*parent, kButtonWidth), DialogUnitsY(*parent, kButtonHeight));
  button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return button;
}

bool HoldsOnlyLocalFiles(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return false;
  const QList<QUrl> urls = mime->urls();
  return !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// While the window waits for the worker it still shows what the worker
// reports; user input waits, so that nothing new starts meanwhile.
void HandleEventsWhileWaiting() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

CVarnettaDlg::CVarnettaDlg(SharedSettings& settings, SettingsStore& store, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      store_(store),
      context_(*this),
      worker_(context_,
              [this](const std::string& path) { return LoadAndProcess(context_, settings_, path).processed.continueQueue; }),
      settingsDialog_(settings, this) {
  setWindowTitle(QStringLiteral("Varnetta"));
  setWindowIcon(AppIcon());
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setAcceptDrops(true);
  BuildControls();
  AddAboutItem();

  // The window starts at its designed size, or larger when its texts need
  // more room, and never gets smaller than that.
  resize(QSize(DialogUnitsX(*this, kWindowWidth), DialogUnitsY(*this, kWindowHeight)).expandedTo(minimumSizeHint()));
  setMinimumSize(size());

  store_.BuildRegistryKeyPath();
  AppSettings values = settings_.Snapshot();
  store_.LoadSettings(values);
  settings_.Store(values);
  ReportValuesOutOfRange(values);
  worker_.Start();

  Refresh();
  connect(&refreshTimer_, &QTimer::timeout, this, &CVarnettaDlg::Refresh);
  refreshTimer_.start(AppSettings::RefreshPeriodMs);
}

CVarnettaDlg::~CVarnettaDlg() { Shutdown(); }

void CVarnettaDlg::BuildControls() {
  // Created in the order of the tab chain; the close button takes the focus first.
  QPushButton* close = MakeButton(this, "2", QStringLiteral("Закрыть"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  // Shows "Этап" only until the first refresh replaces it with the stage.
  stage_ = MakeStatic(this, "1000", QStringLiteral("Этап"));
  stage_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  stage_->setMinimumHeight(DialogUnitsY(*this, kStageHeight));
  LetGrowInWidth(stage_);

  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName(QStringLiteral("1001"));
  progressBar_->setTextVisible(false);
  progressBar_->setRange(0, 100);
  progressBar_->setValue(0);
  progressBar_->setFixedHeight(DialogUnitsY(*this, kProgressHeight));
  progressBar_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

  samples_ = MakeStatic(this, "1002", QStringLiteral("0"));
  templateSize_ = MakeStatic(this, "1003", QStringLiteral("0"));
  progressLow_ = MakeStatic(this, "1004", QStringLiteral("0"));
  progressHigh_ = MakeStatic(this, "1005", QStringLiteral("0"), Qt::AlignRight);
  progressPos_ = MakeStatic(this, "1006", QStringLiteral("0"), Qt::AlignHCenter);
  LetGrowInWidth(progressPos_);
  for (QLabel* number : {samples_, templateSize_}) FixWidth(number, kSizeNumberWidth, kWidestCounter);
  FixWidth(progressLow_, kLowCounterWidth, kWidestCounter);
  FixWidth(progressHigh_, kHighCounterWidth, kWidestCounter);

  logPane_ = new LogPane(this);
  logPane_->setObjectName(QStringLiteral("1007"));
  // Drops on the pane go to the window, which queues them.
  logPane_->setAcceptDrops(false);

  QLabel* arrayLabel = MakeStatic(this, nullptr, QStringLiteral("Размер массива:"));
  QLabel* templateLabel = MakeStatic(this, nullptr, QStringLiteral("Размер шаблона:"));
  path_ = MakeStatic(this, "1008", QString());
  LetGrowInWidth(path_);
  QLabel* pathLabel = MakeStatic(this, nullptr, QStringLiteral("Обработка файла:"));
  for (QLabel* label : {arrayLabel, templateLabel}) label->setMinimumWidth(DialogUnitsX(*this, kArrayLabelWidth));
  pathLabel->setMinimumWidth(DialogUnitsX(*this, kPathLabelWidth));

  QPushButton* settingsButton = MakeButton(this, "1013", QStringLiteral("Настройки"));
  settingsButton->setAutoDefault(false);
  connect(settingsButton, &QPushButton::clicked, &settingsDialog_, &QDialog::exec);

  tapeFileNumber_ = MakeStatic(this, "1017", QString(), Qt::AlignRight);
  FixWidth(tapeFileNumber_, kTapeNumberWidth, kWidestTapeNumber);

  auto* sizes = new QGridLayout;
  sizes->addWidget(arrayLabel, 0, 0);
  sizes->addWidget(samples_, 0, 1, Qt::AlignLeft);
  sizes->addWidget(templateLabel, 1, 0);
  sizes->addWidget(templateSize_, 1, 1, Qt::AlignLeft);
  sizes->addWidget(pathLabel, 2, 0);
  sizes->addWidget(path_, 2, 1);
  sizes->addWidget(tapeFileNumber_, 2, 2);
  sizes->setColumnStretch(1, 1);

  auto* counters = new QHBoxLayout;
  counters->addWidget(progressLow_);
  counters->addWidget(progressPos_);
  counters->addWidget(progressHigh_);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(settingsButton);
  buttons->addStretch(1);
  buttons->addWidget(close);

  auto* window = new QVBoxLayout(this);
  const int marginX = DialogUnitsX(*this, kMargin);
  const int marginY = DialogUnitsY(*this, kMargin);
  window->setContentsMargins(marginX, marginY, marginX, marginY);
  window->setSpacing(DialogUnitsY(*this, kSpacing));
  window->addLayout(sizes);
  window->addWidget(stage_);
  window->addLayout(counters);
  window->addWidget(progressBar_);
  window->addWidget(logPane_, 1);
  window->addLayout(buttons);
}

void CVarnettaDlg::ReportValuesOutOfRange(const AppSettings& loaded) {
  for (const ValueOutOfRange& value : ValuesOutOfRange(loaded)) {
    AppendToLogPane(FormatText("Настройка %s=%s в файле %s вне пределов %s.\r\n", value.row->name,
                               value.storedText.c_str(), store_.FilePath().c_str(),
                               FormatRange(value.row->range, "от %s до %s", ',').c_str()));
  }
}

void CVarnettaDlg::AddAboutItem() {
  // Desktops here have no window menu of the program's own: the item sits in
  // the window's context menu and answers F1.
  auto* about = new QAction(CAboutDlg::MenuItemText(), this);
  about->setShortcut(QKeySequence(Qt::Key_F1));
  about->setShortcutContext(Qt::WindowShortcut);
  connect(about, &QAction::triggered, this, &CVarnettaDlg::ShowAboutBox);
  addAction(about);
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

void CVarnettaDlg::ShowAboutBox() {
  CAboutDlg about(this);
  about.exec();
}

void CVarnettaDlg::Refresh() {
  const StageSnapshot stage = context_.ReadStage();
  stage_->setText(QString::fromStdString(stage.stageText));
  progressLow_->setText(QString::number(stage.progressLow));
  progressHigh_->setText(QString::number(stage.progressHigh));
  progressPos_->setText(QString::number(stage.progressPos));
  tapeFileNumber_->setText(QString::number(stage.tapeFileNumber));
}

void CVarnettaDlg::done(int result) {
  // A close that comes while the worker is being stopped waits for the first.
  if (stopping_) return;
  Shutdown();
  QDialog::done(result);
}

void CVarnettaDlg::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  stopping_ = true;
  store_.SaveSettings(settings_.Snapshot());
  worker_.StopWorker(HandleEventsWhileWaiting);
  refreshTimer_.stop();
  stopping_ = false;
}

void CVarnettaDlg::OnGuiThread(const std::function<void()>& call) {
  if (QThread::currentThread() == thread()) {
    call();
    return;
  }
  // The worker waits until the window has handled its report. That cannot
  // deadlock: the window's thread waits for the worker only in Shutdown,
  // which keeps handling events, and it never holds a lock the worker takes
  // while reporting.
  QMetaObject::invokeMethod(this, call, Qt::BlockingQueuedConnection);
}

void CVarnettaDlg::ShowPath(std::string_view path) {
  const QString text = FromUtf8(path);
  OnGuiThread([&] {
    path_->setText(text);
    path_->setToolTip(text);
  });
}

void CVarnettaDlg::ShowAnalysisSizes(std::int32_t samples, std::int32_t templateSize) {
  OnGuiThread([&] {
    samples_->setText(QString::number(samples));
    templateSize_->setText(QString::number(templateSize));
  });
}

void CVarnettaDlg::SetProgressRange(std::int32_t low, std::int32_t high) {
  OnGuiThread([&] {
    // Qt draws the range 0 to 0 as a busy indicator; shown here as an empty bar.
    progressBar_->setRange(low, low == 0 && high == 0 ? 1 : high);
  });
}

void CVarnettaDlg::SetProgressPosition(std::int32_t position) {
  OnGuiThread([&] {
    // The bar ignores a value outside its range; one at an end shows the end.
    progressBar_->setValue(std::clamp(position, progressBar_->minimum(), progressBar_->maximum()));
  });
}

void CVarnettaDlg::AppendToLogPane(std::string_view text) {
  QString pieces = FromUtf8(text);
  OnGuiThread([&] { logPane_->Append(std::move(pieces)); });
}

void CVarnettaDlg::ReportSkippedLog(std::string_view log, std::string_view reason) {
  const std::string name = ReplaceControlCharacters(log);
  std::fprintf(stderr, "varnetta: skipped the log file %s: %.*s\n", name.c_str(), static_cast<int>(reason.size()),
               reason.data());
}

void CVarnettaDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (HoldsOnlyLocalFiles(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void CVarnettaDlg::dropEvent(QDropEvent* event) {
  if (!HoldsOnlyLocalFiles(event->mimeData())) {
    event->ignore();
    return;
  }
  // Files and folders alike, in the order of the drop; the worker skips what
  // does not load.
  for (const QUrl& url : event->mimeData()->urls()) worker_.Push(QFile::encodeName(url.toLocalFile()).toStdString());
  event->acceptProposedAction();
}

}  // namespace varnetta
