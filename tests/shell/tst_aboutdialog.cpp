#include "AboutDialog.h"

#include <boost/version.hpp>
#ifndef TIXML_USE_STL
#define TIXML_USE_STL
#endif
#include <tinyxml.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

class TestAboutDialog : public QObject {
    Q_OBJECT

private slots:
    void rowsShowThisBuild();
    void dialogShowsProductAndRows();
};

void TestAboutDialog::rowsShowThisBuild() {
    // BOOST_LIB_VERSION is "major_minor", without the patch level.
    const QString boost = QString(BOOST_LIB_VERSION).replace('_', '.') + '.' + QString::number(BOOST_VERSION % 100);
    const QString tinyXml =
        QString("%1.%2.%3").arg(TIXML_MAJOR_VERSION).arg(TIXML_MINOR_VERSION).arg(TIXML_PATCH_VERSION);
    const QStringList expected{
        QString("QT (v%1), Licensed using: GNU LGPL v3").arg(QLatin1String(qVersion())),
        QString("Boost (v%1), Licensed using: BSL 1.0").arg(boost),
        QString("TinyXML (v%1), Licensed using: zlib").arg(tinyXml),
        QString("Tango Icon Library (v0.8.90), Licensed using: Public Domain"),
    };
    QCOMPARE(AboutDialog::componentRows(), expected);
}

void TestAboutDialog::dialogShowsProductAndRows() {
    AboutDialog dialog(nullptr, "Kivra Tolm CAL lite");
    QCOMPARE(dialog.windowTitle(), QString("About"));
    auto* title = dialog.findChild<QLabel*>("lblTitle");
    auto* list = dialog.findChild<QListWidget*>("lstComponents");
    auto* ok = dialog.findChild<QPushButton*>("btnOK");
    QVERIFY(title && list && ok);
    QCOMPARE(title->text(), QString("Kivra Tolm CAL lite"));

    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    QCOMPARE(shown, AboutDialog::componentRows());

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
