// Reading capture logs back: logs made with the program's own formatter,
// compared value by value and with Python's csv module; torn and CRLF logs;
// logs large enough to be parsed in pieces; broken files with the line their
// message names.
#include "CalibrationData.h"
#include "CaptureDescription.h"
#include "CaptureLogCompare.h"

#include <QtTest>

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

using namespace KivraTolm;
using namespace LogCompare;

namespace {

constexpr std::uint64_t triggerTime = 1456837509120ULL;

// Every column, all 64 sensors; values that need every digit of a float.
TriggerSettings everyColumn() {
    TriggerSettings settings;
    settings.sampleRate = 250;
    settings.preTriggerSamples = 10;
    settings.logSensor.fill(true);
    settings.logTimestamp = true;
    settings.logAnalog.fill(true);
    settings.logDigital = true;
    settings.logCounter = true;
    settings.unit.fill("kPa");
    return settings;
}

// A ramp of both signs. At least 0.5 in size, every value keeps enough
// digits in the log's 8 decimals to come back as the very same float.
float sensorValue(std::uint64_t k) {
    const float value = 0.5f + 0.001f * static_cast<float>(k % 1200);
    return k % 2 ? -value : value;
}

// A description as the programs write it.
CaptureRecord writtenRecord() {
    CaptureRecord record;
    record.context.board = {"net", "10.0.0.7:5000", "KT-0815", "", false};
    record.settings = everyColumn();
    record.preTriggerRows = 7;
    record.reason = "Forced trigger";
    record.rows = 40;
    record.gaps.push_back({1000, 1200, 120});
    return record;
}

InputFrame rampFrame(std::uint64_t n) {
    InputFrame frame;
    frame.timestamp = triggerTime + 4 * n;
    for (int s = 0; s < 64; ++s)
        frame.sensors[s / 8][s % 8] = sensorValue(n + static_cast<std::uint64_t>(s));
    frame.analog = {1.25f, -0.5f, 3.3f, static_cast<float>(n % 10)};
    frame.digital = static_cast<std::uint16_t>(n % 16);
    frame.counter = 5000000000ULL + n; // beyond 32 bits
    return frame;
}

std::string formattedLog(const TriggerSettings& settings, std::uint64_t rows,
                         const QString& reason = "Forced trigger") {
    const CsvFormat format(settings);
    std::string text = format.headerLine(reason, triggerTime) + format.columnLine();
    for (std::uint64_t n = 0; n < rows; ++n)
        format.appendRow(text, rampFrame(n));
    return text;
}

} // namespace

class CaptureLogReaderTest : public QObject {
    Q_OBJECT

private slots:
    // A log cut inside its last row keeps every row before it.
    void tornLastRow_data() {
        QTest::addColumn<int>("cutBeforeEnd"); // bytes taken off the end
        QTest::addColumn<bool>("crlf");
        QTest::addColumn<std::size_t>("rows");
        QTest::addColumn<bool>("incomplete");
        QTest::newRow("whole") << 0 << false << std::size_t(40) << false;
        QTest::newRow("without the last line feed") << 1 << false << std::size_t(39) << true;
        QTest::newRow("inside the last row") << 300 << false << std::size_t(39) << true;
        QTest::newRow("CRLF, whole") << 0 << true << std::size_t(40) << false;
        QTest::newRow("CRLF, without the line feed") << 1 << true << std::size_t(39) << true;
        QTest::newRow("CRLF, inside the last row") << 300 << true << std::size_t(39) << true;
    }

    void tornLastRow() {
        QFETCH(int, cutBeforeEnd);
        QFETCH(bool, crlf);
        QFETCH(std::size_t, rows);
        QFETCH(bool, incomplete);
        QTemporaryDir dir;
        QByteArray text = QByteArray::fromStdString(formattedLog(everyColumn(), 40));
        writeFile(dir.filePath("whole.csv"), text);
        const CaptureLogContent whole = read(dir.filePath("whole.csv"));
        QCOMPARE(whole.rowCount, std::size_t(40));
        if (crlf)
            text.replace("\n", "\r\n");
        text.chop(cutBeforeEnd);
        const QString path = dir.filePath("torn.csv");
        writeFile(path, text);
        const CaptureLogContent log = read(path);
        compareWithPython(log, readCsvLog(path));
        QCOMPARE(log.rowCount, rows);
        QCOMPARE(log.lastRowIncomplete(), incomplete);
        const QList<QStringList> wholeRows = rowsAsText(whole);
        QCOMPARE(rowsAsText(log), wholeRows.mid(0, static_cast<int>(rows)));
    }

