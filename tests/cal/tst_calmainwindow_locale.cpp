// A calibration made in the CAL window under the German locale is byte for
// byte the one made under the C locale. Each runs in a child process (this
// executable with "--write DIR") on a board that reads the same values in
// every frame: it enters a unit, a sensitivity and a point with a fraction
// through the window and its point dialog, then saves and exits.
#include "CalibrationData.h"
#include "EmulatedReadings.h"
#include "LocaleRuns.h"
#include "MainWindow.h"
#include "ModalResponder.h"
#include "StartUp.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

int writeCalibration(const QString& dir) {
    LocaleRuns::reportDecimalPoint();
    EmulatedReadings::instance().installBoard();
    EmulatedReadings::instance().setAll(0.37f);
    EmulatedReadings::instance().set(2, 2, 1.2345f);
    const QString path = dir + QStringLiteral("/written.tolmcal3");
    CalibrationData().save(QFile::encodeName(path).toStdString());

    MainWindow window("usb", "-", path);
    window.show();
    window.findChild<QLineEdit*>("txtUnit")->setText(QStringLiteral("kPa"));
    window.column(2).sensitivityBox->setValue(17);
    window.column(2).selectBoxes[2]->click();
    window.column(5).selectBoxes[5]->click();
    // The board has sent the frames that the point averages.
    QTest::qWait(1000);
    ModalResponder responder;
    responder.onDialog([](QDialog* dialog) {
        dialog->findChild<QDoubleSpinBox*>("spnValue")->setValue(7.25);
        dialog->findChild<QPushButton*>("btnAdd")->click();
        dialog->findChild<QPushButton*>("btnDone")->click();
    });
    window.findChild<QPushButton*>("btnInsertCalPoint")->click();
    if (!responder.allAnswersUsed() || !responder.shownBoxes().isEmpty())
        return 2;
    window.findChild<QAction*>("actSaveAndExit")->trigger();
    return window.isVisible() ? 3 : 0;
}

} // namespace

class TestCalMainWindowLocale : public QObject {
    Q_OBJECT

private slots:
    void calibrationSameInGermanAndC();
};

void TestCalMainWindowLocale::calibrationSameInGermanAndC() {
    if (!LocaleRuns::germanLocaleExists())
        QSKIP("the locale de_DE.UTF-8 is not generated on this machine (scripts/setup.sh generates it)");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("written.tolmcal3");
    QByteArray files[2];
    for (const bool german : {true, false}) {
        const LocaleRuns::Run run = LocaleRuns::run(QCoreApplication::applicationFilePath(), dir.path(), german, false);
        QVERIFY2(run.finished && run.exitCode == 0, run.errors.constData());
        QCOMPARE(run.output, german ? QByteArray("decimal point: ,\n") : QByteArray("decimal point: .\n"));
        files[german] = LocaleRuns::contents(path);
    }
    // What was entered is in the file.
    CalibrationData written;
    written.load(QFile::encodeName(path).toStdString());
    QCOMPARE(written.unit(), std::string("kPa"));
    QCOMPARE(written.sensitivity(2), 17);
    QCOMPARE(written.points(2, 2).size(), std::size_t(1));
    QCOMPARE(written.points(5, 5).size(), std::size_t(1));
    QVERIFY2(files[false].contains("7.25"), files[false].constData());
    const QByteArray difference = LocaleRuns::firstDifference(files[true], files[false]);
    QVERIFY2(difference.isEmpty(), ("German then C, " + difference).constData());
}

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], LocaleRuns::writeOption()) == 0) {
        // As the program starts: identity, application object, translations.
        setApplicationIdentity(Program::Cal);
        QApplication application(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        installTranslations(interfaceLanguages(QProcessEnvironment::systemEnvironment()));
        return writeCalibration(QString::fromLocal8Bit(argv[2]));
    }
    QApplication application(argc, argv);
    TestCalMainWindowLocale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_calmainwindow_locale.moc"
