// Capturing from the DAQ main window into the CSV log, on the emulated board.
#include "tst_mainwindow_support.h"

#include "CalibrationData.h"
#include "DropFile.h"
#include "PrivateMount.h"
#include "RecentMenu.h"
#include "SensorGeometry.h"
#include "SensorWidget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QToolBar>
#include <QtTest>

#include <algorithm>

class TestMainWindowCapture : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { KivraTolmEmulator::reset(); }
    void cleanup() { KivraTolmEmulator::reset(); }

    void armingIsRefused_data();
    void armingIsRefused();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void seriesNeverAsks();
    void controlsLockedWhileCapturing();
    void forcedCaptureWritesReadableCsv();
    void captureEndsAfterLength_data();
    void captureEndsAfterLength();
    void levelTriggerOfMarkedSensor();
    void unwritableLogIsReported();
    void noRowBeforeTheLoadedSensitivities();
    void closeDuringCapture();
    void calibrationRefusedWhileCapturing();

private:
    static QStringList dataRows(const QString& fileName);
};

namespace {

QPushButton* armButton(MainWindow& window) {
    return child<QPushButton>(window, "btnArmTrigger");
}

void setLogFile(MainWindow& window, const QString& fileName) {
    child<QLineEdit>(window, "txtFile")->setText(fileName);
}

bool isIdle(MainWindow& window) {
    return statusOf(window).endsWith(" - Idle");
}

QString userGuide() {
    QFile guide(KIVRA_SOURCE_DIR "/docs/USER_GUIDE.md");
    return guide.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(guide.readAll()) : QString();
}

int capturedRows(MainWindow& window) {
    const QRegularExpression captured(" - Captured: (\\d+)");
    const QRegularExpressionMatch match = captured.match(statusOf(window));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

QStringList TestMainWindowCapture::dataRows(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.mid(2);
}

void TestMainWindowCapture::armingIsRefused_data() {
    QTest::addColumn<QString>("refusal");
    QTest::newRow("no file name") << "none";
    QTest::newRow("a read-only folder") << "read-only";
    QTest::newRow("a file the capture tool writes") << "in use";
    QTest::newRow("an unknown placeholder") << "placeholder";
}

// Refused with an "Error" box before anything is armed or deleted.
void TestMainWindowCapture::armingIsRefused() {
    QFETCH(QString, refusal);

    PrivateMount readOnly(PrivateMount::ReadOnly);
    QTemporaryDir dir;
    QProcess tool;
    QString fileName;
    QString text = "No output file specified.";
    QString detail;
    if (refusal == "read-only") {
        QVERIFY(readOnly.isMounted());
        fileName = readOnly.path("log.csv");
        text = "The log file " + fileName + " cannot be created.";
        detail = "Read-only file system";
    } else if (refusal == "in use") {
        // A capture from a script into the same file, forced at once, until stopped.
        fileName = dir.filePath("log.csv");
        tool.start(CAPTURE_TOOL, {"use=usb/-", "--log", "timestamp", "--sensors", "none", "-o", fileName});
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(fileName).size() > 0, 10000);
        text = fileName + " is in use by another capture.";
    } else if (refusal == "placeholder") {
        fileName = dir.filePath("run-{x}.csv");
        text = "The log file name " + fileName +
               " cannot be used: unknown placeholder {x}.\nA name may hold {n}, "
               "{date} and {time}; {{ and }} stand for a brace.";
    }
    MainWindow window("usb", "-", QString());
    setLogFile(window, fileName);
    ModalResponder responder;
    QString shownDetail;
    responder.onMessage([&](QMessageBox* box) {
        shownDetail = box->detailedText();
        box->button(QMessageBox::Ok)->click();
        return true;
    });
    armButton(window)->click();
    QTRY_VERIFY(responder.allAnswersUsed());
    QCOMPARE(responder.shownTitles(), QStringList{"Error"});
    QCOMPARE(responder.shownTexts(), QStringList{text});
    QCOMPARE(shownDetail, detail);
    QVERIFY(!armButton(window)->isChecked());
    QTRY_VERIFY(isIdle(window));
    QVERIFY(window.findChild<QToolBar*>("mainToolBar")->isEnabled());
    if (refusal == "read-only")
        QCOMPARE(QDir(readOnly.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    if (refusal == "in use") {
        // The tool's capture goes on undisturbed: a row every 20 ms (50 frames/s).
        const qint64 size = QFileInfo(fileName).size();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(fileName).size() > size, 5000);
        tool.terminate();
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 0);
        const QStringList rows = dataRows(fileName);
        for (int i = 0; i < rows.size(); ++i)
            QCOMPARE(rows[i], QString::number(rows[0].chopped(1).toULongLong() + 20 * i) + ';');
    }
}

void TestMainWindowCapture::overwriteQuestion_data() {
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("no keeps the file") << false;
    QTest::newRow("yes arms") << true;
}

void TestMainWindowCapture::overwriteQuestion() {
    QFETCH(bool, overwrite);

    QTemporaryDir dir;
    const QString fileName = dir.filePath("log.csv");
    {
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("earlier capture\n");
    }
    MainWindow window("usb", "-", QString());
    setLogFile(window, fileName);
    ModalResponder responder;
    responder.answer({overwrite ? QMessageBox::Yes : QMessageBox::No});
    armButton(window)->click();
    QTRY_VERIFY(responder.allAnswersUsed());
    QCOMPARE(responder.shownTitles(), QStringList{"Question"});
    QCOMPARE(responder.shownTexts(), QStringList{"File exists, overwrite ?"});
    QCOMPARE(armButton(window)->isChecked(), overwrite);
    if (overwrite) {
        QTRY_VERIFY(statusOf(window).endsWith(" - Armed"));
        QVERIFY(!QFile::exists(fileName)); // replaced by the first block
    } else {
        QTRY_VERIFY(isIdle(window));
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("earlier capture\n"));
    }
}

