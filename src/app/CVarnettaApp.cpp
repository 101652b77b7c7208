#include "app/CVarnettaApp.h"

#include <QString>

#include "app/AppIcon.h"
#include "app/CVarnettaDlg.h"

namespace varnetta {

CVarnettaApp::CVarnettaApp(int& argc, char** argv) : QApplication(argc, argv), store_(DefaultConfigHome()) {
  setOrganizationName(QString::fromUtf8(kCompanyKey.data(), static_cast<qsizetype>(kCompanyKey.size())));
  setApplicationName(QString::fromUtf8(kProfileName.data(), static_cast<qsizetype>(kProfileName.size())));
  setApplicationVersion(QStringLiteral("1.0"));
  // Lets the desktop match the window to the installed varnetta.desktop entry.
  setDesktopFileName(QStringLiteral("varnetta"));
  setWindowIcon(AppIcon());
}

int CVarnettaApp::Run() {
  CVarnettaDlg dialog(settings_, store_);
  dialog.exec();
  return 0;
}

}  // namespace varnetta
