#include "MessageBoxCloser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QWidget>

namespace varnetta {

namespace {

constexpr int kPollIntervalMs = 10;

}  // namespace

MessageBoxCloser::MessageBoxCloser() {
  QObject::connect(&timer_, &QTimer::timeout, [this] { AnswerOpenBoxes(); });
  timer_.start(kPollIntervalMs);
}

void MessageBoxCloser::AnswerOpenBoxes() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(window);
    if (box == nullptr || !box->isVisible()) continue;
    seen_.append({box->text(), box->icon(), box->standardButtons()});
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
      ok->click();
    } else {
      box->reject();
    }
  }
}

}  // namespace varnetta
