#pragma once

#include <QApplication>

#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"

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
  SharedSettings settings_;
  SettingsStore store_;
};

}  // namespace varnetta
