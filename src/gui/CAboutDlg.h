#pragma once

#include <QDialog>
#include <QString>

namespace varnetta {

// The About box: the icon, the program's name and version, and an OK button.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  // The text of the menu item that opens the box.
  static QString MenuItemText();
};

}  // namespace varnetta
