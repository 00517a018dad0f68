// The description file beside a capture log: its content for each kind of
// trigger, its updates, the calibration it names, gaps, and a description
// that cannot be written while the log can.
#include "CalibrationData.h"
#include "CaptureSession.h"

#include "CaptureFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using KivraTolm::InputFrame;

namespace {

// Frame n: time stamp 1000 + 20 n, sensor A1 = a1, counter as given.
InputFrame frame(std::uint32_t n, float a1 = 0.0f, std::uint64_t counter = 0, std::uint64_t offset = 0) {
    InputFrame f;
    f.number = n;
    f.timestamp = 1000 + offset + 20ULL * n;
    f.sensors[0][0] = a1;
    f.counter = counter;
    return f;
}

std::deque<InputFrame> frames(std::uint32_t first, int count, std::uint64_t offset = 0) {
    std::deque<InputFrame> list;
    for (int i = 0; i < count; ++i)
        list.push_back(frame(first + static_cast<std::uint32_t>(i), 0.0f, 0, offset));
    return list;
}

} // namespace

class TestCaptureDescription : public QObject {
    Q_OBJECT

    QTemporaryDir tempDir;
    CalibrationData calibrationData;
    CalibrationSource source;

    QString log() const { return tempDir.filePath(QStringLiteral("run.csv")); }
    QString description() const { return tempDir.filePath(QStringLiteral("run.csv.json")); }

    TriggerSettings settings(int pre = 0, int capture = 0) const {
        TriggerSettings s;
        s.sampleRate = 50;
        s.preTriggerSamples = pre;
        s.captureSamples = capture;
        s.fileName = log();
        s.logTimestamp = true;
        s.logSensor[0] = true;
        return s;
    }

    CaptureContext context() const {
        CaptureContext c;
        c.board = {"usb", "-", "KT-TEST-7", "a test board", true};
        c.acquisition = KivraTolm::AcquisitionSettings::fromRate(50);
        c.calibration = source;
        return c;
    }

private slots:
    void initTestCase();
    void init();
    void contentForEachTrigger_data();
    void contentForEachTrigger();
    void calibrationInEffectNotTheFileLater();
    void noCalibrationFile();
    void neverTriggeredWritesNeither();
    void armingDeletesAnOldDescription();
    void updatedAtTheEnd_data();
    void updatedAtTheEnd();
    void restartIsOneGap();
    void descriptionBlockedLogGoesOn();
    void standardOutputHasNoDescription();
    void readByPythonsJsonModule();
};

