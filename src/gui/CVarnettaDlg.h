#pragma once

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string_view>

#include "app/ProcessingContext.h"
#include "app/Reporter.h"
#include "app/Worker.h"
#include "gui/CSettingsDlg.h"

class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QProgressBar;

namespace varnetta {

class LogPane;
class SettingsStore;
class SharedSettings;

// The program's window. Recordings dropped onto it are queued for the worker
// thread; it shows the recording under work, the stage, the progress and the
// work log, and opens the settings dialog and the About box. The settings are
// loaded from the store before the worker starts and saved however the
// window closes. The controls' object names are their ids ("1000" ... "1017",
// "2" for the close button).
class CVarnettaDlg : public QDialog, public Reporter {
  Q_OBJECT

 public:
  CVarnettaDlg(SharedSettings& settings, SettingsStore& store, QWidget* parent = nullptr);
  ~CVarnettaDlg() override;
  CVarnettaDlg(const CVarnettaDlg&) = delete;
  CVarnettaDlg& operator=(const CVarnettaDlg&) = delete;

  // Every way of closing ends here: saves the settings and stops the worker
  // (handling events meanwhile) before the window goes.
  void done(int result) override;

  // Reporter. Called on the worker thread; each call returns once the window
  // has shown what it reports.
  void ShowPath(std::string_view path) override;
  void ShowAnalysisSizes(std::int32_t samples, std::int32_t templateSize) override;
  void SetProgressRange(std::int32_t low, std::int32_t high) override;
  void SetProgressPosition(std::int32_t position) override;
  void AppendToLogPane(std::string_view text) override;
  // On standard error, as the reader's refusals are.
  void ReportSkippedLog(std::string_view log, std::string_view reason) override;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  void AddAboutItem();
  // Stored values are used as they are; each outside its range gets a line
  // in the log pane, as a decode that fails because of it says nothing of why.
  void ReportValuesOutOfRange(const AppSettings& loaded);
  // Copies the stage and the counters of the processing into their statics.
  void Refresh();
  void ShowAboutBox();
  void Shutdown();
  void OnGuiThread(const std::function<void()>& call);

  SharedSettings& settings_;
  SettingsStore& store_;
  ProcessingContext context_;
  Worker worker_;
  CSettingsDlg settingsDialog_;
  QTimer refreshTimer_;
  bool shutDown_ = false;
  bool stopping_ = false;

  QLabel* stage_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QLabel* samples_ = nullptr;
  QLabel* templateSize_ = nullptr;
  QLabel* progressLow_ = nullptr;
  QLabel* progressHigh_ = nullptr;
  QLabel* progressPos_ = nullptr;
  LogPane* logPane_ = nullptr;
  QLabel* path_ = nullptr;
  QLabel* tapeFileNumber_ = nullptr;
};

}  // namespace varnetta
