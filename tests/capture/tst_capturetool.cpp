// kivratolm-capture as a script runs it: the built program as a process on
// the emulated USB board, its logs read with Python's csv module and its
// events as JSON lines.
#include "CalibrationData.h"
#include "DocBlocks.h"
#include "PrivateMount.h"
#include "ToolFixtures.h"
#include "ToolProcess.h"
#include "UsageErrors.h"

#include <QtTest>

#include <algorithm>
#include <csignal>

#include <sys/stat.h>

namespace {

QJsonObject readJsonFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QStringList eventNamesOf(ToolProcess& tool) {
    return tool.eventNames();
}

} // namespace

class CaptureToolTest : public QObject {
    Q_OBJECT

private slots:
    void forcedTriggerWritesHistoryThenExactlyTheLength() {
        ToolProcess tool(numberedBoard);
        const QString log = tool.path("forced.csv");
        tool.run({"use=usb/-", "--rate", "1000", "--pre", "20", "--samples", "50", "--log", "timestamp,counter",
                  "--sensors", "A1", "--events", "-o", log});
        QCOMPARE(tool.finish(), 0);

        const CsvLog csv = readCsvLog(log);
        QVERIFY(csv.read);
        QVERIFY(csv.complete);
        QVERIFY2(csv.header.startsWith("# Sample rate: 1000.00000000 Hz, Pre trigger: 20, Reason: Forced trigger, "
                                       "Trigger start time: "),
                 qPrintable(csv.header));
        QCOMPARE(csv.columns, (QStringList{"TimeStamp (ms)", "Sensor A1 ()", "Counter"}));
        QCOMPARE(csv.rows.size(), 70);
        const QList<qulonglong> frames = csv.numbers("Counter");
        QVERIFY(consecutive(frames));
        // Raw readings: A1 shows the frame number modulo 64.
        for (int i = 0; i < csv.rows.size(); ++i)
            QCOMPARE(csv.rows[i][1].toDouble() * 64, static_cast<double>(frames[i] % 64));
        const QList<qulonglong> times = csv.numbers("TimeStamp (ms)");
        QCOMPARE(times.last() - times.first(), qulonglong(69)); // 1 ms a frame

        QVERIFY(tool.eventsWellFormed());
        QCOMPARE(eventNamesOf(tool).filter(QRegularExpression("^(armed|triggered|done)$")),
                 (QStringList{"armed", "triggered", "done"}));
        const QJsonObject triggered = tool.events()[1];
        QCOMPARE(triggered.value("reason").toString(), QString("Forced trigger"));
        QVERIFY(csv.header.endsWith(QString("(%1)").arg(triggered.value("trigger_time").toVariant().toLongLong())));
        const QJsonObject done = tool.events().last();
        QCOMPARE(done.value("rows").toInt(), 70);
        QCOMPARE(done.value("end").toString(), QString("length"));
        QCOMPARE(done.value("file").toString(), log);
        QCOMPARE(done.value("gaps").toInt(), 0);

        // The description beside the log, as the DAQ window writes it.
        const QJsonObject description = readJsonFile(log + ".json");
        QCOMPARE(description.value("program").toString(), QString("kivratolm-capture"));
        QCOMPARE(description.value("version").toString(), QString("1.3.0."));
        QCOMPARE(description.value("board").toObject().value("identifier").toString(), QString("KT-EMU-0001"));
        QCOMPARE(description.value("rows").toInt(), 70);
        QCOMPARE(description.value("end").toString(), QString("length"));
        QCOMPARE(description.value("reason").toString(), QString("Forced trigger"));
        const QJsonObject settings = description.value("settings").toObject();
        QCOMPARE(settings.value("pre_trigger_rows").toInt(), 20);
        QCOMPARE(settings.value("capture_frames").toInt(), 50);
        QCOMPARE(settings.value("rate_hz").toDouble(), 1000.0);
    }

    void lengthAsATime_data() {
        QTest::addColumn<QStringList>("timing");
        QTest::addColumn<int>("rows");
        QTest::newRow("0.1 s at 1000 frames/s") << QStringList{"--rate", "1000", "--time", "0.1s"} << 100;
        QTest::newRow("clock form at 500 frames/s") << QStringList{"--rate", "500", "--time", "00:00:00.25"} << 125;
        QTest::newRow("truncated: 0.25 s at 30 frames/s") << QStringList{"--rate", "30", "--time", "0.25"} << 7;
    }

