// The CAL window and its dialogs under a German locale (LANG=de_DE.UTF-8, set
// by CTest): German texts on actions, buttons, message boxes and dialogs,
// and every button and label fits the sizes the forms give (window
// 1024 x 768, point dialog 410 x 52, mode dialog 631 x 213).
#include "CalDialog.h"
#include "EmulatorControl.h"
#include "MainWindow.h"
#include "ModalResponder.h"
#include "ModeDialog.h"
#include "Translations.h"
#include "WindowTexts.h"

#include <QCheckBox>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QtTest>

class TestCalMainWindowGerman : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { KivraTolmEmulator::reset(); }
    void cleanup() { KivraTolmEmulator::reset(); }

    void germanTexts_data();
    void germanTexts();
    void everyTextTranslated();
    void textsFit();
    void messageBox();
    void dialogs_data();
    void dialogs();

private:
    QMap<QString, QString> englishTexts;
};

void TestCalMainWindowGerman::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    KivraTolmEmulator::reset();
    {
        MainWindow english("usb", "-", QString());
        englishTexts = windowTexts(english);
    }
    const QStringList languages = interfaceLanguages(QProcessEnvironment::systemEnvironment());
    QCOMPARE(languages, QStringList{QStringLiteral("de_DE.UTF-8")});
    QCOMPARE(installTranslations(languages), QStringLiteral("de_DE"));
}

void TestCalMainWindowGerman::germanTexts_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("german");
    QTest::newRow("action load") << "action:actLoadCalibration"
                                 << "Laden ...";
    QTest::newRow("action save and exit") << "action:actSaveAndExit"
                                          << "Speichern und beenden";
    QTest::newRow("action mode") << "action:actSetMode"
                                 << "Sensormodus ...";
    QTest::newRow("button, leading blanks") << "button:btnInsertCalPoint"
                                            << "  Kalibrierpunkte hinzufügen";
    QTest::newRow("button reset all") << "button:btnResetAll"
                                      << "  Alle Punkte löschen";
    QTest::newRow("title") << "title"
                           << "Kivra Tolm CAL lite 2.0 \u2014 emulierte Messkarte";
}

void TestCalMainWindowGerman::germanTexts() {
    QFETCH(QString, key);
    QFETCH(QString, german);
    MainWindow window("usb", "-", QString());
    QCOMPARE(windowTexts(window).value(key), german);
}

void TestCalMainWindowGerman::everyTextTranslated() {
    MainWindow window("usb", "-", QString());
    QVERIFY(englishTexts.size() > 10);
    // The product name in the title is the same in German.
    const QStringList left = untranslatedTexts(englishTexts, windowTexts(window), {});
    QVERIFY2(left.isEmpty(), qPrintable(left.join(QStringLiteral("\n"))));
    // The column controls made in code.
    QCOMPARE(window.column(3).resetButton->text(), QStringLiteral("  Löschen"));
    QCOMPARE(window.column(3).resetButton->toolTip(), QStringLiteral("Alle Kalibrierpunkte dieser Spalte löschen."));
    QVERIFY(window.column(3).selectBoxes[0]->toolTip().startsWith(QStringLiteral("Auswählen")));
}

void TestCalMainWindowGerman::textsFit() {
    MainWindow window("usb", "-", QString());
    const QStringList cramped = crampedOnEveryTab(window, QSize(1024, 768));
    QVERIFY2(cramped.isEmpty(), qPrintable(cramped.join(QStringLiteral("\n"))));
}

void TestCalMainWindowGerman::messageBox() {
    MainWindow window("usb", "-", QString());
    window.show();
    ModalResponder responder;
    QStringList buttonTexts;
    responder.onMessage([&buttonTexts](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons())
            buttonTexts << button->text();
        box->button(QMessageBox::No)->click();
        return true;
    });
    window.findChild<QPushButton*>("btnResetAll")->click();
    QCOMPARE(responder.shownTitles(), QStringList{"Frage"});
    QCOMPARE(responder.shownTexts(), QStringList{"Alle löschen?"});
    buttonTexts.sort();
    QCOMPARE(buttonTexts, (QStringList{"&Ja", "&Nein"}));
}

void TestCalMainWindowGerman::dialogs_data() {
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("buttonText");
    QTest::newRow("point dialog") << "btnInsertCalPoint" << QSize(410, 52) << "Neuen Kalibrierwert hinzufügen"
                                  << "btnAdd"
                                  << "  Hinzufügen";
    QTest::newRow("mode dialog") << "actSetMode" << QSize(631, 213) << "Sensormodus wählen"
                                 << "rdoDiagonalLine"
                                 << "8 Sensoren";
}

void TestCalMainWindowGerman::dialogs() {
    QFETCH(QString, opener);
    QFETCH(QSize, size);
    QFETCH(QString, title);
    QFETCH(QString, button);
    QFETCH(QString, buttonText);
    MainWindow window("usb", "-", QString());
    window.show();
    window.column(2).selectBoxes[2]->click();

    ModalResponder responder;
    QString shownTitle;
    QString shownButton;
    QStringList cramped = {QStringLiteral("not shown")};
    responder.onDialog([&](QDialog* dialog) {
        shownTitle = dialog->windowTitle();
        shownButton = dialog->findChild<QAbstractButton*>(button)->text();
        cramped = crampedOnEveryTab(*dialog, size);
        dialog->reject();
    });
    if (QAction* action = window.findChild<QAction*>(opener))
        action->trigger();
    else
        window.findChild<QPushButton*>(opener)->click();
    QCOMPARE(shownTitle, title);
    QCOMPARE(shownButton, buttonText);
    QVERIFY2(cramped.isEmpty(), qPrintable(cramped.join(QStringLiteral("\n"))));
}

QTEST_MAIN(TestCalMainWindowGerman)
#include "tst_calmainwindow_german.moc"