    void header_data() {
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("pre");
        QTest::addColumn<QString>("reason");
        QTest::newRow("forced") << 50.0 << 10 << "Forced trigger";
        QTest::newRow("level") << 250.0 << 0 << "Trigger level of sensor A8 [Level = 3.20000005]";
        QTest::newRow("external, fractional rate") << 0.5 << 9999 << "External triggered";
        QTest::newRow("commas and parentheses") << 1000.0 << 3 << "a, b (c), Pre trigger: 4 (5)";
        QTest::newRow("the anchors in the reason") << 8000.0 << 1 << "x, Trigger start time: 1999 (12), Reason: y";
        QTest::newRow("not ASCII") << 100.0 << 2 << QString::fromUtf8("Kraft über 3 N (Grenze) \xe2\x80\x94 ok");
        QTest::newRow("empty") << 20.0 << 5 << QString();
    }

    void header() {
        QFETCH(double, rate);
        QFETCH(int, pre);
        QFETCH(QString, reason);
        TriggerSettings settings = everyColumn();
        settings.sampleRate = rate;
        settings.preTriggerSamples = pre;
        QTemporaryDir dir;
        const QString path = dir.filePath("header.csv");
        writeFile(path, QByteArray::fromStdString(formattedLog(settings, 3, reason)));
        const CaptureLogContent log = read(path);
        QCOMPARE(log.header.sampleRate, rate);
        QCOMPARE(log.header.preTriggerRows, qint64(pre));
        QCOMPARE(log.header.reason, reason);
        QCOMPARE(log.header.triggerTime, qint64(triggerTime));
        QCOMPARE(log.rowCount, std::size_t(3));
    }

    void units_data() {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("written"); // as the column line holds it
        QTest::newRow("kPa") << "kPa"
                             << "kPa";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("parentheses") << "N (net)"
                                     << "N (net)";
        QTest::newRow("markup") << "<b>m</b>/s<sup>2</sup>"
                                << "<b>m</b>/s<sup>2</sup>";
        QTest::newRow("a closing part inside") << "x);y"
                                               << "x),y";
        QTest::newRow("a separator inside") << "m;s"
                                            << "m,s";
        QTest::newRow("not ASCII") << QString::fromUtf8("\xc2\xb5m") << QString::fromUtf8("\xc2\xb5m");
    }

    void units() {
        QFETCH(QString, unit);
        QFETCH(QString, written);
        const int a8 = SensorPosition{0, 7}.index();
        const int c4 = SensorPosition{2, 3}.index();
        TriggerSettings settings;
        settings.sampleRate = 50;
        settings.logSensor[a8] = true; // A8
        settings.logSensor[c4] = true; // C4
        settings.unit[a8] = unit;
        settings.unit[c4] = "V";
        settings.logCounter = true;
        QTemporaryDir dir;
        const QString path = dir.filePath("units.csv");
        writeFile(path, QByteArray::fromStdString(formattedLog(settings, 5)));
        const CaptureLogContent log = read(path);
        QCOMPARE(log.columns.size(), std::size_t(3));
        QCOMPARE(int(log.columns[0].kind), int(LogColumnKind::Sensor));
        QCOMPARE(log.columns[0].index, a8);
        QCOMPARE(log.columns[0].unit, written);
        QCOMPARE(log.columns[0].title, QString("Sensor A8 (%1)").arg(written));
        QCOMPARE(log.columns[1].index, c4);
        QCOMPARE(log.columns[1].unit, QString("V"));
        QCOMPARE(int(log.columns[2].kind), int(LogColumnKind::Counter));
        QCOMPARE(log.values.size(), std::size_t(2));
        QCOMPARE(log.values[0][4], rampFrame(4).sensors[7][0]);
        QCOMPARE(log.counters[4], std::int64_t(5000000004LL));
    }

