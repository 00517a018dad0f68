// The description beside a capture log from the DAQ window on the emulated
// board: what it says of the board and the calibration, and an engine
// restart in the middle of a capture recorded as one gap.
#include "tst_mainwindow_support.h"

#include "CaptureFiles.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace KivraTolmEmulator;

namespace {

QString writeCalibration(const QTemporaryDir& dir) {
    CalibrationData calibration;
    calibration.setUnit("N");
    calibration.setSensitivity(1, 45);
    calibration.addPoint(0, 0, {0.0f, 0.0f});
    calibration.addPoint(0, 0, {1.0f, 50.0f});
    const QString path = dir.filePath("window.tolmcal3");
    calibration.save(path.toStdString());
    return path;
}

void armForcedCapture(MainWindow& window, const QString& fileName, int frames) {
    child<QLineEdit>(window, "txtFile")->setText(fileName);
    if (frames > 0) {
        child<QRadioButton>(window, "rdoCapFrames")->click();
        child<QSpinBox>(window, "spnCapSamples")->setValue(frames);
    }
    child<QPushButton>(window, "btnArmTrigger")->click();
    child<QPushButton>(window, "btnForceTrigger")->click();
}

} // namespace

class TestMainWindowDescription : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { KivraTolmEmulator::reset(); }
    void cleanup() { KivraTolmEmulator::reset(); }

    void describesBoardCalibrationAndEnd();
    void engineRestartIsOneGap();
};

void TestMainWindowDescription::describesBoardCalibrationAndEnd() {
    QTemporaryDir dir;
    const QString calibrationFile = writeCalibration(dir);
    QFile loaded(calibrationFile);
    QVERIFY(loaded.open(QIODevice::ReadOnly));
    const QByteArray sha256 = QCryptographicHash::hash(loaded.readAll(), QCryptographicHash::Sha256).toHex();

    MainWindow window("usb", "-", calibrationFile);
    QTRY_VERIFY(boardState(0).running);
    const QString log = dir.filePath("window.csv");
    armForcedCapture(window, log, 25);
    QTRY_VERIFY_WITH_TIMEOUT(!child<QPushButton>(window, "btnArmTrigger")->isChecked(), 5000);

    const QJsonObject d = readJson(log + ".json");
    const QJsonObject board = d["board"].toObject();
    QCOMPARE(board["bus"].toString(), QStringLiteral("usb"));
    QCOMPARE(board["address"].toString(), QStringLiteral("-"));
    QVERIFY(!board["identifier"].toString().isEmpty());
    QCOMPARE(board["emulated"].toBool(), true);
    const QJsonObject calibration = d["calibration"].toObject();
    QCOMPARE(calibration["path"].toString(), calibrationFile);
    QCOMPARE(calibration["sha256"].toString(), QString::fromLatin1(sha256));
    QCOMPARE(calibration["sensitivities"].toArray()[1].toInt(), 45);
    QCOMPARE(calibration["unit"].toString(), QStringLiteral("N"));
    const QJsonObject settings = d["settings"].toObject();
    QCOMPARE(settings["rate_hz"].toDouble(), 50.0);
    QCOMPARE(settings["capture_frames"].toInt(), 25);
    QVERIFY(settings["capture_time"].isNull());
    QCOMPARE(d["reason"].toString(), QStringLiteral("Forced trigger"));
    QCOMPARE(d["end"].toString(), QStringLiteral("length"));
    QCOMPARE(d["rows"].toInt(), 25);
    QCOMPARE(dataRows(log), 25);
    QCOMPARE(d["gaps"].toArray().size(), 0);
}

void TestMainWindowDescription::engineRestartIsOneGap() {
    QTemporaryDir dir;
    MainWindow window("usb", "-", QString());
    QTRY_VERIFY(boardState(0).running);
    const QString log = dir.filePath("gap.csv");
    child<QPushButton>(window, "btnLogCapSampleTimer")->click();
    armForcedCapture(window, log, 0);
    QTRY_VERIFY(statusOf(window).contains(" - Captured: "));
    QVERIFY(!statusOf(window).contains(" - Gaps: "));

    // The board fails once; Retry starts the engine again and the capture goes on.
    ModalResponder responder;
    responder.answer({QMessageBox::Yes});
    Fault fault;
    fault.function = "ReadNonBlocking";
    fault.message = "USB transfer failed";
    fault.times = 1;
    injectFault(fault);
    QTRY_VERIFY_WITH_TIMEOUT(responder.allAnswersUsed(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(statusOf(window).contains(" - Gaps: 1"), 5000);
    const int rowsAtGap = dataRows(log);
    QTRY_VERIFY(dataRows(log) > rowsAtGap + 10);
    child<QPushButton>(window, "btnArmTrigger")->click();
    QTRY_VERIFY(statusOf(window).endsWith(" - Idle"));

    const QJsonObject d = readJson(log + ".json");
    const QJsonArray gaps = d["gaps"].toArray();
    QCOMPARE(gaps.size(), 1);
    const QJsonObject gap = gaps[0].toObject();
    QVERIFY(gap["first_after"].toDouble() > gap["last_before"].toDouble());
    QCOMPARE(d["end"].toString(), QStringLiteral("stopped"));
    QCOMPARE(d["rows"].toInt(), dataRows(log));

    // The log's own time stamps jump exactly where the description says.
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    int jumps = 0;
    for (int i = 3; i < lines.size() - 1; ++i) {
        const double before = lines[i - 1].split(';').value(0).toDouble();
        const double after = lines[i].split(';').value(0).toDouble();
        if (before == gap["last_before"].toDouble() && after == gap["first_after"].toDouble())
            ++jumps;
    }
    QCOMPARE(jumps, 1);
}

QTEST_MAIN(TestMainWindowDescription)
#include "tst_mainwindow_description.moc"
