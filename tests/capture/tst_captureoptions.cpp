// The command line of kivratolm-capture: what each option becomes, and a
// message that names the problem for every argument it refuses.
#include "CaptureOptions.h"
#include "Duration.h"
#include "UsageErrors.h"

#include <QtTest>

Q_DECLARE_METATYPE(CaptureOptions::Action)

namespace {

const QStringList base = {"kivratolm-capture", "use=usb/-", "-o", "out.csv"};

CaptureOptionsResult parse(const QStringList& extra) {
    return parseCaptureOptions(base + extra);
}

} // namespace

class CaptureOptionsTest : public QObject {
    Q_OBJECT

private slots:
    void defaults() {
        const CaptureOptionsResult result = parse({});
        QCOMPARE(result.error, QString());
        const CaptureOptions& o = result.options;
        QCOMPARE(o.action, CaptureOptions::Action::Capture);
        QCOMPARE(o.bus, QString("usb"));
        QCOMPARE(o.address, QString("-"));
        QCOMPARE(o.calibrationFile, QString());
        QCOMPARE(o.rate, 50.0);
        QCOMPARE(o.interval, 0);
        QCOMPARE(o.preTrigger, 0);
        QCOMPARE(o.captureSamples, 0);
        QVERIFY(o.forceTrigger);
        QVERIFY(!o.externalTrigger);
        QVERIFY(o.levelTriggers.empty());
        QCOMPARE(o.timeoutMs, qint64(0));
        QVERIFY(!o.logTimestamp && !o.logDigital && !o.logCounter);
        QCOMPARE(o.logAnalog, (std::array<bool, 4>{}));
        QCOMPARE(o.sensors, SensorChoice::Calibration);
        QCOMPARE(o.output, QString("out.csv"));
        QVERIFY(!o.overwrite && !o.events && !o.quiet);
        QCOMPARE(o.reconnect, 0);
    }

