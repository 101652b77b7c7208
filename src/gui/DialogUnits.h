#pragma once

class QWidget;

namespace varnetta {

// Horizontal dialog units in pixels of the widget's font: a unit is a quarter
// of the average width of a Latin letter, so sizes given in these units keep
// their proportions to the text in any font.
int DialogUnitsX(const QWidget& widget, int units);
// Vertical dialog units: a unit is an eighth of the font's line height.
int DialogUnitsY(const QWidget& widget, int units);

}  // namespace varnetta
