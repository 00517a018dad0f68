// Capture logs written by kivratolm-capture on the emulated board, read back
// and compared field by field with Python's csv module: with and without time
// stamps and description, sensors with and without units, and the log of a
// capture killed outright.
#include "CaptureLogCompare.h"

#include "CalibrationData.h"
#include "CaptureDescription.h"
#include "ToolFixtures.h"
#include "ToolProcess.h"

#include <QtTest>

#include <csignal>

using namespace KivraTolm;
using namespace LogCompare;

class CaptureLogReaderToolTest : public QObject {
    Q_OBJECT

private slots:
    void logsOfTheCaptureTool_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("calibrated");
        QTest::addColumn<bool>("toStandardOutput");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("every column, all sensors, description")
            << QStringList{"--log", "timestamp,analog,digital,counter", "--sensors", "all"} << false << false
            << QStringList{};
        QTest::newRow("no time stamps, no description")
            << QStringList{"--log", "analog1,counter", "--sensors", "A1,C3"} << false << true
            << QStringList{"Sensor A1 ()", "Sensor C3 ()", "AIn1 (V)", "Counter"};
        QTest::newRow("A1 in kg with points, B2 raw without unit")
            << QStringList{"--log", "timestamp,digital", "--sensors", "A1,B2"} << true << false
            << QStringList{"TimeStamp (ms)", "Sensor A1 (kg)", "Sensor B2 ()", "Digital port (bits)"};
        QTest::newRow("no column: empty rows") << QStringList{"--sensors", "none"} << false << false << QStringList{};
    }

    void logsOfTheCaptureTool() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, calibrated);
        QFETCH(bool, toStandardOutput);
        QFETCH(QStringList, titles);
        ToolProcess tool(numberedBoard);
        const QString path = tool.path("capture.csv");
        QStringList run = {"use=usb/-", "--rate", "1000", "--pre", "7", "--samples", "300"};
        if (calibrated)
            run << "cfg=" + writeCalibration(tool.path("kg.tolmcal3"));
        if (toStandardOutput)
            tool.setEventsOnStandardError(true);
        tool.run(run + arguments + QStringList{"-o", toStandardOutput ? "-" : path});
        QCOMPARE(tool.finish(), 0);
        if (toStandardOutput)
            writeFile(path, tool.standardOutput());

        const CaptureLogContent log = read(path);
        QCOMPARE(log.path, path);
        compareWithPython(log, readCsvLog(path));
        QCOMPARE(log.rowCount, std::size_t(7 + 300)); // the history, then the frames from the trigger on
        QCOMPARE(log.header.preTriggerRows, qint64(7));
        QCOMPARE(log.header.sampleRate, 1000.0);
        QCOMPARE(log.header.reason, QString("Forced trigger"));
        if (!titles.isEmpty()) {
            QStringList read;
            for (const LogColumn& column : log.columns)
                read << column.title;
            QCOMPARE(read, titles);
        }
        QCOMPARE(log.description.state,
                 toStandardOutput ? LogDescription::State::Missing : LogDescription::State::Read);
        if (!toStandardOutput)
            QCOMPARE(log.description.rows, std::optional<qint64>(log.rowCount));
        // The counter pulses every frame: every frame in order.
        for (std::size_t i = 1; i < log.counters.size(); ++i)
            QCOMPARE(log.counters[i], log.counters[i - 1] + 1);
    }

    // A capture killed outright: whatever reached the file reads back, a
    // torn last row included.
    void logOfAKilledCapture() {
        ToolProcess tool(numberedBoard);
        const QString path = tool.path("killed.csv");
        tool.run({"use=usb/-", "--rate", "1000", "--log", "timestamp,analog,digital,counter", "--sensors", "all",
                  "--events", "-o", path});
        QVERIFY(!tool.waitForEvent("progress", 10000, [](const QJsonObject& e) { return e["rows"].toInt() > 100; })
                     .isEmpty());
        tool.signal(SIGKILL);
        QCOMPARE(tool.finish(), -1);
        const CaptureLogContent log = read(path);
        QVERIFY(log.rowCount > 100);
        compareWithPython(log, readCsvLog(path));
    }
};

QTEST_GUILESS_MAIN(CaptureLogReaderToolTest)
#include "tst_capturelogreader_tool.moc"
