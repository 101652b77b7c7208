#include "gui/DialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <QWidget>

namespace varnetta {

int DialogUnitsX(const QWidget& widget, int units) {
  static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const int averageLetter = (widget.fontMetrics().horizontalAdvance(letters) / 26 + 1) / 2;
  return units * averageLetter / 4;
}

int DialogUnitsY(const QWidget& widget, int units) { return units * widget.fontMetrics().height() / 8; }

}  // namespace varnetta