// A series into run-{n}.csv takes the next free number each time without a
// question, and says where each capture went; a plain name that exists is
// asked about, the question naming the file.
void TestMainWindowCapture::seriesNeverAsks() {
    QTemporaryDir dir;
    {
        QFile file(dir.filePath("run-1.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("earlier capture\n");
    }
    MainWindow window("usb", "-", QString());
    ModalResponder responder;
    QString informative;
    responder.onMessage([&](QMessageBox* box) {
        informative = box->informativeText();
        box->button(QMessageBox::No)->click();
        return true;
    });
    setLogFile(window, dir.filePath("run-1.csv"));
    armButton(window)->click();
    QTRY_VERIFY(responder.allAnswersUsed());
    QCOMPARE(responder.shownTexts(), QStringList{"File exists, overwrite ?"});
    QCOMPARE(informative, dir.filePath("run-1.csv"));

    setLogFile(window, dir.filePath("run-{n}.csv"));
    for (int number : {2, 3}) {
        armButton(window)->click();
        child<QPushButton>(window, "btnForceTrigger")->click();
        QTRY_VERIFY(capturedRows(window) >= 5);
        armButton(window)->click();
        QTRY_VERIFY(isIdle(window));
        const QString file = dir.filePath(QString("run-%1.csv").arg(number));
        // A long path is shortened in the middle; the tool tip holds it.
        auto* lastCapture = child<QLabel>(window, "lblLastCapture");
        QVERIFY(lastCapture->text().startsWith(QString("Last capture: %1 rows in /").arg(dataRows(file).size())));
        QCOMPARE(lastCapture->toolTip(), file);
    }
    QCOMPARE(responder.shownBoxes().size(), 1);
}

void TestMainWindowCapture::controlsLockedWhileCapturing() {
    QTemporaryDir dir;
    MainWindow window("usb", "-", QString());
    setLogFile(window, dir.filePath("log.csv"));
    child<QRadioButton>(window, "rdoCapFrames")->click();
    const QStringList locked = {"spnRate",       "tmePreTriggerTime", "spnCapSamples", "txtFile",
                                "btnFileSel",    "btnLevelTrigger",   "btnExtTrigger", "rdoCapTime",
                                "btnLogDigital", "btnCounterReset",   "mainToolBar"};
    const QStringList open = {"btnForceTrigger", "btnArmTrigger", "btnIn0", "btnHigh3"};

    armButton(window)->click();
    QCOMPARE(armButton(window)->text(), QString("  Stop"));
    for (const QString& name : locked)
        QVERIFY2(!window.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
    for (const QString& name : open)
        QVERIFY2(window.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));

    armButton(window)->click();
    QTRY_VERIFY(isIdle(window));
    QCOMPARE(armButton(window)->text(), QString("  Arm Trigger"));
    for (const QString& name : locked)
        QVERIFY2(window.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
    // The forms follow their radio buttons again.
    QVERIFY(!child<QTimeEdit>(window, "tmeCapTime")->isEnabled());
    QVERIFY(!child<QSpinBox>(window, "spnPreTriggerSamples")->isEnabled());
    QVERIFY(!child<QTimeEdit>(window, "tmeSampleToSample")->isEnabled());
}

void TestMainWindowCapture::forcedCaptureWritesReadableCsv() {
    QTemporaryDir dir;
    const QString fileName = dir.filePath("capture.csv");
    // Every sensor of the example calibration is logged.
    MainWindow window("usb", "-", KIVRA_SOURCE_DIR "/examples/demo.tolmcal3");
    setLogFile(window, fileName);
    for (const char* name : {"btnLogCapSampleTimer", "btnLogAnalog0", "btnLogAnalog1", "btnLogAnalog2", "btnLogAnalog3",
                             "btnLogDigital", "btnLogHardwareCounter"})
        child<QPushButton>(window, name)->click();

    armButton(window)->click();
    QTRY_VERIFY(statusOf(window).endsWith(" - Armed"));
    child<QPushButton>(window, "btnForceTrigger")->click();
    QTRY_VERIFY_WITH_TIMEOUT(capturedRows(window) >= 25, 10000);
    armButton(window)->click();
    QTRY_VERIFY(isIdle(window));
    QVERIFY(!armButton(window)->isChecked());

    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines.size() >= 27);
    QVERIFY2(lines[0].startsWith("# Sample rate: 50.00000000 Hz, Pre trigger: 0, Reason: Forced trigger, "
                                 "Trigger start time: "),
             qPrintable(lines[0]));
    const QStringList columns = lines[1].split(';');
    // time stamp, 64 sensors, 4 analog inputs, digital port, counter, and the
    // empty piece behind the last separator
    QCOMPARE(columns.size(), 1 + 64 + 4 + 1 + 1 + 1);
    QCOMPARE(columns[1], QString("Sensor A1 (N)"));
    QCOMPARE(columns[2], QString("Sensor A2 (N)"));
    for (int i = 2; i < lines.size(); ++i)
        QCOMPARE(lines[i].split(';').size(), columns.size());

    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        return;
    // A standard CSV reader sees the same number of fields in every row.
    QProcess reader;
    reader.start(python, {"-c",
                          "import csv, sys\n"
                          "rows = list(csv.reader(open(sys.argv[1], newline=''), delimiter=';'))[1:]\n"
                          "print(len(rows), sorted(set(len(r) for r in rows)))\n",
                          fileName});
    QVERIFY(reader.waitForFinished(30000));
    QCOMPARE(reader.exitCode(), 0);
    const QString expected = QString("%1 [%2]\n").arg(lines.size() - 1).arg(columns.size());
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()), expected);

    // The user guide's Python example reads this log as it says.
    const QRegularExpression example("\\*\\*Python\\*\\* with the standard library:\\s*```python\\n(.*?)```",
                                     QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = example.match(userGuide());
    QVERIFY2(match.hasMatch(), "no Python example in the user guide");
    QProcess guideExample;
    guideExample.setWorkingDirectory(dir.path());
    guideExample.start(python, {"-c", match.captured(1)});
    QVERIFY(guideExample.waitForFinished(30000));
    QVERIFY2(guideExample.exitCode() == 0, guideExample.readAllStandardError().constData());
    const QString printed = QString::fromUtf8(guideExample.readAllStandardOutput());
    QVERIFY2(printed.startsWith(lines[0] + QString(" %1 frames, A1 max ").arg(lines.size() - 2)), qPrintable(printed));
}

void TestMainWindowCapture::captureEndsAfterLength_data() {
    QTest::addColumn<int>("preTrigger");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("rows");
    QTest::newRow("no history") << 0 << 10 << 10;
    // The user guide's example, as the guide words it: the history comes on
    // top of the length.
    const QRegularExpression example("(\\d+) samples with (\\d+) pre-trigger\\s+samples give (\\d+) rows");
    const QRegularExpressionMatch match = example.match(userGuide());
    if (match.hasMatch())
        QTest::newRow("the user guide's example")
            << match.captured(2).toInt() << match.captured(1).toInt() << match.captured(3).toInt();
    else
        QTest::newRow("the user guide's example") << 0 << 0 << -1;
}

void TestMainWindowCapture::captureEndsAfterLength() {
    QFETCH(int, preTrigger);
    QFETCH(int, length);
    QFETCH(int, rows);
    QVERIFY2(rows >= 0, "the user guide gives no example of a capture length");
    QTemporaryDir dir;
    const QString fileName = dir.filePath("capture.csv");
    MainWindow window("usb", "-", QString());
    setLogFile(window, fileName);
    child<QRadioButton>(window, "rdoPreTriggerSamples")->click();
    child<QSpinBox>(window, "spnPreTriggerSamples")->setValue(preTrigger);
    child<QRadioButton>(window, "rdoCapFrames")->click();
    child<QSpinBox>(window, "spnCapSamples")->setValue(length);
    armButton(window)->click();
    // Armed long enough for a full history at 50 frames/s.
    QVERIFY(waitForTicks(window, preTrigger * 2 + 5));
    child<QPushButton>(window, "btnForceTrigger")->click();
    // Ends by itself after `length` frames from the trigger on.
    QTRY_VERIFY_WITH_TIMEOUT(isIdle(window), 10000);
    QVERIFY(!armButton(window)->isChecked());
    QCOMPARE(dataRows(fileName).size(), rows);
}

void TestMainWindowCapture::levelTriggerOfMarkedSensor() {
    ScriptedBoard board;
    board.sensor = 0.1f;
    board.install();
    QTemporaryDir dir;
    const QString fileName = dir.filePath("level.csv");
    // Every sensor calibrated: 0.4 is 20 N, 0.8 is 45 N, 1.2 is 80 N.
    MainWindow window("usb", "-", KIVRA_SOURCE_DIR "/examples/demo.tolmcal3");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    child<QPushButton>(window, "btnLevelTrigger")->click();

    // Mark sensor C6 (column 2, row 5) on its column's trigger line.
    SensorWidget* column = window.findChildren<SensorWidget*>().at(2);
    SensorBars bars;
    for (int row = 0; row < 8; ++row)
        bars[row] = column->bar(row);
    const double scale = sensorScale(bars, column->shownBarIndices());
    const SensorGeometry geometry(column->size(), 8);
    const double lineY = geometry.triggerY(effectiveTriggerLevel(false, 0.0, scale), scale);
    const QPoint marker(qRound(geometry.fullBarRect(5).center().x()), qRound(lineY) - 3);
    QTest::mouseClick(column, Qt::LeftButton, Qt::NoModifier, marker);
    QVERIFY(column->isTriggerSelected(5));
    QCOMPARE(column->currentTriggerLevel(), 40.0f);

    setLogFile(window, fileName);
    armButton(window)->click();
    QTRY_VERIFY(statusOf(window).endsWith(" - Armed"));
    // Over the level, but not marked: F3 (column 5, row 2) and C5.
    for (int index : {2 * 8 + 5, 4 * 8 + 2}) {
        board.hotIndex = index;
        board.hotValue = 1.0f;
        QTRY_COMPARE(window.findChildren<SensorWidget*>().at(index % 8)->bar(index / 8).intensity, 1.0);
        QVERIFY(waitForTicks(window, 3));
        QVERIFY2(statusOf(window).endsWith(" - Armed"), qPrintable(statusOf(window)));
    }
    board.hotIndex = 5 * 8 + 2;
    QTRY_VERIFY(capturedRows(window) >= 0);
    armButton(window)->click();
    QTRY_VERIFY(isIdle(window));

    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString header = QString::fromUtf8(file.readLine());
    QVERIFY2(header.contains(", Reason: Trigger level of sensor C6 [Level = 62.50000000], "), qPrintable(header));
}

// Rows that could not be written by the end are offered to be saved in
// another file, which then holds them as a log of their own.
void TestMainWindowCapture::unwritableLogIsReported() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("run"));
    const QString fileName = dir.filePath("run/log.csv");
    const QString elsewhere = dir.filePath("saved.csv");
    MainWindow window("usb", "-", QString());
    setLogFile(window, fileName);
    child<QPushButton>(window, "btnLogCapSampleTimer")->click();
    armButton(window)->click();
    child<QPushButton>(window, "btnForceTrigger")->click();
    QTRY_VERIFY(capturedRows(window) > 0);

    // The folder goes away under the running capture.
    const QStringList written = dataRows(fileName);
    QVERIFY(QDir(dir.filePath("run")).removeRecursively());
    QTRY_VERIFY(statusOf(window).contains(" - Can't write " + fileName + ": "));
    QVERIFY(statusOf(window).contains(" rows waiting"));

    ModalResponder responder;
    responder.answer({QMessageBox::Yes});
    responder.chooseFiles({elsewhere});
    armButton(window)->click();
    QTRY_VERIFY(responder.allAnswersUsed());
    QCOMPARE(responder.shownTitles(), QStringList{"Question"});
    const QRegularExpression lost("^(\\d+) captured rows could not be written to (.+): .+\nSave the rows kept in "
                                  "memory in another file\\?$");
    const QRegularExpressionMatch match = lost.match(responder.shownTexts().value(0));
    QVERIFY2(match.hasMatch(), qPrintable(responder.shownTexts().value(0)));
    QCOMPARE(match.captured(2), fileName);
    QTRY_VERIFY(isIdle(window));
    QVERIFY(!statusOf(window).contains("Can't write"));

    QFile saved(elsewhere);
    QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY(saved.readLine().startsWith("# Sample rate: 50.00000000 Hz, Pre trigger: 0, Reason: Forced trigger"));
    QVERIFY(saved.readLine().startsWith("TimeStamp (ms);Sensor A1 ();"));
    const QStringList rows = dataRows(elsewhere);
    QCOMPARE(rows.size(), match.captured(1).toInt());
    // They follow the rows that reached the log, a frame (20 ms) apart.
    const auto stamp = [](const QString& row) {
        return row.section(';', 0, 0).toULongLong();
    };
    QVERIFY(!written.isEmpty());
    QVERIFY(stamp(rows.first()) > stamp(written.last()));
    for (int i = 1; i < rows.size(); ++i)
        QCOMPARE(stamp(rows[i]) - stamp(rows[i - 1]), 20ull);
}