    // Large enough to be parsed in pieces on several threads: every row
    // lands in its place.
    void largeLogEveryRowInOrder() {
        QTemporaryDir dir;
        const QString path = dir.filePath("large.csv");
        const std::uint64_t rows = 30000; // about 24 MB
        writeFile(path, QByteArray::fromStdString(formattedLog(everyColumn(), rows)));
        QList<qint64> done;
        qint64 total = 0;
        const std::optional<CaptureLogContent> log = readCaptureLog(path, [&](qint64 bytes, qint64 size) {
            done << bytes;
            total = size;
            return true;
        });
        QVERIFY(log);
        QCOMPARE(log->rowCount, std::size_t(rows));
        for (std::uint64_t n = 0; n < rows; ++n) {
            const InputFrame frame = rampFrame(n);
            QCOMPARE(log->timestamps[n], std::int64_t(frame.timestamp));
            QCOMPARE(log->counters[n], std::int64_t(frame.counter));
            QCOMPARE(log->digital[n], frame.digital);
            // Sensor columns run column by column; `index` is row * 8 + column.
            for (std::size_t c = 0; c < 64; ++c) {
                const int s = log->columns[1 + c].index;
                if (log->values[c][n] != frame.sensors[s / 8][s % 8])
                    QFAIL(qPrintable(QString("row %1, sensor %2").arg(n).arg(s)));
            }
            QCOMPARE(log->values[64 + n % 4][n], frame.analog[n % 4]);
        }
        QCOMPARE(total, QFileInfo(path).size());
        QVERIFY(done.size() > 2);
        QVERIFY(std::is_sorted(done.begin(), done.end()));
        QCOMPARE(done.last(), total);
    }

    void cancelled_data() {
        QTest::addColumn<int>("callsBeforeCancel");
        QTest::newRow("at once") << 0;
        QTest::newRow("while parsing") << 2;
    }

    void cancelled() {
        QFETCH(int, callsBeforeCancel);
        QTemporaryDir dir;
        const QString path = dir.filePath("large.csv");
        writeFile(path, QByteArray::fromStdString(formattedLog(everyColumn(), 30000)));
        int calls = 0;
        const auto log = readCaptureLog(path, [&](qint64, qint64) { return calls++ < callsBeforeCancel; });
        QVERIFY(!log);
        QCOMPARE(calls, callsBeforeCancel + 1); // no more questions once cancelled
    }

