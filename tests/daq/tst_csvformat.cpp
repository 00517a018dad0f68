#include "CaptureLog.h"
#include "CsvFormat.h"
#include "LogColumnLine.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <locale>
#include <random>
#include <vector>

using KivraTolm::InputFrame;

class TestCsvFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "UTC");
        tzset();
    }

    void fixed8_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("half") << 0.5 << "0.50000000";
        QTest::newRow("large") << 1234.5 << "1234.50000000";
        QTest::newRow("widened float") << double(3.2f) << "3.20000005";
        QTest::newRow("negative") << -2.25 << "-2.25000000";
        QTest::newRow("rounded") << 0.123456789 << "0.12345679";
        QTest::newRow("no exponent") << 1e20 << "100000000000000000000.00000000";
        QTest::newRow("tiny") << 1e-12 << "0.00000000";
        QTest::newRow("integer rate") << 50.0 << "50.00000000";
        QTest::newRow("negative zero") << -0.0 << "-0.00000000";
        QTest::newRow("negative, rounded to zero") << -1e-12 << "-0.00000000";
        QTest::newRow("tie at the 8th decimal, even kept") << double(0x1p-9f) << "0.00195312";
        QTest::newRow("tie at the 8th decimal, odd rounded up") << double(0x3p-9f) << "0.00585938";
        QTest::newRow("carry through the integer part") << 9.999999999 << "10.00000000";
        QTest::newRow("largest float") << double(std::numeric_limits<float>::max())
                                       << "340282346638528859811704183484516925440.00000000";
        QTest::newRow("a billion") << 1e9 << "1000000000.00000000";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "nan";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "inf";
        QTest::newRow("negative infinite") << -std::numeric_limits<double>::infinity() << "-inf";
    }
    void fixed8() {
        QFETCH(double, value);
        QFETCH(QString, text);
        std::string out;
        CsvFormat::appendFixed8(out, value);
        QCOMPARE(QString::fromStdString(out), text);
    }

    // Every single-precision value must come out as the general conversion
    // writes it: rounding ties, tiny and large values, both signs.
    void fixed8MatchesTheGeneralConversion() {
        std::mt19937 random(42);
        std::uniform_int_distribution<std::uint32_t> bits;
        std::vector<float> values = {0.0f,  -0.0f,        0.125f, 0.000000005f, 0.000000015f, 1e-30f,      3.2f,
                                     -3.2f, 999999999.0f, 1e9f,   1e10f,        16777216.0f,  0.999999999f};
        for (int i = 0; i < 200000; ++i) {
            std::uint32_t word = bits(random);
            float value;
            std::memcpy(&value, &word, sizeof value);
            if (std::isfinite(value))
                values.push_back(i % 2 ? value : std::ldexp(static_cast<float>(word % 100000), -(i % 40)));
        }
        char expected[400];
        for (float value : values) {
            std::snprintf(expected, sizeof expected, "%.8f", static_cast<double>(value));
            std::string out;
            CsvFormat::appendFixed8(out, value);
            QCOMPARE(QString::fromStdString(out), QString::fromLatin1(expected));
        }
    }

    // A user's locale with ',' as decimal point and '.' grouping must not
    // reach the log.
    void fixed8IgnoresLocale() {
        struct GermanPunct : std::numpunct<char> {
            char do_decimal_point() const override { return ','; }
            char do_thousands_sep() const override { return '.'; }
            std::string do_grouping() const override { return "\3"; }
        };
        const QLocale savedQt;
        const std::locale savedStd = std::locale::global(std::locale(std::locale::classic(), new GermanPunct));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::string out;
        CsvFormat::appendFixed8(out, 1234.5);
        std::locale::global(savedStd);
        QLocale::setDefault(savedQt);
        QCOMPARE(QString::fromStdString(out), QStringLiteral("1234.50000000"));
    }

    void headerLine() {
        TriggerSettings settings;
        settings.sampleRate = 50;
        settings.preTriggerSamples = 10;
        const CsvFormat format(settings);
        QCOMPARE(QString::fromStdString(format.headerLine(QStringLiteral("Forced trigger"), 1456837509120ULL)),
                 QStringLiteral("# Sample rate: 50.00000000 Hz, Pre trigger: 10, Reason: Forced trigger, "
                                "Trigger start time: 2016-03-01 13:05:09.120 (1456837509120)\n"));
    }

    // The example log: timestamp, A1 (kg, calibrated), B2 (no points), AIn0, counter.
    void columnLineAndRow() {
        TriggerSettings settings;
        settings.logTimestamp = true;
        settings.logAnalog[0] = true;
        settings.logCounter = true;
        settings.logSensor[0 * 8 + 0] = true; // A1
        settings.logSensor[1 * 8 + 1] = true; // B2
        settings.unit[0] = QStringLiteral("kg");
        const CsvFormat format(settings);
        QCOMPARE(QString::fromStdString(format.columnLine()),
                 QStringLiteral("TimeStamp (ms);Sensor A1 (kg);Sensor B2 ();AIn0 (V);Counter;\n"));

        InputFrame frame;
        frame.timestamp = 1456837509120ULL;
        frame.sensors[0][0] = 3.25f;
        frame.sensors[1][1] = 0.5f;
        frame.analog[0] = 1.25f;
        frame.counter = 17;
        std::string row;
        format.appendRow(row, frame);
        QCOMPARE(QString::fromStdString(row), QStringLiteral("1456837509120;3.25000000;0.50000000;1.25000000;17;\n"));
    }

    void unitsInTheColumnLine_data() {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "kPa"
                               << "kPa";
        QTest::newRow("closing part inside") << "x);y"
                                             << "x),y";
        // A ";" would split the column and a line break the line.
        QTest::newRow("separator") << "m;s"
                                   << "m,s";
        QTest::newRow("line feed") << "k\nN"
                                   << "k N";
        QTest::newRow("carriage return and line feed") << "k\r\nN;"
                                                       << "k  N,";
    }

    // Whatever the unit, the column line names as many columns as a row has
    // fields, and the log's reader finds the unit as written.
    void unitsInTheColumnLine() {
        QFETCH(QString, unit);
        QFETCH(QString, written);
        TriggerSettings settings;
        settings.logSensor[0] = true; // A1
        settings.logSensor[9] = true; // B2
        settings.unit[0] = unit;
        settings.unit[9] = unit;
        settings.logCounter = true;
        const std::string line = CsvFormat(settings).columnLine();
        QCOMPARE(QString::fromStdString(line), QStringLiteral("Sensor A1 (%1);Sensor B2 (%1);Counter;\n").arg(written));
        std::string row;
        CsvFormat(settings).appendRow(row, InputFrame());
        QCOMPARE(std::count(line.begin(), line.end(), ';'), std::count(row.begin(), row.end(), ';'));

        QString problem;
        const auto columns = KivraTolm::parseColumnLine(std::string_view(line).substr(0, line.size() - 1), problem);
        QVERIFY2(columns, qPrintable(problem));
        QCOMPARE(columns->size(), std::size_t(3));
        QCOMPARE(columns->at(0).unit, written);
        QCOMPARE(columns->at(1).unit, written);
        QCOMPARE(CsvFormat::columnUnit(unit), written);
    }

    void sensorsInColumnOrder() {
        TriggerSettings settings;
        settings.logSensor[5 * 8 + 0] = true; // A6
        settings.logSensor[0 * 8 + 1] = true; // B1
        settings.logDigital = true;
        settings.logAnalog[3] = true;
        const CsvFormat format(settings);
        QCOMPARE(QString::fromStdString(format.columnLine()),
                 QStringLiteral("Sensor A6 ();Sensor B1 ();AIn3 (V);Digital port (bits);\n"));
        InputFrame frame;
        frame.sensors[5][0] = 1.0f;
        frame.sensors[0][1] = 2.0f;
        frame.analog[3] = -0.5f;
        frame.digital = 0xA;
        std::string row;
        format.appendRow(row, frame);
        QCOMPARE(QString::fromStdString(row), QStringLiteral("1.00000000;2.00000000;-0.50000000;10;\n"));
    }

    void nothingLogged() {
        const CsvFormat format{TriggerSettings()};
        QCOMPARE(QString::fromStdString(format.columnLine()), QStringLiteral("\n"));
        std::string row;
        format.appendRow(row, InputFrame());
        QCOMPARE(QString::fromStdString(row), QStringLiteral("\n"));
    }

    void logKeepsRowsWhileTheFileCannotBeWritten() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("gone"));
        const QString path = folder + QStringLiteral("/log.csv");
        CaptureLog log(path);
        QVERIFY(!log.append("header\n", 0));
        QVERIFY(!log.append("row 1\n", 1));
        QVERIFY(!log.error().isEmpty());
        QCOMPARE(log.rowsPending(), 1);
        QCOMPARE(log.rowsWritten(), 0);

        QVERIFY(QDir().mkpath(folder));
        QVERIFY(log.append("row 2\n", 1));
        QCOMPARE(log.rowsPending(), 0);
        QCOMPARE(log.rowsWritten(), 2);
        QVERIFY(log.error().isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("header\nrow 1\nrow 2\n"));
    }

    void logOnAFullDisk() {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full on this system");
        CaptureLog log(QStringLiteral("/dev/full"));
        QVERIFY(!log.append("row\n", 1));
        QCOMPARE(log.rowsPending(), 1);
        QCOMPARE(log.rowsWritten(), 0);
        QVERIFY(!log.error().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCsvFormat)
#include "tst_csvformat.moc"