    void lengthAsATime() {
        QFETCH(QStringList, timing);
        QFETCH(int, rows);
        ToolProcess tool(numberedBoard);
        const QString log = tool.path("time.csv");
        tool.run(QStringList{"use=usb/-", "--log", "counter", "--sensors", "none", "-q", "-o", log} + timing);
        QCOMPARE(tool.finish(), 0);
        const CsvLog csv = readCsvLog(log);
        QCOMPARE(csv.rows.size(), rows);
        QCOMPARE(csv.columns, QStringList{"Counter"});
    }

    // One logged frame a second; the header's rate is 1 / interval.
    void sampleToSampleInterval() {
        ToolProcess tool(numberedBoard);
        const QString log = tool.path("interval.csv");
        tool.run(
            {"use=usb/-", "--interval", "1", "--samples", "2", "--log", "timestamp", "--sensors", "none", "-o", log});
        QCOMPARE(tool.finish(), 0);
        const CsvLog csv = readCsvLog(log);
        QVERIFY(csv.header.startsWith("# Sample rate: 1.00000000 Hz, Pre trigger: 0, "));
        const QList<qulonglong> times = csv.numbers("TimeStamp (ms)");
        QCOMPARE(times.size(), 2);
        QCOMPARE(times[1] - times[0], qulonglong(1000));
    }