void TestCaptureDescription::initTestCase() {
    QVERIFY(tempDir.isValid());
    QCoreApplication::setApplicationName(QStringLiteral("Kivra DAQ lite"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.3.0."));
    CalibrationData calibration;
    calibration.setUnit("kg");
    calibration.setSensitivity(3, 40);
    calibration.addPoint(0, 0, {0.0f, 0.0f});
    calibration.addPoint(0, 0, {1.0f, 10.0f});
    calibration.addPoint(1, 1, {0.0f, 0.0f});
    const QString path = tempDir.filePath(QStringLiteral("cal.tolmcal3"));
    calibration.save(path.toStdString());
    source = loadCalibrationFile(calibrationData, path);
}

void TestCaptureDescription::init() {
    QFile::remove(log());
    QFile::remove(description());
}

void TestCaptureDescription::contentForEachTrigger_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("forced") << "forced"
                            << "Forced trigger";
    QTest::newRow("level") << "level"
                           << "Trigger level of sensor A1 [Level = 5.00000000]";
    QTest::newRow("external") << "external"
                              << "External triggered";
}

void TestCaptureDescription::contentForEachTrigger() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    TriggerSettings s = settings(3, 10);
    if (kind == "level") {
        s.levelTrigger[0] = true;
        s.level[0] = 4.0f;
        // Given as the log's column line gives it.
        s.unit[0] = QStringLiteral("k;g\n");
    }
    s.externalTrigger = kind == "external";
    CaptureContext c = context();
    c.lengthAsTime = QStringLiteral("00:00:10");
    CaptureSession session(s, calibrationData, 0);
    session.describeIn(c);

    std::deque<InputFrame> history = frames(0, 5);
    session.feed(history);
    QVERIFY(!QFile::exists(description()));
    if (kind == "forced")
        session.force();
    // Frame 5 fires the level (A1 = 0.5 raw → 5 kg) or the external trigger.
    std::deque<InputFrame> tick{frame(5, 0.5f, 8), frame(6), frame(7)};
    session.feed(tick);
    // Written on the description's own thread, in one step.
    QTRY_VERIFY(QFile::exists(description()));

    const QJsonObject d = readJson(description());
    QCOMPARE(d["program"].toString(), QStringLiteral("Kivra DAQ lite"));
    QCOMPARE(d["version"].toString(), QStringLiteral("1.3.0."));
    const QJsonObject board = d["board"].toObject();
    QCOMPARE(board["bus"].toString(), QStringLiteral("usb"));
    QCOMPARE(board["address"].toString(), QStringLiteral("-"));
    QCOMPARE(board["identifier"].toString(), QStringLiteral("KT-TEST-7"));
    QCOMPARE(board["details"].toString(), QStringLiteral("a test board"));
    QCOMPARE(board["emulated"].toBool(), true);
    QCOMPARE(d["reason"].toString(), reason);
    QVERIFY(d["armed"].toObject()["ms"].toDouble() > 1.6e12);
    const double triggered = d["triggered"].toObject()["ms"].toDouble();
    if (kind == "forced")
        QVERIFY(triggered > 1.6e12); // the clock at the click
    else
        QCOMPARE(triggered, 1000.0 + 20 * 5); // the frame's time stamp
    QVERIFY(d["triggered"].toObject()["iso"].toString().contains('T'));
    QVERIFY(d["ended"].isNull());
    QVERIFY(d["end"].isNull());

    const QJsonObject settingsJson = d["settings"].toObject();
    QCOMPARE(settingsJson["rate_hz"].toDouble(), 50.0);
    QVERIFY(settingsJson["interval_s"].isNull());
    QCOMPARE(settingsJson["pre_trigger_frames"].toInt(), 3);
    QCOMPARE(settingsJson["capture_frames"].toInt(), 10);
    QCOMPARE(settingsJson["capture_time"].toString(), QStringLiteral("00:00:10"));
    const QJsonObject triggers = settingsJson["triggers"].toObject();
    QCOMPARE(triggers["external"].toBool(), kind == "external");
    const QJsonArray levels = triggers["level"].toArray();
    QCOMPARE(levels.size(), kind == "level" ? 1 : 0);
    if (kind == "level") {
        QCOMPARE(levels[0].toObject()["sensor"].toString(), QStringLiteral("A1"));
        QCOMPARE(levels[0].toObject()["level"].toDouble(), 4.0);
        QCOMPARE(levels[0].toObject()["unit"].toString(), QStringLiteral("k,g "));
    }
    QCOMPARE(settingsJson["sensors"].toArray(), QJsonArray{QStringLiteral("A1")});
    QCOMPARE(settingsJson["columns"].toObject()["timestamp"].toBool(), true);
    QCOMPARE(settingsJson["columns"].toObject()["counter"].toBool(), false);

    QCOMPARE(settingsJson["pre_trigger_rows"].toInt(), 3);
}

