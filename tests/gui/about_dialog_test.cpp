#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "gui/AppIcon.h"
#include "gui/CAboutDlg.h"

namespace varnetta {

class AboutDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheIconTheVersionAndAnOkButton() {
    CAboutDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("О проекте Varnetta"));

    QStringList texts;
    int pictures = 0;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
      if (!label->text().isEmpty()) texts << label->text();
      if (!label->pixmap().isNull()) ++pictures;
    }
    QCOMPARE(texts, QStringList{QStringLiteral("Varnetta, версия 1.0")});
    QCOMPARE(pictures, 1);

    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("1"));
    QVERIFY(ok != nullptr);
    QCOMPARE(ok->text(), QString::fromUtf8("\u041e\u041a"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  void namesItsMenuItem() { QCOMPARE(CAboutDlg::MenuItemText(), QStringLiteral("&О проекте Varnetta...")); }

  void theIconComesInEverySize() {
    const QIcon icon = AppIcon();
    for (const int size : {16, 32, 48, 64, 128, 256}) {
      QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
      QCOMPARE(icon.pixmap(size, size).size(), QSize(size, size));
    }
  }
};

}  // namespace varnetta

QTEST_MAIN(varnetta::AboutDialogTest)
#include "about_dialog_test.moc"