    void externalTriggerFiresOnACounterChange() {
        // One pulse every 150 ms of frame time at 1000 frames/s.
        ToolProcess tool("[board0]\npulsePeriodMs = 150\n");
        const QString log = tool.path("external.csv");
        tool.run({"use=usb/-", "--rate", "1000", "--trigger", "external", "--pre", "5", "--samples", "10", "--log",
                  "counter", "--sensors", "none", "--events", "-o", log});
        QCOMPARE(tool.finish(), 0);
        const CsvLog csv = readCsvLog(log);
        QVERIFY(csv.header.contains("Pre trigger: 5, Reason: External triggered, "));
        QCOMPARE(csv.numbers("Counter"), (QList<qulonglong>{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
        QCOMPARE(tool.waitForEvent("triggered").value("reason").toString(), QString("External triggered"));
    }

    void levelTriggerFiresAboveTheCalibratedLevel() {
        ToolProcess tool(numberedBoard);
        const QString calibration = writeCalibration(tool.path("a1.tolmcal3"));
        const QString log = tool.path("level.csv");
        tool.run({"use=usb/-", "cfg=" + calibration, "--rate", "1000", "--trigger", "level:A1>50", "--pre", "3",
                  "--samples", "4", "--log", "counter", "--events", "-o", log});
        QCOMPARE(tool.finish(), 0);
        const CsvLog csv = readCsvLog(log);
        QVERIFY2(csv.header.contains("Reason: Trigger level of sensor A1 [Level = 51.56250000]"),
                 qPrintable(csv.header));
        // The calibration enables the diagonal; only A1 has points, so only it has a unit.
        QCOMPARE(csv.columns.mid(0, 2), (QStringList{"Sensor A1 (kg)", "Sensor B2 ()"}));
        QCOMPARE(csv.columns.size(), 9);
        // 50 is not above the level; the frame after it fires.
        QCOMPARE(csv.column("Sensor A1 (kg)"), (QStringList{"46.87500000", "48.43750000", "50.00000000", "51.56250000",
                                                            "53.12500000", "54.68750000", "56.25000000"}));
        QCOMPARE(csv.numbers("Counter"), (QList<qulonglong>{30, 31, 32, 33, 34, 35, 36}));
        const QJsonObject triggered = tool.waitForEvent("triggered");
        QCOMPARE(triggered.value("reason").toString(), QString("Trigger level of sensor A1 [Level = 51.56250000]"));
    }

    void timeoutEndsWithoutAFile() {
        ToolProcess tool(numberedBoard);
        const QString calibration = writeCalibration(tool.path("a1.tolmcal3"));
        const QString log = tool.path("never.csv");
        tool.run({"use=usb/-", "cfg=" + calibration, "--rate", "1000", "--trigger", "level:A1>1000", "--timeout", "0.3",
                  "--events", "-o", log});
        QCOMPARE(tool.finish(), 6);
        QVERIFY(!QFile::exists(log));
        QVERIFY(tool.standardError().contains("no trigger within 0.3 s (--timeout); nothing was written"));
        QCOMPARE(eventNamesOf(tool), (QStringList{"armed", "error", "done"}));
        QCOMPARE(tool.events().last().value("end").toString(), QString("timeout"));
        QCOMPARE(tool.events().last().value("rows").toInt(), 0);
    }

    void signalWhileArmed_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }

    void signalWhileArmed() {
        QFETCH(int, signal);
        ToolProcess tool(numberedBoard);
        const QString calibration = writeCalibration(tool.path("a1.tolmcal3"));
        const QString log = tool.path("armed.csv");
        tool.run({"use=usb/-", "cfg=" + calibration, "--trigger", "level:A1>1000", "--events", "-o", log});
        QVERIFY(!tool.waitForEvent("armed").isEmpty());
        tool.signal(signal);
        QCOMPARE(tool.finish(), 130);
        QVERIFY(!QFile::exists(log));
        QVERIFY(tool.standardError().contains("before the trigger; nothing was written"));
        QCOMPARE(tool.events().last().value("end").toString(), QString("signal"));
    }

    // Everything received is written, whole rows only, and the file holds
    // what the done event says.
    void signalWhileRecording_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QStringList>("length");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("end");
        QTest::newRow("SIGINT, no length") << SIGINT << QStringList{} << 0 << "stopped";
        QTest::newRow("SIGTERM, no length") << SIGTERM << QStringList{} << 0 << "stopped";
        QTest::newRow("SIGINT before the length") << SIGINT << QStringList{"--samples", "1000000"} << 130 << "signal";
        QTest::newRow("SIGTERM before the length") << SIGTERM << QStringList{"--time", "1h"} << 130 << "signal";
    }

    void signalWhileRecording() {
        QFETCH(int, signal);
        QFETCH(QStringList, length);
        QFETCH(int, exitCode);
        QFETCH(QString, end);
        ToolProcess tool(numberedBoard);
        const QString log = tool.path("recording.csv");
        tool.run(QStringList{"use=usb/-", "--rate", "1000", "--log", "timestamp,analog,digital,counter", "--sensors",
                             "all", "--events", "-o", log} +
                 length);
        QVERIFY(!tool.waitForEvent("progress", 10000, [](const QJsonObject& e) { return e["rows"].toInt() > 0; })
                     .isEmpty());
        tool.signal(signal);
        QCOMPARE(tool.finish(), exitCode);
        const QJsonObject done = tool.events().last();
        QCOMPARE(done.value("event").toString(), QString("done"));
        QCOMPARE(done.value("end").toString(), end);

        const CsvLog csv = readCsvLog(log);
        QVERIFY(csv.complete);
        QCOMPARE(csv.rows.size(), done.value("rows").toInt());
        QVERIFY(csv.rows.size() >= 1000);
        QCOMPARE(csv.columns.size(), 1 + 64 + 4 + 2);
        for (const QStringList& row : csv.rows)
            QCOMPARE(row.size(), csv.columns.size());
        QVERIFY(consecutive(csv.numbers("Counter")));
        QCOMPARE(csv.numbers("Counter").first(), qulonglong(0));
    }

    // A crash leaves a description a JSON reader accepts, counting no row the
    // log lacks and at most about a second of frames fewer than it holds.
    void killedCaptureLeavesAValidDescription() {
        ToolProcess tool(numberedBoard);
        const QString log = tool.path("killed.csv");
        tool.run({"use=usb/-", "--rate", "250", "--log", "timestamp,counter", "--events", "-o", log});
        QVERIFY(!tool.waitForEvent("progress", 10000, [](const QJsonObject& e) { return e["rows"].toInt() > 500; })
                     .isEmpty());
        tool.signal(SIGKILL);
        tool.finish();

        QProcess python;
        python.start("python3", {"-c",
                                 "import csv, json, sys\n"
                                 "d = json.load(open(sys.argv[1] + '.json'))\n"
                                 "rows = list(csv.reader(open(sys.argv[1], newline=''), delimiter=';'))[2:]\n"
                                 "print(d['rows'], len(rows), d['end'])\n",
                                 log});
        QVERIFY(python.waitForFinished(10000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        const QStringList out = QString::fromUtf8(python.readAllStandardOutput()).trimmed().split(' ');
        QCOMPARE(out.size(), 3);
        const int described = out[0].toInt();
        const int logged = out[1].toInt();
        QVERIFY2(described > 0 && described <= logged, qPrintable(out.join(' ')));
        // About one second of frames at 250 frames/s, with room for a busy machine.
        QVERIFY2(logged - described <= 250 + 250 / 2, qPrintable(out.join(' ')));
        QCOMPARE(out[2], QString("None")); // the capture never ended
    }

    void existingOutputIsRefusedUnlessOverwritten() {
        ToolProcess tool(numberedBoard);
        const QString log = tool.path("exists.csv");
        {
            QFile file(log);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("keep me\n");
        }
        tool.run({"use=usb/-", "--samples", "3", "-o", log});
        QCOMPARE(tool.finish(), 5);
        QVERIFY(tool.standardError().contains(log + " exists: give --overwrite to replace it"));
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me\n"));
        file.close();

        // A description of that name is the log's too.
        QVERIFY(QFile::remove(log));
        {
            QFile description(log + ".json");
            QVERIFY(description.open(QIODevice::WriteOnly));
        }
        ToolProcess described(numberedBoard);
        described.run({"use=usb/-", "--samples", "3", "-o", log});
        QCOMPARE(described.finish(), 5);
        QVERIFY2(described.standardError().contains(log + ".json exists: give --overwrite to replace it and " + log),
                 qPrintable(described.standardError()));
        QVERIFY(QFile::exists(log + ".json"));

        ToolProcess again(numberedBoard);
        again.run({"use=usb/-", "--rate", "1000", "--samples", "3", "--log", "counter", "--overwrite", "-o", log});
        QCOMPARE(again.finish(), 0);
        QCOMPARE(readCsvLog(log).numbers("Counter"), (QList<qulonglong>{0, 1, 2}));
    }

    // A series never asks: the lowest free number, the older logs left alone.
    void numberedOutputTakesAFreeNumber() {
        ToolProcess tool(numberedBoard);
        QFile first(tool.path("run-1.csv"));
        QVERIFY(first.open(QIODevice::WriteOnly));
        first.write("keep me\n");
        first.close();
        tool.run({"use=usb/-", "--samples", "3", "--log", "counter", "--sensors", "none", "--events", "-o",
                  tool.path("run-{n}.csv")});
        QCOMPARE(tool.finish(), 0);
        QCOMPARE(readCsvLog(tool.path("run-2.csv")).rows.size(), 3);
        QCOMPARE(tool.events().last().value("file").toString(), tool.path("run-2.csv"));
        QCOMPARE(first.size(), 8);
    }

    void secondCaptureIntoAFileInUse_data() {
        QTest::addColumn<QString>("second");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("the same file") << "same" << QStringList{} << 5;
        QTest::newRow("--overwrite") << "same" << QStringList{"--overwrite"} << 5;
        QTest::newRow("through a link, --overwrite") << "link" << QStringList{"--overwrite"} << 5;
        QTest::newRow("after the first was killed") << "killed" << QStringList{"--overwrite"} << 0;
    }

    // Two real tools into one file: the second is refused while the first
    // lives, and leaves its log and description alone.
    void secondCaptureIntoAFileInUse() {
        QFETCH(QString, second);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        ToolProcess first(numberedBoard);
        const QString log = first.path("shared.csv");
        first.run({"use=usb/-", "--rate", "1000", "--log", "counter", "--sensors", "none", "--events", "-o", log});
        QVERIFY(!first.waitForEvent("progress", 10000, [](const QJsonObject& e) { return e["rows"].toInt() > 0; })
                     .isEmpty());
        QString target = log;
        if (second == "link") {
            target = first.path("link.csv");
            QVERIFY(QFile::link(log, target));
        }
        if (second == "killed") {
            first.signal(SIGKILL);
            first.finish();
        }

        ToolProcess other(numberedBoard);
        other.run(QStringList{"use=usb/-", "--samples", "5", "--log", "counter", "--sensors", "none", "-o", target} +
                  options);
        QCOMPARE(other.finish(), exitCode);
        if (exitCode == 0) {
            QCOMPARE(readCsvLog(log).numbers("Counter").size(), 5);
            return;
        }
        QVERIFY2(other.standardError().contains(target + " is in use by another capture; it was left as it is"),
                 qPrintable(other.standardError()));
        first.signal(SIGINT);
        QCOMPARE(first.finish(), 0);
        const CsvLog csv = readCsvLog(log);
        QVERIFY(csv.complete);
        QVERIFY(consecutive(csv.numbers("Counter")));
        QCOMPARE(csv.numbers("Counter").first(), qulonglong(0));
        QCOMPARE(readJsonFile(log + ".json").value("rows").toInt(), csv.rows.size());
    }

    void descriptionThatCannotBeWritten_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a full disk") << "full disk"
                                     << "No space left on device";
        QTest::newRow("a folder of its name") << "folder"
                                              << "Is a directory";
    }

    // The previous description stays whole, and the failure is told once
    // on standard error and as an event.
    void descriptionThatCannotBeWritten() {
        QFETCH(QString, obstacle);
        QFETCH(QString, reason);
        ToolProcess tool(numberedBoard);
        PrivateMount disk(PrivateMount::Tmpfs64k);
        QString log = tool.path("described.csv");
        QStringList arguments = {"use=usb/-", "--rate", "250", "--log", "counter", "--sensors", "none", "--events"};
        if (obstacle == "folder") {
            QVERIFY(QDir().mkdir(log + ".json"));
            arguments << "--overwrite";
        } else {
            QVERIFY(disk.isMounted());
            log = disk.path("described.csv");
        }
        tool.run(arguments + QStringList{"-o", log});
        QVERIFY(!tool.waitForEvent("progress", 10000, [](const QJsonObject& e) { return e["rows"].toInt() > 0; })
                     .isEmpty());
        QByteArray before;
        if (obstacle == "full disk") {
            QTRY_VERIFY(!readJsonFile(log + ".json").isEmpty());
            QVERIFY(disk.fill());
            // A description replaced while the disk filled frees a page on
            // its rename. Once a description or the log has failed to grow,
            // nothing frees one any more: topped up then, the disk stays full.
            QTRY_VERIFY_WITH_TIMEOUT(
                tool.eventNames().contains("description_error") || tool.eventNames().contains("write_error"), 10000);
            QVERIFY(disk.fill());
            QFile description(log + ".json");
            QVERIFY(description.open(QIODevice::ReadOnly));
            before = description.readAll();
        }
        tool.signal(SIGINT);
        tool.finish();

        const QString message = "cannot write the description " + log + ".json: " + reason;
        QVERIFY2(tool.standardError().count(message) == 1, qPrintable(tool.standardError()));
        const QList<QJsonObject> events = tool.events();
        const auto failures = std::count_if(events.begin(), events.end(), [&](const QJsonObject& event) {
            return event.value("event").toString() == "description_error" &&
                   event.value("file").toString() == log + ".json" && event.value("message").toString() == reason;
        });
        QCOMPARE(failures, 1);
        if (obstacle == "full disk") {
            QFile description(log + ".json");
            QVERIFY(description.open(QIODevice::ReadOnly));
            QCOMPARE(description.readAll(), before);
        } else {
            QVERIFY(QFileInfo(log + ".json").isDir());
        }
    }

    void outputThatCannotBeCreated_data() {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("message");
        QTest::newRow("a missing folder") << "missing"
                                          << "cannot create %1: No such file or directory";
        QTest::newRow("a read-only folder") << "read-only"
                                            << "cannot create %1: Read-only file system";
        QTest::newRow("a read-only folder, --overwrite") << "read-only existing"
                                                         << "cannot replace %1: Read-only file system";
    }

    void outputThatCannotBeCreated() {
        QFETCH(QString, place);
        QFETCH(QString, message);
        ToolProcess tool(numberedBoard);
        const bool existing = place.endsWith("existing");
        PrivateMount readOnly(PrivateMount::ReadOnly, {"old.csv"});
        QString log = tool.path("missing-folder/x.csv");
        if (place.startsWith("read-only")) {
            QVERIFY(readOnly.isMounted());
            log = readOnly.path(existing ? "old.csv" : "x.csv");
        }
        QStringList arguments = {"use=usb/-", "--samples", "3", "--events", "-o", log};
        if (existing)
            arguments << "--overwrite";
        tool.run(arguments);
        QCOMPARE(tool.finish(), 5);
        QVERIFY2(tool.standardError().contains(message.arg(log)), qPrintable(tool.standardError()));
        QCOMPARE(eventNamesOf(tool), (QStringList{"error", "done"}));
        QCOMPARE(tool.events().last().value("end").toString(), QString("error"));
    }

    // A real short write: the tool runs under a file size limit, so the
    // rows beyond it can never be written.
    void rowsThatCouldNeverBeWritten() {
        ToolProcess tool(numberedBoard);
        tool.setFileSizeLimit(4096);
        const QString log = tool.path("limited.csv");
        tool.run({"use=usb/-", "--rate", "1000", "--samples", "2000", "--log", "counter", "--sensors", "none",
                  "--events", "-o", log});
        QCOMPARE(tool.finish(), 5);
        const QJsonObject writeError = tool.waitForEvent("write_error");
        QVERIFY(!writeError.isEmpty());
        QVERIFY(writeError.value("rows_waiting").toInt() > 0);
        QCOMPARE(writeError.value("message").toString(), QString("File too large"));
        QVERIFY2(
            tool.standardError().contains(QRegularExpression("\\d+ captured rows could not be written to " +
                                                             QRegularExpression::escape(log) + ": File too large")),
            qPrintable(tool.standardError()));
        // What is in the file is whole rows, and the done event counts them.
        const CsvLog csv = readCsvLog(log);
        QVERIFY(csv.complete);
        QVERIFY(QFileInfo(log).size() <= 4096);
        QCOMPARE(csv.rows.size(), tool.events().last().value("rows").toInt());
        QVERIFY(consecutive(csv.numbers("Counter")));
    }

    void logToStandardOutput() {
        ToolProcess tool(numberedBoard);
        tool.setEventsOnStandardError(true);
        tool.run({"use=usb/-", "--rate", "1000", "--pre", "5", "--samples", "20", "--log", "counter", "--sensors", "B2",
                  "--events", "-o", "-"});
        QCOMPARE(tool.finish(), 0);
        const CsvLog csv = readCsvLog({}, tool.standardOutput());
        QVERIFY(csv.complete);
        QCOMPARE(csv.columns, (QStringList{"Sensor B2 ()", "Counter"}));
        QCOMPARE(csv.rows.size(), 25);
        QVERIFY(consecutive(csv.numbers("Counter")));
        // The events went to standard error, out of the log's way.
        QCOMPARE(tool.events().last().value("event").toString(), QString("done"));
        QCOMPARE(tool.events().last().value("file").toString(), QString("-"));
        QCOMPARE(tool.events().last().value("rows").toInt(), 25);
    }

    // A reader that stops reading: head closes the pipe after three lines.
    void closedPipeEndsWithCodeFive() {
        ToolProcess tool(numberedBoard);
        QProcess shell;
        shell.setProcessEnvironment(tool.processEnvironment());
        shell.start("bash", {"-c",
                             "\"$0\" use=usb/- --rate 1000 --log counter -o - | head -n 3 > /dev/null; "
                             "exit \"${PIPESTATUS[0]}\"",
                             QStringLiteral(CAPTURE_TOOL)});
        QVERIFY(shell.waitForFinished(20000));
        QCOMPARE(shell.exitStatus(), QProcess::NormalExit);
        QCOMPARE(shell.exitCode(), 5);
        const QString error = QString::fromLocal8Bit(shell.readAllStandardError());
        QVERIFY2(error.contains(QRegularExpression(
                     "^kivratolm-capture: \\d+ captured rows could not be written to standard output: Broken pipe\n$")),
                 qPrintable(error));
    }

    void usageErrors_data() { addUsageErrorRows(); }

    void usageErrors() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        ToolProcess tool;
        tool.run(arguments);
        QCOMPARE(tool.finish(), 2);
        QVERIFY2(tool.standardError().startsWith("kivratolm-capture: ") && tool.standardError().contains(message),
                 qPrintable(tool.standardError()));
        QCOMPARE(tool.standardOutput(), QByteArray());
    }

    // Like the window, only a sensor with calibration points can trigger.
    void levelOnASensorWithoutPoints() {
        ToolProcess tool;
        const QString calibration = writeCalibration(tool.path("a1.tolmcal3"));
        tool.run({"use=usb/-", "cfg=" + calibration, "--trigger", "level:B1>5", "--events", "-o", tool.path("x.csv")});
        QCOMPARE(tool.finish(), 2);
        QVERIFY(tool.standardError().contains("sensor B1 has no calibration points in " + calibration));
        QCOMPARE(eventNamesOf(tool), (QStringList{"error", "done"}));

        ToolProcess uncalibrated;
        uncalibrated.run({"use=usb/-", "--trigger", "level:A1>5", "-o", tool.path("x.csv")});
        QCOMPARE(uncalibrated.finish(), 2);
        QVERIFY(
            uncalibrated.standardError().contains("sensor A1 cannot trigger on a level without calibration points"));
    }

    void brokenCalibrationFile_data() {
        QTest::addColumn<QString>("kind"); // file, none or pipe
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("where"); // after the path, on the same line
        QTest::newRow("not XML") << "file" << QByteArray("no calibration here") << ""
                                 << ")";
        QTest::newRow("wrong root") << "file" << QByteArray("<?xml version=\"1.0\" ?>\n<settings />\n")
                                    << "Invalid file structure (invalid root)."
                                    << ", element /settings)";
        QTest::newRow("bad mode") << "file"
                                  << QByteArray("<calibration enableMode=\"7\" unit=\"N\"><customSelected/>"
                                                "<columns/></calibration>")
                                  << "Invalid mode."
                                  << ", element /calibration)";
        // Logged "nan" in every row and ended with 0.
        QTest::newRow("point not a number")
            << "file"
            << QByteArray(
                   "<calibration enableMode=\"0\" unit=\"N\"><customSelected/><columns><column sensitivity=\"1\">"
                   "<row><point x=\"nan\" y=\"1\"/></row></column></columns></calibration>")
            << "Element 'point' has attribute 'x' = 'nan', which is not a number."
            << ", element /calibration/columns[1]/column[1]/row[1]/point[1])";
        QTest::newRow("missing") << "none" << QByteArray() << "Can't open file : "
                                 << ": No such file or directory)";
        // Waited for a writer for ever.
        QTest::newRow("named pipe") << "pipe" << QByteArray() << "Can't open file : "
                                    << ": not a regular file)";
    }

    void brokenCalibrationFile() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFETCH(QString, where);
        ToolProcess tool;
        const QString calibration = tool.path("broken.tolmcal3");
        if (kind == "file") {
            QFile file(calibration);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        } else if (kind == "pipe") {
            QCOMPARE(::mkfifo(QFile::encodeName(calibration).constData(), 0600), 0);
        }
        tool.run({"use=usb/-", "cfg=" + calibration, "-o", tool.path("x.csv")});
        QCOMPARE(tool.finish(), 4);
        const QString line = tool.standardError().split('\n').value(0);
        QVERIFY2(line.startsWith("kivratolm-capture: cannot load the calibration file " + calibration + ": " + message),
                 qPrintable(line));
        QVERIFY2(line.endsWith(" (" + calibration + where), qPrintable(line));
        QVERIFY(!QFile::exists(tool.path("x.csv")));
    }