void TestCaptureDescription::calibrationInEffectNotTheFileLater() {
    QFile file(source.path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray loadedBytes = file.readAll();
    file.close();
    // The file changes after it was loaded: the description names what is in effect.
    QVERIFY(file.open(QIODevice::Append));
    file.write("<!-- edited later -->\n");
    file.close();

    CaptureSession session(settings(), calibrationData, 0);
    session.describeIn(context());
    session.force();
    std::deque<InputFrame> tick = frames(0, 2);
    session.feed(tick);
    QTRY_VERIFY(QFile::exists(description()));
    const QJsonObject calibration = readJson(description())["calibration"].toObject();
    QCOMPARE(calibration["path"].toString(), source.path);
    QCOMPARE(calibration["sha256"].toString(),
             QString::fromLatin1(QCryptographicHash::hash(loadedBytes, QCryptographicHash::Sha256).toHex()));
    QCOMPARE(calibration["unit"].toString(), QStringLiteral("kg"));
    QCOMPARE(calibration["sensor_mode"].toString(), QStringLiteral("EightSensor"));
    QCOMPARE(calibration["sensors_with_points"].toInt(), 2);
    const QJsonArray sensitivities = calibration["sensitivities"].toArray();
    QCOMPARE(sensitivities.size(), 8);
    QCOMPARE(sensitivities[3].toInt(), 40);
    QCOMPARE(sensitivities[0].toInt(), 31);
}

void TestCaptureDescription::noCalibrationFile() {
    const CalibrationData defaults;
    CaptureContext c = context();
    c.calibration = CalibrationSource();
    CaptureSession session(settings(), defaults, 0);
    session.describeIn(c);
    session.force();
    std::deque<InputFrame> tick = frames(0, 2);
    session.feed(tick);
    QTRY_VERIFY(QFile::exists(description()));
    const QJsonObject d = readJson(description());
    QVERIFY(d.contains("calibration"));
    QVERIFY(d["calibration"].isNull());
}

void TestCaptureDescription::neverTriggeredWritesNeither() {
    {
        CaptureSession session(settings(), calibrationData, 0);
        session.describeIn(context());
        std::deque<InputFrame> tick = frames(0, 20);
        session.feed(tick);
        session.stop();
        session.finish();
    }
    QVERIFY(!QFile::exists(log()));
    QVERIFY(!QFile::exists(description()));
}

void TestCaptureDescription::armingDeletesAnOldDescription() {
    QFile old(description());
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("{\"old\": true}");
    old.close();
    CaptureSession session(settings(), calibrationData, 0);
    QVERIFY(!QFile::exists(description()));
}

void TestCaptureDescription::updatedAtTheEnd_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("rows");
    QTest::newRow("length reached") << 12 << "length" << 12;
    QTest::newRow("stopped by the user") << 0 << "stopped" << 20;
}

void TestCaptureDescription::updatedAtTheEnd() {
    QFETCH(int, length);
    QFETCH(QString, end);
    QFETCH(int, rows);
    CaptureSession session(settings(0, length), calibrationData, 0);
    session.describeIn(context());
    session.force();
    std::deque<InputFrame> first = frames(0, 10);
    session.feed(first);
    // Written at the trigger, with the rows of that tick.
    QTRY_COMPARE(readJson(description())["rows"].toInt(), 10);
    std::deque<InputFrame> second = frames(10, 10);
    session.feed(second);
    if (!session.isDone())
        session.stop();
    const CaptureOutcome outcome = session.finish();
    QCOMPARE(captureEndName(outcome.end), end);

    const QJsonObject d = readJson(description());
    QCOMPARE(d["end"].toString(), end);
    QVERIFY(d["ended"].toObject()["ms"].toDouble() >= d["triggered"].toObject()["ms"].toDouble());
    QCOMPARE(d["rows"].toInt(), rows);
    QCOMPARE(dataRows(log()), rows);
    QCOMPARE(d["rows_unwritten"].toInt(), 0);
    QVERIFY(d["rows_unwritten_reason"].isNull());
}