// A capture armed right after a calibration load: the frames the board made
// before the calibration's sensitivities reached it never become rows.
void TestMainWindowCapture::noRowBeforeTheLoadedSensitivities() {
    KivraTolmEmulator::BoardConfig board;
    board.manualClock = true;
    board.pattern = KivraTolmEmulator::Pattern::Constant; // a sensor reads 0.5 at sensitivity 31, 1.0 at 62
    KivraTolmEmulator::setBoards({board});
    QTemporaryDir dir;
    CalibrationData calibration;
    for (int column = 0; column < 8; ++column)
        calibration.setSensitivity(column, 62);
    const QString calibrationFile = dir.filePath("62.tolmcal3");
    calibration.save(calibrationFile.toStdString());
    const QString fileName = dir.filePath("after-load.csv");

    MainWindow window("usb", "-", QString());
    // The test ticks by hand, so that no tick takes the early frames away.
    window.findChild<QTimer*>("refreshTimer")->stop();
    QTRY_VERIFY(KivraTolmEmulator::boardState(0).running);
    KivraTolmEmulator::pushFrames(0, 5); // measured at 31
    ModalResponder responder;
    responder.chooseFiles({calibrationFile});
    child<QAction>(window, "actLoadCalibration")->trigger();
    // Armed as soon as the window takes it: the load reads in the background.
    QTRY_VERIFY(!window.isLoadingCalibration());
    setLogFile(window, fileName);
    armButton(window)->click();
    child<QPushButton>(window, "btnForceTrigger")->click();
    const auto sentAt62 = [] {
        const std::vector<std::string> calls = KivraTolmEmulator::calls();
        return std::count_if(calls.begin(), calls.end(), [](const std::string& call) {
            return call.rfind("SetColumnSensitivity(", 0) == 0 && call.find(", 62)") != std::string::npos;
        });
    };
    QTRY_COMPARE(sentAt62(), 8);
    QTRY_VERIFY([&] {
        KivraTolmEmulator::pushFrames(0, 1);
        window.onTimer();
        return dataRows(fileName).size() >= 3;
    }());
    armButton(window)->click();
    window.onTimer(); // ends the capture
    window.onTimer();
    QVERIFY(isIdle(window));

    for (const QString& row : dataRows(fileName))
        QVERIFY2(row.startsWith("1.00000000;"), qPrintable(row));
}

