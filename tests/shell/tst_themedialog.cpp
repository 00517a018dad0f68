#include "Theme.h"
#include "ThemeDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtTest>

namespace {
QRadioButton* radio(QDialog& dialog, const char* name) {
    return dialog.findChild<QRadioButton*>(name);
}

QPushButton* button(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    return dialog.findChild<QDialogButtonBox*>("btnBox")->button(which);
}
} // namespace

class TestThemeDialog : public QObject {
    Q_OBJECT

private:
    QPalette startPalette;

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName("Orvane GmbH");
        QCoreApplication::setApplicationName("tst_themedialog");
        QSettings().clear();
        startPalette = QApplication::palette();
        applyTheme(Theme::system());
    }

    void init() {
        QSettings().clear();
        applyTheme(Theme::system());
    }

    void form() {
        ThemeDialog dialog;
        QCOMPARE(dialog.objectName(), QString("ThemeDialog"));
        QCOMPARE(dialog.windowTitle(), QString("Set GUI Theme"));
        QCOMPARE(dialog.size(), QSize(234, 135));
        QVERIFY(!dialog.windowIcon().pixmap(16, 16).isNull());
        QCOMPARE(radio(dialog, "rdoSystemTheme")->text(), QString("System Theme"));
        QCOMPARE(radio(dialog, "rdoDarkTheme")->text(), QString("Dark Fusion Theme"));
        QCOMPARE(radio(dialog, "rdoLightTheme")->text(), QString("Light Fusion Theme"));
        QVERIFY(button(dialog, QDialogButtonBox::Ok));
        QVERIFY(button(dialog, QDialogButtonBox::Cancel));
        QVERIFY(dialog.findChild<QLayout*>("verticalLayout_2"));
        QVERIFY(dialog.findChild<QLayout*>("verticalLayout"));
    }

    void checksCurrentTheme_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("checked");
        QTest::newRow("system") << "system"
                                << "rdoSystemTheme";
        QTest::newRow("dark") << "dark"
                              << "rdoDarkTheme";
        QTest::newRow("light") << "light"
                               << "rdoLightTheme";
    }

    void checksCurrentTheme() {
        QFETCH(QString, current);
        QFETCH(QString, checked);
        applyTheme(Theme::fromName(current));
        ThemeDialog dialog;
        QVERIFY(radio(dialog, qPrintable(checked))->isChecked());
    }

    void clickPreviewsAtOnce() {
        ThemeDialog dialog;
        dialog.show();
        QTest::mouseClick(radio(dialog, "rdoDarkTheme"), Qt::LeftButton);
        QCOMPARE(currentTheme().name, QString("dark"));
        QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(53, 53, 53));
        QTest::mouseClick(radio(dialog, "rdoLightTheme"), Qt::LeftButton);
        QCOMPARE(currentTheme().name, QString("light"));
        QTest::mouseClick(radio(dialog, "rdoSystemTheme"), Qt::LeftButton);
        QCOMPARE(currentTheme().name, QString("system"));
        QVERIFY(QApplication::palette() == startPalette);
    }

    void rejectRestoresPreviousAndKeepsSetting_data() {
        QTest::addColumn<QString>("previous");
        QTest::addColumn<bool>("closeWindow");
        QTest::newRow("system, Cancel") << "system" << false;
        QTest::newRow("light, Cancel") << "light" << false;
        QTest::newRow("system, window closed") << "system" << true;
    }

    void rejectRestoresPreviousAndKeepsSetting() {
        QFETCH(QString, previous);
        QFETCH(bool, closeWindow);
        applyTheme(Theme::fromName(previous));
        QSettings().setValue("theme", previous);
        const QPalette previousPalette = QApplication::palette();

        ThemeDialog dialog;
        dialog.show();
        QTest::mouseClick(radio(dialog, "rdoDarkTheme"), Qt::LeftButton);
        QCOMPARE(currentTheme().name, QString("dark"));
        if (closeWindow)
            dialog.close();
        else
            QTest::mouseClick(button(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);

        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(currentTheme().name, previous);
        QVERIFY(QApplication::palette() == previousPalette);
        QCOMPARE(QSettings().value("theme").toString(), previous);
    }

    void okStoresChoice() {
        ThemeDialog dialog;
        dialog.show();
        QTest::mouseClick(radio(dialog, "rdoLightTheme"), Qt::LeftButton);
        QVERIFY(!QSettings().contains("theme"));
        QTest::mouseClick(button(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(currentTheme().name, QString("light"));
        QCOMPARE(QSettings().value("theme").toString(), QString("light"));
    }
};

QTEST_MAIN(TestThemeDialog)
#include "tst_themedialog.moc"
