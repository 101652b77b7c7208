#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QTimer>

namespace varnetta {

// Answers the message boxes that the code under test opens, so that a test
// never waits for a person. While it lives it looks for a visible
// QMessageBox every few milliseconds, records what the box showed and presses
// its OK button (or rejects a box without one).
class MessageBoxCloser {
 public:
  struct SeenBox {
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
  };

  MessageBoxCloser();

  const QList<SeenBox>& Seen() const { return seen_; }
  void Forget() { seen_.clear(); }

 private:
  void AnswerOpenBoxes();

  QTimer timer_;
  QList<SeenBox> seen_;
};

}  // namespace varnetta