void TestMainWindowCapture::closeDuringCapture() {
    QTemporaryDir dir;
    const QString fileName = dir.filePath("closed.csv");
    MainWindow window("usb", "-", QString());
    window.show();
    setLogFile(window, fileName);
    child<QPushButton>(window, "btnLogHardwareCounter")->click();
    armButton(window)->click();
    child<QPushButton>(window, "btnForceTrigger")->click();
    QTRY_VERIFY(capturedRows(window) >= 5);
    const int shown = capturedRows(window);
    ModalResponder responder; // nothing is expected: no rows are lost
    int dialogs = 0;
    responder.onDialog([&](QDialog* dialog) {
        ++dialogs;
        dialog->reject();
    });
    QVERIFY(window.close());
    QCOMPARE(dialogs, 0);
    QVERIFY(responder.shownBoxes().isEmpty());
    QVERIFY(!KivraTolmEmulator::boardState(0).open);
    QVERIFY(dataRows(fileName).size() >= shown);
}

// A calibration from the recent list or dropped on the window waits, as
// "Load Calibration" does, until the capture has ended.
void TestMainWindowCapture::calibrationRefusedWhileCapturing() {
    const QString demo = KIVRA_SOURCE_DIR "/examples/demo.tolmcal3";
    { MainWindow loaded("usb", "-", demo); }
    QTemporaryDir dir;
    MainWindow window("usb", "-", QString());
    auto* recent = child<RecentMenu>(window, "menuRecentCalibrations");
    QCOMPARE(recent->files().value(0), QFileInfo(demo).absoluteFilePath());
    QAction* entry = recent->actions().value(0);
    QVERIFY(entry);
    setLogFile(window, dir.filePath("log.csv"));
    armButton(window)->click();
    QTRY_VERIFY(statusOf(window).endsWith(" - Armed"));
    QVERIFY(!recent->isEnabled());
    QVERIFY(!child<QAction>(window, "actLoadCalibration")->isEnabled());

    entry->trigger();
    QVERIFY(dropFile(window, demo));
    QVERIFY(!window.isLoadingCalibration());
    QTest::qWait(100);
    QCOMPARE(window.calibrationData().unit(), std::string());
    QVERIFY(
        child<QLabel>(window, "lblStatusNote")->text().endsWith("No calibration can be loaded while a capture runs."));

    armButton(window)->click();
    QTRY_VERIFY(isIdle(window));
    QVERIFY(recent->isEnabled());
    QVERIFY(dropFile(window, demo));
    QTRY_COMPARE(window.calibrationData().unit(), std::string("N"));
}

QTEST_MAIN(TestMainWindowCapture)
#include "tst_mainwindow_capture.moc"