void TestCaptureDescription::restartIsOneGap() {
    CaptureSession session(settings(), calibrationData, 0);
    session.describeIn(context());
    session.force();
    std::deque<InputFrame> before = frames(0, 10); // last time stamp 1180
    session.feed(before);
    session.engineRestarted();
    std::deque<InputFrame> none;
    session.feed(none); // a tick without frames while the engine connects
    QCOMPARE(session.gapCount(), 0);
    std::deque<InputFrame> after = frames(0, 5, 5000); // first time stamp 6000
    session.feed(after);
    QCOMPARE(session.gapCount(), 1);
    std::deque<InputFrame> more = frames(5, 5, 5000);
    session.feed(more);
    QCOMPARE(session.gapCount(), 1);

    QTRY_COMPARE(readJson(description())["gaps"].toArray().size(), 1);
    const QJsonArray gaps = readJson(description())["gaps"].toArray();
    QCOMPARE(gaps.size(), 1);
    QCOMPARE(gaps[0].toObject()["last_before"].toDouble(), 1180.0);
    QCOMPARE(gaps[0].toObject()["first_after"].toDouble(), 6000.0);
    // 4820 ms between the two frames, one 20 ms frame period of it expected.
    QCOMPARE(gaps[0].toObject()["missing_ms"].toDouble(), 4800.0);
    session.stop();
    session.finish();
    QCOMPARE(dataRows(log()), 20);
    QCOMPARE(readJson(description())["rows"].toInt(), 20);
}

void TestCaptureDescription::descriptionBlockedLogGoesOn() {
    // A folder of the description's name is in the way.
    QVERIFY(QDir().mkpath(description()));
    CaptureSession session(settings(0, 30), calibrationData, 0);
    session.describeIn(context());
    session.force();
    for (std::uint32_t n = 0; n < 40; n += 10) {
        std::deque<InputFrame> tick = frames(n, 10);
        session.feed(tick);
    }
    QVERIFY(session.isDone());
    QTRY_VERIFY(!session.descriptionError().isEmpty());
    const CaptureOutcome outcome = session.finish();
    QCOMPARE(outcome.rowsWritten, 30);
    QCOMPARE(outcome.rowsUnwritten, 0);
    QCOMPARE(dataRows(log()), 30);
    QVERIFY(QFileInfo(description()).isDir());
    QVERIFY(QDir().rmdir(description()));
}

void TestCaptureDescription::standardOutputHasNoDescription() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TriggerSettings s = settings();
    s.fileName = dir.filePath(QStringLiteral("named.csv"));
    QFile target(s.fileName);
    QVERIFY(target.open(QIODevice::WriteOnly));
    CaptureSession session(s, calibrationData, 0, CaptureLog::onDescriptor(target.handle(), "standard output"));
    session.describeIn(context());
    session.force();
    std::deque<InputFrame> tick = frames(0, 3);
    session.feed(tick);
    session.stop();
    session.finish();
    target.close();
    QCOMPARE(dataRows(s.fileName), 3);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"named.csv"});
}

void TestCaptureDescription::readByPythonsJsonModule() {
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is needed to read the description with a JSON reader");
    CaptureSession session(settings(0, 5), calibrationData, 0);
    session.describeIn(context());
    session.force();
    std::deque<InputFrame> tick = frames(0, 8);
    session.feed(tick);
    session.finish();
    QProcess reader;
    reader.start(python,
                 {QStringLiteral("-c"),
                  QStringLiteral("import json, sys\n"
                                 "from datetime import datetime\n"
                                 "d = json.load(open(sys.argv[1]))\n"
                                 "ended = datetime.fromisoformat(d['ended']['iso'])\n"
                                 "print(d['end'], d['rows'], d['rows_unwritten'], d['board']['bus'], "
                                 "ended.tzinfo is not None, round(ended.timestamp() * 1000) == d['ended']['ms'])\n"),
                  description()});
    QVERIFY(reader.waitForFinished(30000));
    QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()), QStringLiteral("length 5 0 usb True True\n"));
}

QTEST_GUILESS_MAIN(TestCaptureDescription)
#include "tst_capturedescription.moc"
