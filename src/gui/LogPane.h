#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace varnetta {

// The window's read-only work-log pane. Text is added at the end; when the
// pane would reach its limit (in UTF-16 units), whole lines are dropped from
// the top first (LinesToDropForAppend).
class LogPane : public QPlainTextEdit {
  Q_OBJECT

 public:
  static constexpr qsizetype kDefaultLimit = 1'000'000;

  explicit LogPane(QWidget* parent = nullptr);

  qsizetype Limit() const { return limit_; }
  void SetLimit(qsizetype limit) { limit_ = limit; }

  // Adds the text (CR LF and lone CR count as line ends) and scrolls to it.
  void Append(QString text);

 private:
  qsizetype TextLength() const;
  void DropLeadingLines(qsizetype appendLength);

  qsizetype limit_ = kDefaultLimit;
};

}  // namespace varnetta
