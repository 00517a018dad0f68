// Starting the CAL program from the DAQ window: the program path and command
// line, and a real child process (a stand-in for the CAL program) whose end
// makes the window reload the calibration file and acquire again.
#include "tst_mainwindow_support.h"

#include "CalProgram.h"
#include "HandoverCalibration.h"

#include "Grid8x8Widget.h"
#include "SensorWidget.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cerrno>

#include <signal.h>

using namespace KivraTolmEmulator;

namespace {

// A DAQ-like program name beside the stand-in, from which the window derives
// the stand-in's own path.
QString daqPathBesideFakeCal() {
    const QFileInfo fake(QStringLiteral(FAKE_CAL));
    return fake.absolutePath() + '/' + fake.fileName().replace("-cal-", "-daq-");
}

int countCalls(const std::string& prefix) {
    const std::vector<std::string> all = calls();
    return int(std::count_if(all.begin(), all.end(),
                             [&prefix](const std::string& call) { return call.rfind(prefix, 0) == 0; }));
}

QStringList recordedArguments(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void saveCalibration(const QString& path, CalibrationData calibration) {
    calibration.save(QFile::encodeName(path).toStdString());
}

bool processExists(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

SensorWidget* sensorColumn(MainWindow& window, int column) {
    return window.findChildren<SensorWidget*>().at(column);
}

QAction* startCalAction(MainWindow& window) {
    return child<QAction>(window, "actStartKivraCALlite");
}

} // namespace

class TestHandover : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void calPath_data();
    void calPath();
    void calArguments_data();
    void calArguments();
    void calProgramEnds_data();
    void calProgramEnds();
    void calProgramMissing();
    void closingEndsCalProgram();

private:
    ScriptedBoard board;
    QTemporaryDir dir;
};

void TestHandover::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(dir.isValid());
    QVERIFY2(QFileInfo(QStringLiteral(FAKE_CAL)).isExecutable(), FAKE_CAL);
}

void TestHandover::init() {
    board.sensor = 0.5f;
    board.install();
    qputenv("FAKE_CAL_RECORD", QFile::encodeName(dir.filePath("arguments.txt")));
    QFile::remove(dir.filePath("arguments.txt"));
}

void TestHandover::cleanup() {
    qunsetenv("FAKE_CAL_END");
    KivraTolmEmulator::reset();
}

void TestHandover::calPath_data() {
    QTest::addColumn<QString>("daq");
    QTest::addColumn<QString>("cal");

    QTest::newRow("beside") << "/opt/kivra/kivratolm-daq-lite-x86"
                            << "/opt/kivra/kivratolm-cal-lite-x86";
    QTest::newRow("extension kept") << "C:/Program Files/Kivra/kivratolm-daq-lite-x86.exe"
                                    << "C:/Program Files/Kivra/kivratolm-cal-lite-x86.exe";
    QTest::newRow("no -daq-: unchanged") << "/opt/kivra/kivratolm-lite"
                                         << "/opt/kivra/kivratolm-lite";
    QTest::newRow("directory untouched") << "/home/u/build-daq-x/kivratolm-daq-lite-x86"
                                         << "/home/u/build-daq-x/kivratolm-cal-lite-x86";
    QTest::newRow("only the directory has it") << "/srv/a-daq-b/daq"
                                               << "/srv/a-daq-b/daq";
    QTest::newRow("every occurrence") << "/x/a-daq-b-daq-c"
                                      << "/x/a-cal-b-cal-c";
    QTest::newRow("case-sensitive") << "/x/kivratolm-DAQ-lite"
                                    << "/x/kivratolm-DAQ-lite";
    QTest::newRow("file name only") << "kivratolm-daq-lite-x86"
                                    << "kivratolm-cal-lite-x86";
}

void TestHandover::calPath() {
    QFETCH(QString, daq);
    QFETCH(QString, cal);
    QCOMPARE(calProgramPath(daq), cal);
}

void TestHandover::calArguments_data() {
    QTest::addColumn<QString>("bus");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("usb with file") << "usb"
                                   << "-"
                                   << "/data/plate.tolmcal3" << QStringList{"use=usb/-", "cfg=/data/plate.tolmcal3"};
    QTest::newRow("net with file") << "net"
                                   << "192.168.1.20:10001"
                                   << "/data/my plate.tolmcal3"
                                   << QStringList{"use=net/192.168.1.20:10001", "cfg=/data/my plate.tolmcal3"};
    QTest::newRow("no file") << "usb"
                             << "-" << QString() << QStringList{"use=usb/-"};
}

void TestHandover::calArguments() {
    QFETCH(QString, bus);
    QFETCH(QString, address);
    QFETCH(QString, file);
    QFETCH(QStringList, arguments);
    QCOMPARE(calProgramArguments(bus, address, file), arguments);
}

void TestHandover::calProgramEnds_data() {
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("engineStarts");

    QTest::newRow("exit 0") << QByteArray("0") << true << QStringList() << 1;
    QTest::newRow("exit 3") << QByteArray("3") << true << QStringList() << 1;
    // The crash is reported and acquisition resumes; then its end reloads
    // and starts once more.
    QTest::newRow("crash") << QByteArray("crash") << true << QStringList{"Failed to start Kivra CAL lite: 1"} << 2;
    QTest::newRow("no calibration file") << QByteArray("0") << false << QStringList() << 1;
}

