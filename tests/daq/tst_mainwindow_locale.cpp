// A capture made in the DAQ window under the German locale is byte for byte
// the capture made under the C locale: the log and its description are data,
// never translated nor formatted in the user's locale. Each capture runs in a
// child process (this executable with "--write DIR") on a board whose frames
// depend only on their number, with the wall clock stopped by libfaketime, so
// that the two runs differ in nothing but the locale.
#include "tst_mainwindow_support.h"

#include "CalibrationData.h"
#include "LocaleRuns.h"
#include "StartUp.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int preTrigger = 5;
constexpr int length = 20;

// A calibration that makes fractions of the readings.
CalibrationData sampleCalibration() {
    CalibrationData calibration;
    calibration.setUnit("kg");
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            calibration.addPoint(column, row, {0.25f, 1.5f});
            calibration.addPoint(column, row, {1.75f, 9.125f});
        }
    }
    return calibration;
}

// A board whose frames depend on nothing but their number: every sensor
// reads the same, and the counter steps once, at frame `triggerFrame`, which
// fires the external trigger. The engine stamps frames from its start time
// (a stopped clock here) and their number, so both runs log the same frames
// with the same times.
constexpr std::uint64_t triggerFrame = 150;

void installBoard() {
    KivraTolmEmulator::reset();
    KivraTolmEmulator::BoardConfig board;
    board.counterPulsePeriodMs = 0;
    board.frameSource = [](std::uint64_t number, float* floats, std::uint32_t* words) {
        for (int i = 0; i < 4; ++i)
            floats[i] = 1.25f * static_cast<float>(i);
        for (int i = 0; i < 64; ++i)
            floats[4 + i] = 0.37f * 2.5f;
        words[1] = 0x5;
        words[2] = number >= triggerFrame ? 123457 : 123456;
    };
    KivraTolmEmulator::setBoards({board});
}

// The child: a capture of every column on the external trigger into
// DIR/run.csv, with the calibration DIR/start.tolmcal3.
int writeCapture(const QString& dir) {
    LocaleRuns::reportDecimalPoint();
    installBoard();
    MainWindow window("usb", "-", dir + QStringLiteral("/start.tolmcal3"));
    window.show();
    child<QLineEdit>(window, "txtFile")->setText(dir + QStringLiteral("/run.csv"));
    for (const char* name : {"btnLogCapSampleTimer", "btnLogAnalog0", "btnLogAnalog1", "btnLogAnalog2", "btnLogAnalog3",
                             "btnLogDigital", "btnLogHardwareCounter", "btnExtTrigger"})
        child<QPushButton>(window, name)->setChecked(true);
    child<QRadioButton>(window, "rdoPreTriggerSamples")->click();
    child<QSpinBox>(window, "spnPreTriggerSamples")->setValue(preTrigger);
    child<QRadioButton>(window, "rdoCapFrames")->click();
    child<QSpinBox>(window, "spnCapSamples")->setValue(length);
    // Armed once the window shows the counter before its step (the trigger
    // compares with that), well before the trigger frame: 3 s at 50 frames/s.
    QLabel* counter = child<QLabel>(window, "lblCounter");
    for (int waited = 0; counter->text() != QLatin1String("123456") && waited < 2000; waited += 10)
        QTest::qWait(10);
    QPushButton* arm = child<QPushButton>(window, "btnArmTrigger");
    arm->click();
    if (!arm->isChecked())
        return 2;
    for (int waited = 0; arm->isChecked() && waited < 20000; waited += 10)
        QTest::qWait(10);
    return arm->isChecked() ? 3 : 0;
}

} // namespace

class TestMainWindowLocale : public QObject {
    Q_OBJECT

private slots:
    void captureSameInGermanAndC();
};

void TestMainWindowLocale::captureSameInGermanAndC() {
    if (!LocaleRuns::germanLocaleExists())
        QSKIP("the locale de_DE.UTF-8 is not generated on this machine (scripts/setup.sh generates it)");
    if (LocaleRuns::faketimeLibrary().isEmpty())
        QSKIP("libfaketime is not installed (scripts/setup.sh installs it)");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString start = dir.filePath("start.tolmcal3");
    sampleCalibration().save(QFile::encodeName(start).toStdString());

    // One after the other in the same folder: the description names the log.
    QMap<QString, QByteArray> files[2];
    for (const bool german : {true, false}) {
        const LocaleRuns::Run run = LocaleRuns::run(QCoreApplication::applicationFilePath(), dir.path(), german, true);
        QVERIFY2(run.finished && run.exitCode == 0, run.errors.constData());
        QCOMPARE(run.output, german ? QByteArray("decimal point: ,\n") : QByteArray("decimal point: .\n"));
        for (const char* name : {"run.csv", "run.csv.json"}) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            files[german].insert(QString::fromLatin1(name), LocaleRuns::contents(path));
            QFile::remove(path);
        }
    }
    // A real capture: the header, the column line and every row, with
    // fractions in its values.
    const QByteArray log = files[false].value("run.csv");
    QVERIFY2(log.count('\n') >= 2 + length, log.constData());
    QVERIFY2(log.startsWith("# Sample rate: 50.00000000 Hz, Pre trigger: 5, Reason: External triggered"),
             log.constData());
    // The history before the trigger frame is in the log.
    QVERIFY2(log.contains(";123456;\n"), log.constData());
    QVERIFY2(log.contains('.'), log.constData());
    QVERIFY(!files[false].value("run.csv.json").isEmpty());
    for (const char* name : {"run.csv", "run.csv.json"}) {
        const QByteArray difference = LocaleRuns::firstDifference(files[true].value(name), files[false].value(name));
        QVERIFY2(difference.isEmpty(), (name + QByteArray(", German then C, ") + difference).constData());
    }
}

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], LocaleRuns::writeOption()) == 0) {
        // As the program starts: identity, application object, translations.
        setApplicationIdentity(Program::Daq);
        QApplication application(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        installTranslations(interfaceLanguages(QProcessEnvironment::systemEnvironment()));
        return writeCapture(QString::fromLocal8Bit(argv[2]));
    }
    QApplication application(argc, argv);
    TestMainWindowLocale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow_locale.moc"
