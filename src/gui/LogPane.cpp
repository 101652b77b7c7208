#include "gui/LogPane.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <string_view>

#include "app/LogPaneTrim.h"

namespace varnetta {

namespace {

// The pane's text from its start up to and including the first line feed
// that lies beyond atLeast characters, or the whole text. That is all the
// trimming rule needs to see, however long the pane is.
QString LeadingLines(const QTextDocument& document, qsizetype atLeast) {
  QString text;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    text += block.text();
    if (!block.next().isValid()) break;
    text += QLatin1Char('\n');
    if (text.size() > atLeast) break;
  }
  return text;
}

std::u16string_view Utf16(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

}  // namespace

LogPane::LogPane(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  // Keeps the text selectable and copyable with the keyboard as well.
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

qsizetype LogPane::TextLength() const { return document()->characterCount() - 1; }

void LogPane::DropLeadingLines(qsizetype appendLength) {
  const qsizetype length = TextLength();
  if (length + appendLength < limit_) return;
  const QString leading = LeadingLines(*document(), length + appendLength - limit_);
  // The rest of the pane counts towards the total as if it were appended.
  const auto unseen = static_cast<std::size_t>(length - leading.size());
  const std::size_t drop = LinesToDropForAppend(Utf16(leading), static_cast<std::size_t>(appendLength) + unseen,
                                                static_cast<std::size_t>(limit_));
  if (drop == 0) return;
  QTextCursor cursor(document());
  cursor.setPosition(static_cast<int>(drop), QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
}

void LogPane::Append(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  DropLeadingLines(text.size());
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  setTextCursor(cursor);
  ensureCursorVisible();
}

}  // namespace varnetta