    void noBoard() {
        ToolProcess tool("[emulator]\nboards = 0\n");
        tool.run({"use=usb/-", "--events", "-o", tool.path("x.csv")});
        QCOMPARE(tool.finish(), 3);
        QVERIFY2(tool.standardError().contains("kivratolm-capture: board usb/-: Can't open device."),
                 qPrintable(tool.standardError()));
        QCOMPARE(eventNamesOf(tool), (QStringList{"error", "done"}));
        QCOMPARE(tool.events().first().value("message").toString(), QString("board usb/-: Can't open device."));
        QVERIFY(!QFile::exists(tool.path("x.csv")));
    }

    void boardThatFailsWhileRecording() {
        // The board's reads fail after a while: the rows before stay.
        ToolProcess tool("[board0]\npattern = ramp\npulsePeriodMs = 1\n[fault0]\nfunction = ReadNonBlocking\n"
                         "status = 5\nmessage = Board unplugged\nafter = 30\n");
        const QString log = tool.path("failed.csv");
        tool.run({"use=usb/-", "--rate", "1000", "--log", "counter", "--sensors", "none", "--events", "-o", log});
        QCOMPARE(tool.finish(), 3);
        QVERIFY2(tool.standardError().contains("board usb/-: Board unplugged"), qPrintable(tool.standardError()));
        const CsvLog csv = readCsvLog(log);
        QVERIFY(csv.rows.size() > 0);
        QCOMPARE(csv.rows.size(), tool.events().last().value("rows").toInt());
        QCOMPARE(tool.events().last().value("end").toString(), QString("error"));
        QVERIFY(consecutive(csv.numbers("Counter")));
    }

