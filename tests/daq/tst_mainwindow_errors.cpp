// Calibration files, board errors and closing of the DAQ main window.
#include "tst_mainwindow_support.h"

#include "Grid8x8Widget.h"
#include "SensorWidget.h"
#include "StalledCalibrationLoad.h"

#include <QFile>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <sys/stat.h>

using namespace KivraTolmEmulator;

class TestMainWindowErrors : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { KivraTolmEmulator::reset(); }
    void cleanup() { KivraTolmEmulator::reset(); }

    void calibrationReachesViewsAndBoard();
    void exampleCalibration();
    void failedLoadKeepsCalibration_data();
    void failedLoadKeepsCalibration();
    void cancelledLoadKeepsCalibration();
    void namedPipeAtStartUp();
    void stalledLoadLeavesWindowFree();
    void markupShownAsPlainText();
    void retryAfterBoardError();
    void declinedRetryCloses();
    void closeStopsEngine();

private:
    // Column 2 with sensitivity 40 and two points for row 3, in kg.
    static QString writeCalibration(const QTemporaryDir& dir, SensorMode mode);
};

QString TestMainWindowErrors::writeCalibration(const QTemporaryDir& dir, SensorMode mode) {
    CalibrationData calibration;
    calibration.setUnit("kg");
    calibration.setSensitivity(2, 40);
    calibration.addPoint(2, 3, {0.0f, 0.0f});
    calibration.addPoint(2, 3, {0.5f, 10.0f});
    SensorMask custom = {};
    custom[3 * 8 + 2] = true;
    calibration.setMode(mode, custom);
    const QString path = dir.filePath("good.tolmcal3");
    calibration.save(path.toStdString());
    return path;
}

namespace {

SensorWidget* column(MainWindow& window, int index) {
    return window.findChildren<SensorWidget*>().at(index);
}

Grid8x8Widget* grid(MainWindow& window) {
    return window.findChild<Grid8x8Widget*>();
}

bool hasGoodCalibration(MainWindow& window) {
    const CalibrationData& calibration = window.calibrationData();
    return calibration.unit() == "kg" && calibration.sensitivity(2) == 40 && calibration.points(2, 3).size() == 2 &&
           column(window, 2)->bar(3).points.size() == 2 && column(window, 2)->bar(3).unit == "kg" &&
           grid(window)->cell(2, 3).hasCalibration && grid(window)->cell(2, 3).unit == "kg" &&
           !grid(window)->cell(3, 3).hasCalibration;
}

} // namespace

void TestMainWindowErrors::calibrationReachesViewsAndBoard() {
    ScriptedBoard board;
    board.install();
    QTemporaryDir dir;
    MainWindow window("usb", "-", writeCalibration(dir, SensorMode::Custom));
    QVERIFY(hasGoodCalibration(window));
    QTRY_COMPARE(boardState(0).columnSensitivity.at(2), 40);
    QCOMPARE(boardState(0).columnSensitivity.at(1), 31);
    // Not the eight-sensor mode: every column shows all its bars, enabled as the mode says.
    QCOMPARE(column(window, 5)->shownBarIndices().size(), 8);
    QCOMPARE(column(window, 2)->bar(3).state, 1);
    QCOMPARE(column(window, 2)->bar(2).state, 0);
    // The views get raw and converted values: 0.5 is 10 kg on the calibrated sensor.
    QTRY_COMPARE(column(window, 2)->bar(3).value, 10.0);
    QCOMPARE(column(window, 2)->bar(3).intensity, 0.5);
    QCOMPARE(grid(window)->cell(2, 3).value, 10.0);
    QCOMPARE(grid(window)->cell(3, 3).value, 0.5);
    QCOMPARE(column(window, 3)->bar(3).value, 0.5);
}

void TestMainWindowErrors::exampleCalibration() {
    const QString example = KIVRA_SOURCE_DIR "/examples/demo.tolmcal3";
    MainWindow window("usb", "-", example);
    const CalibrationData& calibration = window.calibrationData();
    QCOMPARE(calibration.enableMode(), SensorMode::All);
    QCOMPARE(calibration.unit(), std::string("N"));
    for (int c = 0; c < 8; ++c) {
        QCOMPARE(column(window, c)->shownBarIndices().size(), 8);
        for (int r = 0; r < 8; ++r)
            QVERIFY(!calibration.points(c, r).empty());
    }
    // The example is in the form the CAL program writes.
    QTemporaryDir dir;
    CalibrationData copy = calibration;
    copy.save(dir.filePath("copy.tolmcal3").toStdString());
    QFile original(example);
    QFile written(dir.filePath("copy.tolmcal3"));
    QVERIFY(original.open(QIODevice::ReadOnly) && written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), original.readAll());
}

