#include "AboutDialog.h"

#include <boost/version.hpp>
#ifndef TIXML_USE_STL
#define TIXML_USE_STL
#endif
#include <tinyxml.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

class TestAboutDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void rowsFollowTheFormat();
    void rowsShowThisBuild_data();
    void rowsShowThisBuild();
    void dialogShowsProductAndRows_data();
    void dialogShowsProductAndRows();
    void okAccepts();
};

namespace {
// "<name> (v<numbers joined by dots>), Licensed using: <licence>"
const QRegularExpression rowPattern(QStringLiteral("^(.+) \\(v(\\d+(?:\\.\\d+)*)\\), Licensed using: (.+)$"));
} // namespace

void TestAboutDialog::initTestCase() {
    QCoreApplication::setOrganizationName("Orvane GmbH");
    QCoreApplication::setApplicationName("Kivra DAQ lite");
}

void TestAboutDialog::rowsFollowTheFormat() {
    const QStringList rows = AboutDialog::componentRows();
    QCOMPARE(rows.size(), 4);
    QStringList names;
    for (const QString& row : rows) {
        const QRegularExpressionMatch match = rowPattern.match(row);
        QVERIFY2(match.hasMatch(), qPrintable(row));
        names << match.captured(1);
    }
    QCOMPARE(names, (QStringList{"QT", "Boost", "TinyXML", "Tango Icon Library"}));
}

void TestAboutDialog::rowsShowThisBuild_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Qt at run time") << 0
                                    << QString("QT (v%1), Licensed using: GNU LGPL v3").arg(QLatin1String(qVersion()));
    // BOOST_LIB_VERSION is "major_minor", the patch level is not in it.
    const QString boostLib = QString(BOOST_LIB_VERSION).replace('_', '.');
    QTest::newRow("Boost as compiled")
        << 1 << QString("Boost (v%1.%2), Licensed using: BSL 1.0").arg(boostLib).arg(BOOST_VERSION % 100);
    QTest::newRow("TinyXML as compiled") << 2
                                         << QString("TinyXML (v%1.%2.%3), Licensed using: zlib")
                                                .arg(TIXML_MAJOR_VERSION)
                                                .arg(TIXML_MINOR_VERSION)
                                                .arg(TIXML_PATCH_VERSION);
    QTest::newRow("icons shipped") << 3 << QString("Tango Icon Library (v0.8.90), Licensed using: Public Domain");
}

void TestAboutDialog::rowsShowThisBuild() {
    QFETCH(int, row);
    QFETCH(QString, expected);
    QCOMPARE(AboutDialog::componentRows().value(row), expected);
}

void TestAboutDialog::dialogShowsProductAndRows_data() {
    QTest::addColumn<QString>("product");
    QTest::newRow("DAQ") << "Kivra Tolm DAQ lite";
    QTest::newRow("CAL") << "Kivra Tolm CAL lite";
}

void TestAboutDialog::dialogShowsProductAndRows() {
    QFETCH(QString, product);
    AboutDialog dialog(nullptr, product);
    QCOMPARE(dialog.objectName(), QString("AboutDialog"));
    QCOMPARE(dialog.windowTitle(), QString("About"));
    QCOMPARE(dialog.size(), QSize(562, 193));

    auto* title = dialog.findChild<QLabel*>("lblTitle");
    QVERIFY(title);
    QCOMPARE(title->text(), product);
    QCOMPARE(title->font().pointSize(), 13);
    QVERIFY(title->font().bold());
    QCOMPARE(title->alignment(), Qt::Alignment(Qt::AlignCenter));

    auto* list = dialog.findChild<QListWidget*>("lstComponents");
    QVERIFY(list);
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    QCOMPARE(shown, AboutDialog::componentRows());
}

void TestAboutDialog::okAccepts() {
    AboutDialog dialog(nullptr, "Kivra Tolm CAL lite");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* ok = dialog.findChild<QPushButton*>("btnOK");
    QVERIFY(ok);
    QCOMPARE(ok->text(), QString("OK"));
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