    void listsTheBoardsOnUsb() {
        ToolProcess tool("[emulator]\nboards = 2\n[board1]\ndetails = Second bench\n");
        tool.run({"--list"});
        QCOMPARE(tool.finish(), 0);
        QCOMPARE(QString::fromUtf8(tool.standardOutput()),
                 QString("KT-EMU-0001\tKivraTolm emulated board\nKT-EMU-0002\tSecond bench\n"));

        ToolProcess none("[emulator]\nboards = 0\n");
        none.run({"--list"});
        QCOMPARE(none.finish(), 0);
        QCOMPARE(none.standardOutput(), QByteArray());
        QVERIFY(none.standardError().contains("no board found on USB"));
    }

    void versionAndHelp() {
        ToolProcess version;
        version.run({"--version"});
        QCOMPARE(version.finish(), 0);
        QCOMPARE(version.standardOutput(), QByteArray("kivratolm-capture 1.3.0.\n"));

        ToolProcess help;
        help.run({"--help"});
        QCOMPARE(help.finish(), 0);
        const QString text = QString::fromUtf8(help.standardOutput());
        QVERIFY(text.startsWith("Usage: kivratolm-capture use=BUS/ADDRESS"));
        QVERIFY(text.contains("--trigger 'level:SENSOR>VALUE'"));
        QVERIFY(text.contains("above\n                          1000 the frame period is 0 ms and time stamps repeat"));
        QVERIFY(text.contains("130 stopped by a signal"));
    }

