// The DAQ window under a German locale (LANG=de_DE.UTF-8, set by CTest): the
// start-up's translations give German texts on its actions, buttons, group
// boxes, tabs and message boxes, and every button and label fits the window's
// size of 1200 x 900 on every tab.
#include "tst_mainwindow_support.h"

#include "Translations.h"
#include "WindowTexts.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

class TestMainWindowGerman : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { KivraTolmEmulator::reset(); }
    void cleanup() { KivraTolmEmulator::reset(); }

    void germanTexts_data();
    void germanTexts();
    void everyTextTranslated();
    void textsFit();
    void messageBoxes();
    void armedButton();

private:
    QMap<QString, QString> englishTexts;
};

void TestMainWindowGerman::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    KivraTolmEmulator::reset();
    {
        // As it looks before any translation is installed.
        MainWindow english("usb", "-", QString());
        englishTexts = windowTexts(english);
    }
    const QStringList languages = interfaceLanguages(QProcessEnvironment::systemEnvironment());
    QCOMPARE(languages, QStringList{QStringLiteral("de_DE.UTF-8")});
    QCOMPARE(installTranslations(languages), QStringLiteral("de_DE"));
}

void TestMainWindowGerman::germanTexts_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("german");
    QTest::newRow("action") << "action:actLoadCalibration"
                            << "Kalibrierung laden";
    QTest::newRow("action exit") << "action:actExit"
                                 << "Beenden";
    QTest::newRow("radio button") << "button:rdoSampleRate"
                                  << "Abtastrate:";
    QTest::newRow("check button, leading blanks") << "button:btnLevelTrigger"
                                                  << "  Pegeltrigger";
    QTest::newRow("push button") << "button:btnArmTrigger"
                                 << "  Trigger scharf";
    QTest::newRow("push button, file") << "button:btnFileSel"
                                       << "  Logdatei wählen";
    QTest::newRow("group box") << "group:groupBoxCap"
                               << "Aufzeichnung";
    QTest::newRow("group box, inputs") << "group:groupBoxAo"
                                       << "Analogeingänge";
    QTest::newRow("label") << "label:lblLogFile"
                           << "Logdatei:";
    QTest::newRow("pre-trigger") << "button:rdoPreTriggerSamples"
                                 << "Vortrigger-Messwerte:";
    QTest::newRow("tab") << "tab:tabWidget0"
                         << "  Balken";
    QTest::newRow("trend tab") << "tab:tabWidget2"
                               << "  Verlauf";
    QTest::newRow("trend view button") << "button:btnTrendLive"
                                       << "  Zurück zu live";
    QTest::newRow("trend view group") << "group:groupBoxTrendSensors"
                                      << "Sensoren";
    QTest::newRow("trend counter toggle") << "button:btnTrendCounter"
                                          << "Zähler";
    QTest::newRow("title") << "title"
                           << "Kivra Tolm DAQ lite 2.0 - Orvane GmbH \u2014 emulierte Messkarte";
}

void TestMainWindowGerman::germanTexts() {
    QFETCH(QString, key);
    QFETCH(QString, german);
    MainWindow window("usb", "-", QString());
    QCOMPARE(windowTexts(window).value(key), german);
}

void TestMainWindowGerman::everyTextTranslated() {
    MainWindow window("usb", "-", QString());
    const QMap<QString, QString> german = windowTexts(window);
    // Words German shares with English, names, and labels that show data.
    const QStringList same = {"  Log",
                              "  Low",
                              "  High",
                              "Hz",
                              "d",
                              "  Pause",
                              "-1",
                              "+1",
                              "-1 s",
                              "+1 s",
                              "Live",
                              "label:lblCounter",
                              "label:lblCapSampleTimer",
                              "label:lblAI0",
                              "label:lblAI1",
                              "label:lblAI2",
                              "label:lblAI3",
                              "label:lblStatSum",
                              "label:lblStatMaximum",
                              "label:lblStatActive",
                              "label:lblStatMean",
                              "label:lblStatCentre"};
    QVERIFY(englishTexts.size() > 60);
    const QStringList left = untranslatedTexts(englishTexts, german, same);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(QStringLiteral("\n"))));
}

// The date and time of the newest frame is data, the same in every
// language, and wider than its place at this size in English as well: the
// form gives it the place it has.
static QStringList crampedTexts(MainWindow& window) {
    const QStringList cramped = crampedOnEveryTab(window, QSize(1200, 900));
    return cramped.filter(QRegularExpression(QStringLiteral("^(?!lblCapSampleTimer )")));
}

void TestMainWindowGerman::textsFit() {
    MainWindow window("usb", "-", QString());
    const QStringList cramped = crampedTexts(window);
    QVERIFY2(cramped.isEmpty(), qPrintable(cramped.join(QStringLiteral("\n"))));
}

void TestMainWindowGerman::messageBoxes() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    MainWindow window("usb", "-", QString());
    window.show();
    ModalResponder responder;
    QStringList buttonTexts;
    // Arming without a log file, then onto a file that exists.
    responder.answer({QMessageBox::Ok});
    responder.onMessage([&buttonTexts](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons())
            buttonTexts << button->text();
        box->button(QMessageBox::No)->click();
        return true;
    });
    QPushButton* arm = child<QPushButton>(window, "btnArmTrigger");
    arm->click();
    QFile existing(dir.filePath("old.csv"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    child<QLineEdit>(window, "txtFile")->setText(existing.fileName());
    arm->click();
    QTRY_COMPARE(responder.shownBoxes().size(), 2);

    QCOMPARE(responder.shownTitles(), (QStringList{"Fehler", "Frage"}));
    QCOMPARE(responder.shownTexts(),
             (QStringList{"Keine Logdatei angegeben.", "Die Datei existiert bereits. Überschreiben?"}));
    // The toolkit's own German for the standard buttons.
    buttonTexts.sort();
    QCOMPARE(buttonTexts, (QStringList{"&Ja", "&Nein"}));
}

void TestMainWindowGerman::armedButton() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    MainWindow window("usb", "-", QString());
    window.show();
    child<QLineEdit>(window, "txtFile")->setText(dir.filePath("run.csv"));
    QPushButton* arm = child<QPushButton>(window, "btnArmTrigger");
    arm->click();
    QCOMPARE(arm->text(), QStringLiteral("  Stopp"));
    QTRY_VERIFY(statusOf(window).contains(QStringLiteral("Scharf")));
    const QStringList cramped = crampedTexts(window);
    QVERIFY2(cramped.isEmpty(), qPrintable(cramped.join(QStringLiteral("\n"))));
    arm->click();
    QTRY_COMPARE(arm->text(), QStringLiteral("  Trigger scharf"));
}

QTEST_MAIN(TestMainWindowGerman)
#include "tst_mainwindow_german.moc"