    void brokenLogs_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("line");
        QTest::addColumn<QString>("message"); // after the file's name
        const QByteArray header = QByteArray::fromStdString(CsvFormat(everyColumn()).headerLine("Forced trigger", 1));
        const QByteArray columns = "TimeStamp (ms);Sensor A1 (kg);Digital port (bits);Counter;\n";
        const QByteArray good = header + columns + "1;0.5;3;7;\n2;0.25;3;8;\n";
        QTest::newRow("empty file") << QByteArray() << qint64(1) << " is not a capture log: line 1 is missing.";
        QTest::newRow("another CSV file") << QByteArray("a;b;c;\n1;2;3;\n") << qint64(1)
                                          << " is not a capture log: line 1 is not the header line of one.";
        QTest::newRow("a rate that is no number")
            << QByteArray("# Sample rate: fast Hz, Pre trigger: 1, Reason: x, Trigger start time: d (1)\n") + columns
            << qint64(1) << " is not a capture log: line 1 is not the header line of one.";
        QTest::newRow("no trigger time") << QByteArray("# Sample rate: 5.00000000 Hz, Pre trigger: 1, Reason: x\n") +
                                                columns
                                         << qint64(1) << " is not a capture log: line 1 is not the header line of one.";
        QTest::newRow("cut in the header line")
            << header.left(30) << qint64(1) << " ends inside its header line (line 1).";
        QTest::newRow("header line only") << header << qint64(2) << " is not a capture log: line 2 is missing.";
        QTest::newRow("cut in the column line")
            << header + columns.left(20) << qint64(2) << " ends inside its column line (line 2).";
        QTest::newRow("unknown column")
            << header + "TimeStamp (ms);Pressure (kg);\n"
            << qint64(2)
            << " is not a capture log: line 2 is not the column line of one (\"Pressure (kg)\" is no column title).";
        QTest::newRow("a column twice") << header + "Counter;AIn0 (V);Counter;\n"
                                        << qint64(2)
                                        << " is not a capture log: line 2 names the column \"Counter\" twice.";
        QTest::newRow("short row")
            << good + "3;0.5;3;\n"
            << qint64(5) << ", line 5: the row has a different number of fields (3) than the column line (4).";
        QTest::newRow("long row") << good + "3;0.5;3;9;9;\n4;0;0;0;\n"
                                  << qint64(5)
                                  << ", line 5: the row has a different number of fields (5) than the column line (4).";
        QTest::newRow("a word for a value")
            << header + columns + "1;high;3;7;\n"
            << qint64(3) << ", line 3: \"high\" in column \"Sensor A1 (kg)\" is not a number.";
        QTest::newRow("a comma for a point")
            << good + "3;0,5;3;9;\n"
            << qint64(5) << ", line 5: \"0,5\" in column \"Sensor A1 (kg)\" is not a number.";
        QTest::newRow("a fraction for a time stamp")
            << good + "3.5;0.5;3;9;\n"
            << qint64(5) << ", line 5: \"3.5\" in column \"TimeStamp (ms)\" is not a number.";
        QTest::newRow("an empty field") << good + "3;;3;9;\n"
                                        << qint64(5) << ", line 5: the field of column \"Sensor A1 (kg)\" is empty.";
        QTest::newRow("port value too large")
            << good + "3;0.5;65536;9;\n"
            << qint64(5) << ", line 5: \"65536\" in column \"Digital port (bits)\" is out of range.";
        QTest::newRow("no ';' at the end") << good + "3;0.5;3;9\n"
                                           << qint64(5) << ", line 5: the row does not end with \";\".";
        QTest::newRow("an empty line among rows")
            << good + "\n3;0.5;3;9;\n"
            << qint64(5) << ", line 5: the row has a different number of fields (0) than the column line (4).";
        QTest::newRow("a row where an empty column line has none")
            << header + "\n\n\n;\n"
            << qint64(5) << ", line 5: the row has a different number of fields (1) than the column line (0).";
    }

    void brokenLogs() {
        QFETCH(QByteArray, text);
        QFETCH(qint64, line);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath("broken log.csv");
        writeFile(path, text);
        try {
            readCaptureLog(path);
            QFAIL("no error");
        } catch (const CaptureLogError& error) {
            QCOMPARE(QString::fromStdString(error.what()), '"' + QDir::toNativeSeparators(path) + '"' + message);
            QCOMPARE(error.line(), line);
            QCOMPARE(error.path(), path);
        }
    }

    // Parsed in pieces, the first problem in the file is the one named,
    // whichever piece finds it.
    void firstProblemOfALargeLog_data() {
        QTest::addColumn<QList<int>>("brokenRows");
        QTest::newRow("near the end") << QList<int>{29990};
        QTest::newRow("near the start and near the end") << QList<int>{10, 29990};
        QTest::newRow("the very last row") << QList<int>{29999};
    }

    void firstProblemOfALargeLog() {
        QFETCH(QList<int>, brokenRows);
        QByteArray text = QByteArray::fromStdString(formattedLog(everyColumn(), 30000));
        QList<QByteArray> lines = text.split('\n');
        for (int row : brokenRows)
            lines[row + 2].replace(0, 1, "x");
        QTemporaryDir dir;
        const QString path = dir.filePath("large.csv");
        writeFile(path, lines.join('\n'));
        try {
            readCaptureLog(path);
            QFAIL("no error");
        } catch (const CaptureLogError& error) {
            QCOMPARE(error.line(), qint64(brokenRows.first() + 3));
            QVERIFY2(QString(error.what()).contains("in column \"TimeStamp (ms)\" is not a number"), error.what());
        }
    }

    // Files met in review that are no plain capture log, or hold what is no
    // value, with what the reader makes of them. A FIFO stands for a stalled
    // network share: opening it would wait for a writer.
    void reviewCases_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("text");    // of the log when it is made as a file
        QTest::addColumn<qint64>("extendTo");    // a sparse log: extended to this size; 0: not
        QTest::addColumn<qint64>("description"); // bytes of a description file; -1: a FIFO; 0: none
        QTest::addColumn<QString>("message");    // of the error; empty: the log reads
        QTest::addColumn<QString>("reason");     // the error's reason, from its start
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("noValues");
        QTest::addColumn<qint64>("timeBackLine");
        QTest::addColumn<int>("tail");             // LogTailKind
        QTest::addColumn<int>("descriptionState"); // LogDescription::State
        const QByteArray head = QByteArray::fromStdString(CsvFormat(everyColumn()).headerLine("Forced trigger", 1)) +
                                "TimeStamp (ms);Sensor A1 (kg);AIn0 (V);Counter;\n";
        const QByteArray good = head + "1;0.5;1.25;7;\n2;0.25;1.5;8;\n";
        const int none = int(LogTailKind::None);
        const int missing = int(LogDescription::State::Missing);
        const int read = int(LogDescription::State::Read);
        QTest::newRow("missing") << "nowhere.csv" << QByteArray() << qint64(0) << qint64(0) << "Can't open file : "
                                 << "No such file or directory" << 0 << 0 << qint64(0) << none << missing;
        QTest::newRow("a folder") << "folder" << QByteArray() << qint64(0) << qint64(0) << "Can't open file : "
                                  << "Is a directory" << 0 << 0 << qint64(0) << none << missing;
        QTest::newRow("a FIFO") << "fifo.csv" << QByteArray() << qint64(0) << qint64(0) << "Can't open file : "
                                << "not a regular file" << 0 << 0 << qint64(0) << none << missing;
        QTest::newRow("a FIFO for the description")
            << "log.csv" << good << qint64(0) << qint64(-1) << QString() << QString() << 2 << 0 << qint64(0) << none
            << int(LogDescription::State::Unreadable);
        QTest::newRow("a 52 MB description")
            << "log.csv" << good << qint64(0) << qint64(52000000) << QString() << QString() << 2 << 0 << qint64(0)
            << none << int(LogDescription::State::TooLarge);
        QTest::newRow("a description as written") << "log.csv" << good << qint64(0) << qint64(1) << QString()
                                                  << QString() << 2 << 0 << qint64(0) << none << read;
        QTest::newRow("nan, inf and beyond the float range")
            << "log.csv" << head + "1;nan;1.25;7;\n2;inf;-inf;8;\n3;1e308;-1e39;9;\n4;1e-50;-nan;10;\n"
            << qint64(0) << qint64(0) << QString() << QString() << 4 << 6 << qint64(0) << none << missing;
        QTest::newRow("time going back") << "log.csv" << good + "5;0.5;1.25;9;\n3;0.5;1.25;10;\n4;0.5;1.25;11;\n"
                                         << qint64(0) << qint64(0) << QString() << QString() << 5 << 0 << qint64(6)
                                         << none << missing;
        QTest::newRow("a NUL in a field")
            << "log.csv" << good + QByteArray("3;0.5\0 and more;1.25;9;\n", 24) << qint64(0) << qint64(0)
            << "\", line 5: \"0.5\\x00 and more\" in column \"Sensor A1 (kg)\" is not a number."
            << "\"0.5\\x00" << 0 << 0 << qint64(0) << none << missing;
        QTest::newRow("2 GB of zero bytes after one row")
            << "log.csv" << head + "1;0.5;1.25;7;\n"
            << (qint64(2) << 30) << qint64(0) << QString() << QString() << 1 << 0 << qint64(0)
            << int(LogTailKind::ZeroBytes) << missing;
        QTest::newRow("bytes that are not text after the rows")
            << "log.csv" << good + "3;\x01\x02\x7f" << qint64(0) << qint64(0) << QString() << QString() << 2 << 0
            << qint64(0) << int(LogTailKind::NotText) << missing;
        QTest::newRow("a row cut short") << "log.csv" << good + "3;0.5;1." << qint64(0) << qint64(0) << QString()
                                         << QString() << 2 << 0 << qint64(0) << int(LogTailKind::Row) << missing;
    }

    void reviewCases() {
        QFETCH(QString, name);
        QFETCH(QByteArray, text);
        QFETCH(qint64, extendTo);
        QFETCH(qint64, description);
        QFETCH(QString, message);
        QFETCH(QString, reason);
        QFETCH(int, rows);
        QFETCH(int, noValues);
        QFETCH(qint64, timeBackLine);
        QFETCH(int, tail);
        QFETCH(int, descriptionState);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (name == "folder")
            QVERIFY(QDir(dir.path()).mkdir(name));
        if (name.startsWith("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (!text.isEmpty())
            writeFile(path, text);
        if (extendTo > 0) // sparse: no 2 GB are written
            QCOMPARE(::truncate(QFile::encodeName(path).constData(), off_t(extendTo)), 0);
        const QString descriptionPath = descriptionFileName(path);
        if (description < 0)
            QCOMPARE(::mkfifo(QFile::encodeName(descriptionPath).constData(), 0600), 0);
        else if (description == 1)
            writeFile(descriptionPath, describeCapture(writtenRecord(), CalibrationData()));
        else if (description > 0)
            writeFile(descriptionPath,
                      QByteArray("{\"rows\": 2, \"pad\": \"") + QByteArray(static_cast<int>(description), 'x') + "\"}");

        if (!message.isEmpty()) {
            try {
                readCaptureLog(path);
                QFAIL("no error");
            } catch (const CaptureLogError& error) {
                // Whole: nothing cut at a NUL.
                const QString shown = QDir::toNativeSeparators(path);
                QCOMPARE(error.message(), message.startsWith("Can't") ? message + shown : '"' + shown + message);
                QVERIFY2(error.reason().startsWith(reason), qPrintable(error.reason()));
                QCOMPARE(error.path(), path);
            }
            return;
        }
        const CaptureLogContent log = read(path);
        QCOMPARE(log.rowCount, std::size_t(rows));
        QCOMPARE(log.noValues, std::size_t(noValues));
        QCOMPARE(log.timeBackLine, timeBackLine);
        QCOMPARE(int(log.tail), tail);
        QCOMPARE(log.tailBytes,
                 tail == int(LogTailKind::None) ? 0 : QFileInfo(path).size() - text.lastIndexOf('\n') - 1);
        QCOMPARE(int(log.description.state), descriptionState);
        for (const std::vector<float>& column : log.values) {
            for (const float value : column)
                QVERIFY(std::isfinite(value) || std::isnan(value));
        }
        if (description > LogDescription::sizeLimit)
            QCOMPARE(log.description.size, QFileInfo(descriptionPath).size());
        if (descriptionState == int(LogDescription::State::Read)) {
            QCOMPARE(log.description.rows, std::optional<qint64>(40));
            QCOMPARE(log.description.preTriggerRows, std::optional<qint64>(7));
            QCOMPARE(log.description.reason, QString("Forced trigger"));
            QCOMPARE(log.description.board, QString("net 10.0.0.7:5000 KT-0815"));
            QCOMPARE(log.description.gaps, 1);
            QCOMPARE(log.description.missingMs, qint64(120));
        }
    }

    // No rows yet: a capture whose first block holds no row.
    void headerAndColumnsOnly() {
        QTemporaryDir dir;
        const QString path = dir.filePath("empty.csv");
        writeFile(path, QByteArray::fromStdString(formattedLog(everyColumn(), 0)));
        const CaptureLogContent log = read(path);
        QCOMPARE(log.columns.size(), std::size_t(1 + 64 + 4 + 2));
        QCOMPARE(log.rowCount, std::size_t(0));
        QCOMPARE(log.values.size(), std::size_t(68));
        QVERIFY(log.values[0].empty());
        QVERIFY(!log.lastRowIncomplete());
    }
};

QTEST_GUILESS_MAIN(CaptureLogReaderTest)
#include "tst_capturelogreader.moc"