void TestMainWindowErrors::failedLoadKeepsCalibration_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    QTest::newRow("not XML") << QByteArray("no calibration") << "";
    QTest::newRow("no mode") << QByteArray("<calibration unit=\"x\"/>")
                             << "Element 'calibration' has no attribute 'enableMode'.";
    QTest::newRow("bad point late in the file")
        << QByteArray("<calibration enableMode=\"1\" unit=\"g\"><customSelected/><columns>"
                      "<column sensitivity=\"3\"><row><point x=\"0.1\" y=\"1\"/></row></column>"
                      "<column sensitivity=\"4\"><row><point x=\"1e39\" y=\"1\"/></row></column>"
                      "</columns></calibration>")
        << "bad numeric conversion: positive overflow";
}

void TestMainWindowErrors::failedLoadKeepsCalibration() {
    QFETCH(QByteArray, content);
    QFETCH(QString, message);

    QTemporaryDir dir;
    MainWindow window("usb", "-", writeCalibration(dir, SensorMode::All));
    QVERIFY(hasGoodCalibration(window));
    const QString bad = dir.filePath("bad.tolmcal3");
    {
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QTRY_COMPARE(boardState(0).columnSensitivity.at(2), 40);
    clearCalls();

    ModalResponder responder;
    responder.chooseFiles({bad});
    responder.answer({QMessageBox::Ok});
    window.findChild<QAction*>("actLoadCalibration")->trigger();
    QTRY_VERIFY(responder.allAnswersUsed());
    QCOMPARE(responder.fileDialogTitles(), QStringList{"Select file to load"});
    QCOMPARE(responder.shownTitles(), QStringList{"Error"});
    QVERIFY2(responder.shownTexts().value(0).startsWith("Failed to load calibration data: " + message),
             qPrintable(responder.shownTexts().value(0)));
    QVERIFY(responder.shownBoxes().value(0).detailedText.startsWith("File: " + bad));

    QVERIFY(hasGoodCalibration(window));
    QCOMPARE(window.calibrationData().enableMode(), SensorMode::All);
    QVERIFY(waitForTicks(window, 3)); // and worker passes
    for (const std::string& call : calls())
        QVERIFY2(call.rfind("SetColumnSensitivity", 0) != 0, call.c_str());
}

void TestMainWindowErrors::cancelledLoadKeepsCalibration() {
    QTemporaryDir dir;
    MainWindow window("usb", "-", writeCalibration(dir, SensorMode::EightSensor));
    ModalResponder responder;
    responder.chooseFiles({QString()});
    window.findChild<QAction*>("actLoadCalibration")->trigger();
    QTRY_VERIFY(responder.allAnswersUsed());
    QVERIFY(hasGoodCalibration(window));
    QCOMPARE(column(window, 5)->shownBarIndices(), QVector<int>{5});
}

// A file that never answers stands in a folder like any other: the window
// must come up and say what it is.
void TestMainWindowErrors::namedPipeAtStartUp() {
    QTemporaryDir dir;
    const QString pipe = dir.filePath("share.tolmcal3");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ModalResponder responder;
    responder.answer({QMessageBox::Ok});
    MainWindow window("usb", "-", pipe);
    QVERIFY(responder.allAnswersUsed());
    QCOMPARE(responder.shownTexts(), QStringList{"Failed to load calibration data: Can't open file : " + pipe});
    QCOMPARE(responder.shownBoxes().value(0).detailedText, "File: " + pipe + "\nReason: not a regular file");
    QCOMPARE(window.calibrationData(), CalibrationData());
}

void TestMainWindowErrors::stalledLoadLeavesWindowFree() {
    QTemporaryDir dir;
    const QString path = writeCalibration(dir, SensorMode::All);
    const StalledCalibrationLoad stall(path);
    QVERIFY(stall.isReady());

    ModalResponder responder;
    for (const bool completes : {true, false}) {
        MainWindow window("usb", "-", QString());
        QAction* load = window.findChild<QAction*>("actLoadCalibration");
        responder.chooseFiles({path});
        load->trigger();
        QVERIFY(window.isLoadingCalibration());
        // No second load, and no capture on the calibration about to go.
        QVERIFY(!load->isEnabled());
        QVERIFY(!window.findChild<QPushButton*>("btnArmTrigger")->isEnabled());
        load->trigger();
        QCOMPARE(responder.fileDialogsShown(), completes ? 1 : 2);
        // The window goes on ticking.
        QVERIFY(waitForTicks(window, 3));

        if (completes) {
            QVERIFY(stall.release());
            QTRY_VERIFY(!window.isLoadingCalibration());
            QVERIFY(load->isEnabled());
            QVERIFY(hasGoodCalibration(window));
            QTRY_COMPARE(boardState(0).columnSensitivity.at(2), 40);
        }
        // Exit is not held up by a read that never returns.
        QVERIFY(window.close());
        QVERIFY(!boardState(0).running);
    }
    QVERIFY(responder.shownBoxes().isEmpty());
}

void TestMainWindowErrors::markupShownAsPlainText() {
    // A unit and a file name that look like markup are data: the views, the
    // status bar and the messages show their characters as they are.
    QTemporaryDir dir;
    const QString unit = QStringLiteral("<b>kg</b> <img src=\"sensor.png\">");
    const QString path = dir.filePath(QStringLiteral("<img src=\"x.png\"><b>calibration.tolmcal3"));
    CalibrationData calibration;
    calibration.setUnit(unit.toStdString());
    calibration.addPoint(2, 3, {0.0f, 0.0f});
    calibration.addPoint(2, 3, {0.5f, 10.0f});
    calibration.save(QFile::encodeName(path).toStdString());

    MainWindow window("usb", "-", path);
    QCOMPARE(column(window, 2)->bar(3).unit, unit);
    QCOMPARE(grid(window)->cell(2, 3).unit, unit);
    QTRY_VERIFY(grid(window)->cellText(2, 3).endsWith(QStringLiteral(" ") + unit));
    QCOMPARE(window.statusBar()->findChild<QLabel*>()->textFormat(), Qt::PlainText);

    QVERIFY(QFile::remove(path));
    ModalResponder responder;
    responder.answer({QMessageBox::Ok});
    window.loadCalibration();
    QVERIFY(responder.allAnswersUsed());
    QCOMPARE(responder.shownTexts(), QStringList{"Failed to load calibration data: Can't open file : " + path});
    QCOMPARE(responder.shownBoxes().value(0).textFormat, Qt::PlainText);
}

void TestMainWindowErrors::retryAfterBoardError() {
    QTemporaryDir dir;
    MainWindow window("usb", "-", writeCalibration(dir, SensorMode::All));
    QTRY_VERIFY(boardState(0).running);
    child<QPushButton>(window, "btnLow1")->click();
    child<QPushButton>(window, "btnHigh3")->click();
    QTRY_COMPARE(boardState(0).outputEnableMask.at(1), 0xAu);

    auto* timer = window.findChild<QTimer*>("refreshTimer");
    QVERIFY(timer);
    QSignalSpy ticks(timer, &QTimer::timeout);
    int ticksWhileOpen = 0;
    int openBoxes = 0;
    int questions = 0;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    ModalResponder responder;
    responder.onMessage([&](QMessageBox* box) {
        if (questions++ == 0)
            ticksWhileOpen = ticks.count();
        // Let the timer run on for a while behind the open question.
        if (ticks.count() - ticksWhileOpen < 10)
            return false;
        ticksWhileOpen = ticks.count() - ticksWhileOpen;
        openBoxes = ModalResponder::visibleMessageBoxes();
        text = box->text();
        format = box->textFormat();
        box->button(QMessageBox::Yes)->click();
        return true;
    });

    Fault fault;
    fault.function = "ReadNonBlocking";
    // The board's message is shown as it is, even when it looks like markup.
    fault.message = "<b>USB</b> transfer failed";
    fault.times = 1;
    injectFault(fault);
    QTRY_VERIFY_WITH_TIMEOUT(responder.allAnswersUsed(), 10000);
    QVERIFY(ticksWhileOpen >= 10);
    QCOMPARE(openBoxes, 1);
    QVERIFY2(text.startsWith("Error: ") && text.endsWith("\nRetry ?") && text.contains("<b>USB</b> transfer failed"),
             qPrintable(text));
    QCOMPARE(format, Qt::PlainText);

    // Restarted with the calibration's sensitivities and the I/O set-up.
    QTRY_VERIFY(boardState(0).running);
    QTRY_COMPARE(boardState(0).columnSensitivity.at(2), 40);
    QCOMPARE(boardState(0).outputEnableMask.at(1), 0xAu);
    QCOMPARE(boardState(0).outputValue.at(1), 0x8u);
    const QRegularExpression samples("Samples: (\\d+)");
    QTRY_VERIFY(samples.match(statusOf(window)).captured(1).toInt() > 5);
    QCOMPARE(ModalResponder::visibleMessageBoxes(), 0);
    QVERIFY(window.findChild<QToolBar*>("mainToolBar")->isEnabled());
}

void TestMainWindowErrors::declinedRetryCloses() {
    MainWindow window("usb", "-", QString());
    window.show();
    QTRY_VERIFY(boardState(0).running);
    ModalResponder responder;
    responder.answer({QMessageBox::No});
    Fault fault;
    fault.function = "ReadNonBlocking";
    fault.message = "gone";
    injectFault(fault);
    QTRY_VERIFY_WITH_TIMEOUT(responder.allAnswersUsed(), 10000);
    QCOMPARE(responder.shownTitles(), QStringList{"Error"});
    QTRY_VERIFY(!window.isVisible());
    QVERIFY(!boardState(0).open);
}

void TestMainWindowErrors::closeStopsEngine() {
    MainWindow window("usb", "-", QString());
    window.show();
    QTRY_VERIFY(boardState(0).running);
    QVERIFY(window.close());
    // Stopping joins the worker, so the board is already closed.
    QVERIFY(!boardState(0).running);
    QVERIFY(!boardState(0).open);
    QCOMPARE(QString::fromStdString(calls().back()), QString("Close()"));
}

QTEST_MAIN(TestMainWindowErrors)
#include "tst_mainwindow_errors.moc"