void TestHandover::calProgramEnds() {
    QFETCH(QByteArray, end);
    QFETCH(bool, withFile);
    QFETCH(QStringList, messages);
    QFETCH(int, engineStarts);

    const QString file = withFile ? dir.filePath("handover.tolmcal3") : QString();
    if (withFile)
        saveCalibration(file, CalibrationData());
    qputenv("FAKE_CAL_END", end);

    // Answers every box, expected or not, so that they show in the texts.
    ModalResponder responder;
    MainWindow window("usb", "-", file);
    window.setDaqProgramPath(daqPathBesideFakeCal());
    QTRY_VERIFY(boardState(0).running);
    QCOMPARE(boardState(0).columnSensitivity, std::vector<int>(8, 31));

    clearCalls();
    QElapsedTimer sinceStart;
    sinceStart.start();
    startCalAction(window)->trigger();
    // The board is free for the CAL program before it starts.
    QVERIFY(!boardState(0).open);
    // Only frames of the restarted engine carry this reading.
    board.sensor = 0.7f;
    QTRY_COMPARE_WITH_TIMEOUT(countCalls("StartDataAcquisition"), engineStarts, 15000);
    QVERIFY(sinceStart.elapsed() >= 1500);

    QStringList expectedArguments{"use=usb/-"};
    if (withFile)
        expectedArguments << "cfg=" + file;
    QCOMPARE(recordedArguments(dir.filePath("arguments.txt")), expectedArguments);
    QCOMPARE(responder.shownTexts(), messages);

    // Frames flow again.
    const Grid8x8Widget* grid = window.findChild<Grid8x8Widget*>();
    QTRY_VERIFY(qAbs(grid->cell(2, 3).intensity - 0.7) < 1e-6);
    QVERIFY(boardState(0).running);
    QCOMPARE(countCalls("StartDataAcquisition"), engineStarts);

    if (!withFile) {
        QVERIFY(window.calibrationData() == CalibrationData());
        return;
    }
    // What the CAL program saved is in effect: on the board, in the bar
    // graphs and in the converted values.
    QVERIFY(window.calibrationData() == handoverCalibration());
    QTRY_COMPARE(boardState(0).columnSensitivity, (std::vector<int>{20, 25, 30, 35, 40, 45, 50, 55}));
    QCOMPARE(sensorColumn(window, 2)->bar(3).points,
             (SensorPoints{qMakePair(double(0.2f), 10.0), qMakePair(double(0.6f), 50.0)}));
    QCOMPARE(sensorColumn(window, 7)->bar(0).unit, QStringLiteral("kPa"));
    QVERIFY(sensorColumn(window, 0)->bar(0).points.isEmpty());
    QVERIFY(grid->cell(2, 3).hasCalibration);
    QVERIFY(!grid->cell(3, 2).hasCalibration);
    // Every sensor reads 0.7: 10 + (0.7 - 0.2) / 0.4 * 40.
    QVERIFY(qAbs(grid->cell(2, 3).value - 60.0) < 1e-3);
    QVERIFY(qAbs(sensorColumn(window, 2)->bar(3).value - 60.0) < 1e-3);
}

void TestHandover::calProgramMissing() {
    // The file changes on disk, but nothing ended that would reload it.
    const QString file = dir.filePath("missing.tolmcal3");
    saveCalibration(file, CalibrationData());

    ModalResponder responder;
    responder.answer({QMessageBox::Ok});
    MainWindow window("usb", "-", file);
    window.setDaqProgramPath(dir.filePath("no such folder/kivratolm-daq-lite-x86"));
    QTRY_VERIFY(boardState(0).running);
    saveCalibration(file, handoverCalibration());

    clearCalls();
    startCalAction(window)->trigger();
    QTRY_VERIFY(responder.allAnswersUsed());
    QCOMPARE(responder.shownTitles(), QStringList{"Error"});
    QCOMPARE(responder.shownTexts(), QStringList{"Failed to start Kivra CAL lite: 0"});
    QTRY_VERIFY(boardState(0).running);
    QVERIFY(waitForTicks(window, 10));
    QCOMPARE(countCalls("StartDataAcquisition"), 1);
    QVERIFY(window.calibrationData() == CalibrationData());
}

void TestHandover::closingEndsCalProgram() {
    const QString file = dir.filePath("closing.tolmcal3");
    saveCalibration(file, CalibrationData());
    qputenv("FAKE_CAL_END", "wait");

    ModalResponder responder;
    responder.answer({QMessageBox::Ok});
    auto window = std::make_unique<MainWindow>("usb", "-", file);
    window->setDaqProgramPath(daqPathBesideFakeCal());
    QTRY_VERIFY(boardState(0).running);

    clearCalls();
    startCalAction(*window)->trigger();
    // Running its own code, not just forked.
    QTRY_VERIFY_WITH_TIMEOUT(!recordedArguments(dir.filePath("arguments.txt")).isEmpty(), 10000);
    const QList<QProcess*> processes = window->findChildren<QProcess*>();
    QCOMPARE(processes.size(), 1);
    // Its started notification reaches this process through the event loop.
    QTRY_COMPARE(processes[0]->state(), QProcess::Running);
    const qint64 pid = processes[0]->processId();
    QVERIFY(processExists(pid));

    QVERIFY(window->close());
    window.reset();
    QVERIFY(!processExists(pid));
    // Its end reached no window: nothing reported, nothing restarted.
    QVERIFY(responder.shownTexts().isEmpty());
    QCOMPARE(countCalls("StartDataAcquisition"), 0);
    QVERIFY(!boardState(0).open);
}

QTEST_MAIN(TestHandover)
#include "tst_handover.moc"
