#pragma once

#include <QApplication>

#include <memory>

#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"

class QDialog;
class QSocketNotifier;

namespace varnetta {

// The desktop program: runs the main window until it is closed. The settings
// and their store live as long as the program.
class CVarnettaApp : public QApplication {
  Q_OBJECT

 public:
  CVarnettaApp(int& argc, char** argv);

  // Shows the main window and returns the exit status once it has closed.
  int Run();

 private:
  // A request to end the program (SIGTERM, SIGINT) closes the window as its
  // close button does, so the settings are saved and the worker is stopped.
  // None when the signals cannot be watched; they then keep their default.
  static std::unique_ptr<QSocketNotifier> CloseOnTerminationRequest(QDialog& window);

  SharedSettings settings_;
  SettingsStore store_;
};

}  // namespace varnetta
