#include "gui/CAboutDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

#include "gui/AppIcon.h"
#include "gui/DialogUnits.h"

namespace varnetta {

namespace {

constexpr int kIconSize = 32;
constexpr int kButtonWidthUnits = 50;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("О проекте Varnetta"));

  auto* icon = new QLabel(this);
  icon->setPixmap(AppIcon().pixmap(kIconSize, kIconSize));
  auto* version = new QLabel(QStringLiteral("Varnetta, версия 1.0"), this);
  auto* ok = new QPushButton(QStringLiteral("ОК"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  ok->setMinimumWidth(DialogUnitsX(*this, kButtonWidthUnits));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->addWidget(icon, 0, 0, Qt::AlignTop);
  layout->addWidget(version, 0, 1, Qt::AlignTop);
  layout->addWidget(ok, 1, 1, Qt::AlignRight | Qt::AlignBottom);
  layout->setColumnStretch(1, 1);
  layout->setHorizontalSpacing(DialogUnitsX(*this, 14));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::MenuItemText() { return QStringLiteral("&О проекте Varnetta..."); }

}  // namespace varnetta