    // The guide's Python example and its command, run as they stand in the
    // guide from a source tree whose build/bin holds the tool; the script is
    // examples/follow_capture.py there.
    void pythonExampleFollowsTheEvents() {
        const QString guide = QStringLiteral(KIVRA_SOURCE_DIR "/docs/USER_GUIDE.md");
        const QString script = fencedBlockWith(guide, "python", "def capture(arguments)");
        const QString command = fencedBlockWith(guide, "sh", "follow_capture.py");
        QVERIFY(!script.isEmpty() && !command.isEmpty());
        QFile example(QStringLiteral(KIVRA_SOURCE_DIR "/examples/follow_capture.py"));
        QVERIFY(example.open(QIODevice::ReadOnly | QIODevice::Text));
        QVERIFY2(QString::fromUtf8(example.readAll()).endsWith(script), "examples/follow_capture.py differs");

        ToolProcess tool(numberedBoard);
        QDir tree(tool.path("tree"));
        QVERIFY(tree.mkpath("examples") && tree.mkpath("build"));
        QVERIFY(QFile::link(QFileInfo(QStringLiteral(CAPTURE_TOOL)).absolutePath(), tree.filePath("build/bin")));
        QFile copy(tree.filePath("examples/follow_capture.py"));
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.write(script.toUtf8());
        copy.close();

        QProcess shell;
        shell.setProcessEnvironment(tool.processEnvironment());
        shell.setWorkingDirectory(tree.path());
        shell.start("sh", {"-c", command});
        QVERIFY(shell.waitForFinished(30000));
        const QString output = QString::fromUtf8(shell.readAllStandardOutput());
        QVERIFY2(shell.exitCode() == 0, qPrintable(output + shell.readAllStandardError()));
        QVERIFY2(output.startsWith("armed\ntriggered: Forced trigger\n"), qPrintable(output));
        QVERIFY2(output.contains(QRegularExpression("progress: \\d+ rows\n")), qPrintable(output));
        QVERIFY2(output.endsWith("done: 5050 rows in press.csv (length)\n"), qPrintable(output));
        QCOMPARE(readCsvLog(tree.filePath("press.csv")).rows.size(), 5050);
    }
};

QTEST_GUILESS_MAIN(CaptureToolTest)
#include "tst_capturetool.moc"
