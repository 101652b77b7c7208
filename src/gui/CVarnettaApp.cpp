#include "gui/CVarnettaApp.h"

#include <QDialog>
#include <QSocketNotifier>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include "gui/AppIcon.h"
#include "gui/CVarnettaDlg.h"

namespace varnetta {

namespace {

// The handler only writes to this pipe; the window's thread reads it.
int terminationPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(terminationPipe[1], &byte, 1);
}

}  // namespace

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
  const std::unique_ptr<QSocketNotifier> termination = CloseOnTerminationRequest(dialog);
  dialog.exec();
  return 0;
}

std::unique_ptr<QSocketNotifier> CVarnettaApp::CloseOnTerminationRequest(QDialog& window) {
  if (terminationPipe[0] < 0 && ::pipe2(terminationPipe, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
  auto notifier = std::make_unique<QSocketNotifier>(terminationPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, &window, [&window] {
    char byte = 0;
    while (::read(terminationPipe[0], &byte, 1) > 0) {
    }
    window.reject();
  });
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  return notifier;
}

}  // namespace varnetta