    void boardAndCalibrationAsTheProgramsReadThem_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("calibration");
        QTest::newRow("network") << QStringList{"use=net/192.168.1.20:10001"} << "net"
                                 << "192.168.1.20:10001"
                                 << "";
        QTest::newRow("the later use= counts") << QStringList{"use=usb/-", "use=net/h:1"} << "net"
                                               << "h:1"
                                               << "";
        QTest::newRow("calibration") << QStringList{"use=usb/-", "cfg=/x/a.tolmcal3"} << "usb"
                                     << "-"
                                     << "/x/a.tolmcal3";
        QTest::newRow("cfg= empty forgets the earlier one")
            << QStringList{"cfg=a.tolmcal3", "use=usb/-", "cfg="} << "usb"
            << "-"
            << "";
        QTest::newRow("after the options") << QStringList{"use=usb/-", "--rate", "100", "cfg=c"} << "usb"
                                           << "-"
                                           << "c";
    }

    void boardAndCalibrationAsTheProgramsReadThem() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, bus);
        QFETCH(QString, address);
        QFETCH(QString, calibration);
        const CaptureOptionsResult result = parseCaptureOptions(QStringList{"tool", "-o", "-"} + arguments);
        QCOMPARE(result.error, QString());
        QCOMPARE(result.options.bus, bus);
        QCOMPARE(result.options.address, address);
        QCOMPARE(result.options.calibrationFile, calibration);
        QVERIFY(result.options.toStandardOutput());
    }

    void lengthAndTiming_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("pre");
        QTest::addColumn<int>("samples");
        QTest::newRow("samples") << QStringList{"--samples", "100", "--pre", "10"} << 50.0 << 0 << 10 << 100;
        QTest::newRow("seconds") << QStringList{"--time", "90s"} << 50.0 << 0 << 0 << 4500;
        QTest::newRow("minutes and seconds")
            << QStringList{"--time", "1m30s", "--rate", "1000"} << 1000.0 << 0 << 0 << 90000;
        QTest::newRow("hours") << QStringList{"--time", "2h", "--rate", "0.5"} << 0.5 << 0 << 0 << 3600;
        QTest::newRow("clock") << QStringList{"--time", "01:02:03"} << 50.0 << 0 << 0 << 186150;
        QTest::newRow("fraction of a second")
            << QStringList{"--rate", "8000", "--time", "0.25s"} << 8000.0 << 0 << 0 << 2000;
        QTest::newRow("truncated like the window")
            << QStringList{"--rate", "3", "--time", "1.5s"} << 3.0 << 0 << 0 << 4;
        QTest::newRow("interval") << QStringList{"--interval", "5", "--time", "1m"} << 0.2 << 5 << 0 << 12;
        QTest::newRow("highest rate") << QStringList{"--rate", "10000"} << 10000.0 << 0 << 0 << 0;
    }

    void lengthAndTiming() {
        QFETCH(QStringList, arguments);
        QFETCH(double, rate);
        QFETCH(int, interval);
        QFETCH(int, pre);
        QFETCH(int, samples);
        const CaptureOptionsResult result = parse(arguments);
        QCOMPARE(result.error, QString());
        QCOMPARE(result.options.rate, rate);
        QCOMPARE(result.options.interval, interval);
        QCOMPARE(result.options.preTrigger, pre);
        QCOMPARE(result.options.captureSamples, samples);
    }

    void triggers() {
        const CaptureOptionsResult result = parse(
            {"--trigger", "external", "--trigger", "level:A8>12.5", "--trigger", "level:c4>-3", "--timeout", "2.5"});
        QCOMPARE(result.error, QString());
        const CaptureOptions& o = result.options;
        QVERIFY(!o.forceTrigger); // given triggers replace the default
        QVERIFY(o.externalTrigger);
        QCOMPARE(o.levelTriggers.size(), std::size_t(2));
        QCOMPARE(o.levelTriggers[0].sensor.column, 0);
        QCOMPARE(o.levelTriggers[0].sensor.row, 7);
        QCOMPARE(o.levelTriggers[0].level, 12.5f);
        QCOMPARE(o.levelTriggers[1].sensor.column, 2);
        QCOMPARE(o.levelTriggers[1].sensor.row, 3);
        QCOMPARE(o.levelTriggers[1].level, -3.0f);
        QCOMPARE(o.timeoutMs, qint64(2500));

        QVERIFY(parse({"--trigger", "force", "--trigger", "external"}).options.forceTrigger);
    }

    void columnsAndSensors() {
        CaptureOptionsResult result =
            parse({"--log", "timestamp,analog1", "--log", "counter", "--sensors", "A1,h8", "--sensors", "B2"});
        QCOMPARE(result.error, QString());
        CaptureOptions o = result.options;
        QVERIFY(o.logTimestamp && o.logCounter && !o.logDigital);
        QCOMPARE(o.logAnalog, (std::array<bool, 4>{false, true, false, false}));
        QCOMPARE(o.sensors, SensorChoice::Listed);
        std::array<bool, 64> listed = {};
        listed[0] = listed[63] = listed[1 * 8 + 1] = true;
        QCOMPARE(o.listedSensors, listed);

        result = parse({"--log", "analog,digital", "--sensors", "all"});
        QCOMPARE(result.error, QString());
        QCOMPARE(result.options.logAnalog, (std::array<bool, 4>{true, true, true, true}));
        QVERIFY(result.options.logDigital);
        QCOMPARE(result.options.sensors, SensorChoice::All);

        result = parse({"--sensors", "none"});
        QCOMPARE(result.options.sensors, SensorChoice::Listed);
        QCOMPARE(result.options.listedSensors, (std::array<bool, 64>{}));
    }

    void flags() {
        const CaptureOptionsResult result = parse({"--overwrite", "--events", "-q", "--reconnect", "3"});
        QCOMPARE(result.error, QString());
        QVERIFY(result.options.overwrite && result.options.events && result.options.quiet);
        QCOMPARE(result.options.reconnect, 3);
    }

    void actionsNeedNoBoard_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<CaptureOptions::Action>("action");
        QTest::newRow("help") << "--help" << CaptureOptions::Action::Help;
        QTest::newRow("short help") << "-h" << CaptureOptions::Action::Help;
        QTest::newRow("version") << "--version" << CaptureOptions::Action::Version;
        QTest::newRow("list") << "--list" << CaptureOptions::Action::List;
    }

    void actionsNeedNoBoard() {
        QFETCH(QString, argument);
        QFETCH(CaptureOptions::Action, action);
        const CaptureOptionsResult result = parseCaptureOptions({"tool", argument});
        QCOMPARE(result.error, QString());
        QCOMPARE(result.options.action, action);
    }

    // Every refused command line: the message names the argument at fault.
    void usageErrors_data() { addUsageErrorRows(); }

    void usageErrors() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const CaptureOptionsResult result = parseCaptureOptions(QStringList{"kivratolm-capture"} + arguments);
        QVERIFY2(result.error.contains(message), qPrintable(result.error));
    }

    void durations_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("ms");
        QTest::newRow("seconds") << "90s" << qint64(90000);
        QTest::newRow("plain seconds") << "2.5" << qint64(2500);
        QTest::newRow("minutes") << "1m" << qint64(60000);
        QTest::newRow("all units") << "1h2m3.5s" << qint64(3723500);
        QTest::newRow("decimal kept exact") << "1.001s" << qint64(1001);
        QTest::newRow("hh:mm:ss") << "02:00:01" << qint64(7201000);
        QTest::newRow("mm:ss") << "90:30" << qint64(5430000);
        QTest::newRow("mm:ss.f") << "00:01.25" << qint64(1250);
        QTest::newRow("nothing") << "" << qint64(-1);
        QTest::newRow("unit alone") << "s" << qint64(-1);
        QTest::newRow("wrong order") << "30s1m" << qint64(-1);
        QTest::newRow("negative") << "-5s" << qint64(-1);
        QTest::newRow("seconds past 59") << "00:00:60" << qint64(-1);
        QTest::newRow("beyond a century") << "1000000h" << qint64(-1);
    }

    void durations() {
        QFETCH(QString, text);
        QFETCH(qint64, ms);
        const std::optional<qint64> parsed = parseDuration(text);
        QCOMPARE(parsed.value_or(-1), ms);
    }
};

QTEST_GUILESS_MAIN(CaptureOptionsTest)
#include "tst_captureoptions.moc"
