#include "CalibrationData.h"
#include "Trigger.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <ctime>
#include <limits>

using KivraTolm::InputFrame;

namespace {

// Frame n: timestamp 1000 + 20 n, so a log row names its frame.
InputFrame frame(std::uint32_t n, float a1 = 0.0f, std::uint64_t counter = 0) {
    InputFrame f;
    f.number = n;
    f.timestamp = 1000 + 20ULL * n;
    f.sensors[0][0] = a1;
    f.counter = counter;
    return f;
}

std::deque<InputFrame> frames(std::uint32_t first, int count) {
    std::deque<InputFrame> list;
    for (int i = 0; i < count; ++i)
        list.push_back(frame(first + static_cast<std::uint32_t>(i)));
    return list;
}

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The frame numbers of the data rows of a log that logs the timestamp first.
QList<int> loggedFrames(const QString& path) {
    QList<int> numbers;
    const QStringList lines = readLines(path);
    for (int i = 2; i < lines.size(); ++i)
        numbers << static_cast<int>((lines[i].section(QLatin1Char(';'), 0, 0).toULongLong() - 1000) / 20);
    return numbers;
}

QList<int> range(int first, int count) {
    QList<int> list;
    for (int i = 0; i < count; ++i)
        list << first + i;
    return list;
}

} // namespace

class TestTrigger : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    CalibrationData calibration;

    TriggerSettings settings(int pre = 0, int capture = 0) const {
        TriggerSettings s;
        s.sampleRate = 50;
        s.preTriggerSamples = pre;
        s.captureSamples = capture;
        s.fileName = dir.filePath(QStringLiteral("capture.csv"));
        s.logTimestamp = true;
        return s;
    }

    static void markLevel(TriggerSettings& s, int column, int row, float level) {
        s.levelTrigger[row * 8 + column] = true;
        s.level[row * 8 + column] = level;
    }

private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "UTC");
        tzset();
        QVERIFY(dir.isValid());
    }

    void init() { QFile::remove(dir.filePath(QStringLiteral("capture.csv"))); }

    void historyIsBoundedByThePreTriggerCount() {
        TriggerSettings s = settings(3);
        markLevel(s, 0, 0, 0.5f);
        Trigger trigger(s, calibration, 0);
        std::deque<InputFrame> tick = frames(0, 10);
        trigger.process(tick);
        QCOMPARE(trigger.state(), Armed);
        QVERIFY(!QFile::exists(s.fileName));

        tick = {frame(10, 1.0f), frame(11), frame(12)};
        trigger.process(tick);
        QCOMPARE(trigger.state(), Recording);
        QCOMPARE(trigger.triggerTime(), 1000 + 20ULL * 10);

        std::deque<InputFrame> none;
        trigger.process(none);
        QCOMPARE(loggedFrames(s.fileName), range(7, 6));
        QCOMPARE(trigger.rowsWritten(), 6);
    }

    void levelTrigger_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<bool>("fires");
        QTest::newRow("below") << 1.5f << false;
        QTest::newRow("equal") << 2.0f << false;
        QTest::newRow("above") << 2.0001f << true;
        QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << false;
        QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << true;
    }
    void levelTrigger() {
        QFETCH(float, value);
        QFETCH(bool, fires);
        TriggerSettings s = settings();
        markLevel(s, 0, 0, 2.0f);
        Trigger trigger(s, calibration, 0);
        std::deque<InputFrame> tick = {frame(0, value)};
        trigger.process(tick);
        QCOMPARE(trigger.state(), fires ? Recording : Armed);
    }

    void levelTriggerIgnoresUnmarkedAndUnloggedSensors() {
        TriggerSettings s = settings();
        markLevel(s, 3, 3, 0.5f);
        Trigger trigger(s, calibration, 0);
        std::deque<InputFrame> tick = {frame(0, 9.0f)}; // A1 high, not marked
        trigger.process(tick);
        QCOMPARE(trigger.state(), Armed);
        InputFrame f = frame(1);
        f.sensors[3][3] = 0.75f; // D4, marked, not logged
        tick = {f};
        trigger.process(tick);
        QCOMPARE(trigger.state(), Recording);
        QCOMPARE(trigger.reason(), QStringLiteral("Trigger level of sensor D4 [Level = 0.75000000]"));
    }

    void reasonNamesTheFirstSensorInColumnOrder() {
        TriggerSettings s = settings();
        markLevel(s, 2, 3, 1.0f); // C4
        markLevel(s, 0, 7, 1.0f); // A8
        Trigger trigger(s, calibration, 0);
        InputFrame f = frame(0);
        f.sensors[3][2] = 3.0f;
        f.sensors[7][0] = 2.0f;
        std::deque<InputFrame> tick = {f};
        trigger.process(tick);
        QCOMPARE(trigger.reason(), QStringLiteral("Trigger level of sensor A8 [Level = 2.00000000]"));
    }

    void externalTrigger_data() {
        QTest::addColumn<quint64>("counter");
        QTest::addColumn<bool>("fires");
        QTest::newRow("unchanged") << quint64(5) << false;
        QTest::newRow("increased") << quint64(6) << true;
        QTest::newRow("decreased") << quint64(0) << true;
    }
    void externalTrigger() {
        QFETCH(quint64, counter);
        QFETCH(bool, fires);
        TriggerSettings s = settings();
        s.externalTrigger = true;
        Trigger trigger(s, calibration, 5);
        std::deque<InputFrame> tick = {frame(4, 0.0f, counter)};
        trigger.process(tick);
        QCOMPARE(trigger.state(), fires ? Recording : Armed);
        if (fires) {
            QCOMPARE(trigger.reason(), QStringLiteral("External triggered"));
            QCOMPARE(trigger.triggerTime(), 1000 + 20ULL * 4);
        }
    }

    void externalTriggerWinsOverALevel() {
        TriggerSettings s = settings();
        s.externalTrigger = true;
        markLevel(s, 0, 0, 0.5f);
        Trigger trigger(s, calibration, 0);
        std::deque<InputFrame> tick = {frame(0, 1.0f, 1)};
        trigger.process(tick);
        QCOMPARE(trigger.reason(), QStringLiteral("External triggered"));
    }

    void forcedTriggerWritesHistoryThenTheFollowingFrames() {
        Trigger trigger(settings(2, 3), calibration, 0);
        std::deque<InputFrame> tick = frames(0, 5);
        trigger.process(tick);
        const auto before = static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
        trigger.force();
        const auto after = static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
        QCOMPARE(trigger.state(), Recording);
        QCOMPARE(trigger.reason(), QStringLiteral("Forced trigger"));
        QVERIFY(trigger.triggerTime() >= before && trigger.triggerTime() <= after);

        tick = frames(5, 10);
        trigger.process(tick);
        // Two frames of history, then exactly three from the first frame after the click.
        QCOMPARE(loggedFrames(settings().fileName), (QList<int>{3, 4, 5, 6, 7}));
        QCOMPARE(trigger.state(), Done);
        const QString header = readLines(settings().fileName).value(0);
        QVERIFY2(header.contains(QStringLiteral("Reason: Forced trigger, Trigger start time: ")), qPrintable(header));
        QVERIFY(header.endsWith(QStringLiteral(" (%1)").arg(trigger.triggerTime())));
    }

    void forceKeepsARecordingCaptureGoing() {
        TriggerSettings s = settings(0, 4);
        markLevel(s, 0, 0, 0.5f);
        Trigger trigger(s, calibration, 0);
        std::deque<InputFrame> tick = {frame(0, 1.0f), frame(1)};
        trigger.process(tick);
        trigger.force();
        QCOMPARE(trigger.state(), Recording);
        tick = frames(2, 5);
        trigger.process(tick);
        QCOMPARE(loggedFrames(s.fileName), range(0, 4));
    }

    void forceAfterStopDoesNotRestart() {
        Trigger trigger(settings(), calibration, 0);
        trigger.setState(Done);
        trigger.force();
        QCOMPARE(trigger.state(), Done);
        std::deque<InputFrame> tick = frames(0, 3);
        trigger.process(tick);
        QVERIFY(!QFile::exists(settings().fileName));
    }

    // The log holds the buffered history, then exactly captureSamples frames
    // from the triggering frame on.
    void captureLength_data() {
        QTest::addColumn<int>("pre");
        QTest::addColumn<int>("capture");
        QTest::addColumn<int>("tickSize");
        QTest::addColumn<int>("rows");
        QTest::newRow("100 after 10 before") << 10 << 100 << 7 << 110;
        QTest::newRow("capture not above pre") << 10 << 5 << 13 << 15;
        QTest::newRow("no history") << 0 << 25 << 25 << 25;
        QTest::newRow("one frame") << 3 << 1 << 4 << 4;
    }
    void captureLength() {
        QFETCH(int, pre);
        QFETCH(int, capture);
        QFETCH(int, tickSize);
        QFETCH(int, rows);
        TriggerSettings s = settings(pre, capture);
        markLevel(s, 0, 0, 0.5f);
        Trigger trigger(s, calibration, 0);
        std::deque<InputFrame> tick = frames(0, 20);
        trigger.process(tick);
        // Frame 20 fires, in the middle of a tick.
        tick = frames(20, tickSize);
        tick[0].sensors[0][0] = 1.0f;
        trigger.process(tick);
        std::uint32_t next = 20 + static_cast<std::uint32_t>(tickSize);
        for (int i = 0; i < 100 && trigger.state() == Recording; ++i) {
            tick = frames(next, tickSize);
            next += static_cast<std::uint32_t>(tickSize);
            trigger.process(tick);
        }
        QCOMPARE(trigger.state(), Done);
        QCOMPARE(loggedFrames(s.fileName), range(20 - pre, rows));
        QCOMPARE(trigger.rowsWritten(), rows);
    }

    void zeroCaptureLengthHasNoLimit() {
        Trigger trigger(settings(0, 0), calibration, 0);
        trigger.force();
        std::uint32_t next = 0;
        for (int i = 0; i < 50; ++i) {
            std::deque<InputFrame> tick = frames(next, 11);
            next += 11;
            trigger.process(tick);
        }
        QCOMPARE(trigger.state(), Recording);
        QCOMPARE(trigger.rowsWritten(), 550);
        trigger.setState(Done);
        std::deque<InputFrame> tick = frames(next, 5);
        trigger.process(tick);
        QCOMPARE(trigger.rowsWritten(), 550);
        QCOMPARE(loggedFrames(settings().fileName), range(0, 550));
    }

    void existingFileIsReplaced() {
        const QString path = settings().fileName;
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content\n");
        old.close();
        {
            Trigger trigger(settings(), calibration, 0);
            QVERIFY(!QFile::exists(path));
            std::deque<InputFrame> tick = frames(0, 3);
            trigger.process(tick); // never triggers: nothing written
        }
        QVERIFY(!QFile::exists(path));
        Trigger trigger(settings(), calibration, 0);
        trigger.force();
        std::deque<InputFrame> tick = frames(0, 2);
        trigger.process(tick);
        QCOMPARE(readLines(path).value(0).left(14), QStringLiteral("# Sample rate:"));
        QCOMPARE(readLines(path).size(), 4);
    }

    void rowsSurviveAFolderThatIsMissingForAWhile() {
        const QString folder = dir.filePath(QStringLiteral("later"));
        TriggerSettings s = settings();
        s.fileName = folder + QStringLiteral("/capture.csv");
        Trigger trigger(s, calibration, 0);
        trigger.force();
        for (std::uint32_t n = 0; n < 30; n += 10) {
            std::deque<InputFrame> tick = frames(n, 10);
            trigger.process(tick);
        }
        QCOMPARE(trigger.rowsWritten(), 0);
        QCOMPARE(trigger.rowsPending(), 30);
        QVERIFY(!trigger.writeError().isEmpty());

        QVERIFY(QDir().mkpath(folder));
        std::deque<InputFrame> tick = frames(30, 10);
        trigger.process(tick);
        QCOMPARE(trigger.rowsPending(), 0);
        QVERIFY(trigger.writeError().isEmpty());
        QCOMPARE(loggedFrames(s.fileName), range(0, 40));
        QCOMPARE(readLines(s.fileName).value(1), QStringLiteral("TimeStamp (ms);"));
    }

    void rowsAreConvertedWithTheCalibration() {
        CalibrationData calibration;
        calibration.addPoint(0, 0, CalibrationPoint{1.0f, 10.0f});
        TriggerSettings s = settings();
        s.logTimestamp = false;
        s.logSensor[0] = true;
        s.unit[0] = QStringLiteral("kg");
        markLevel(s, 0, 0, 4.0f); // in calibrated units: raw 0.5 is 5 kg
        Trigger trigger(s, calibration, 0);
        std::deque<InputFrame> tick = {frame(0, 0.25f), frame(1, 0.5f)};
        trigger.process(tick);
        QCOMPARE(trigger.state(), Recording);
        QCOMPARE(trigger.reason(), QStringLiteral("Trigger level of sensor A1 [Level = 5.00000000]"));
        trigger.process(tick);
        QCOMPARE(readLines(s.fileName).mid(1),
                 (QStringList{QStringLiteral("Sensor A1 (kg);"), QStringLiteral("5.00000000;")}));
    }
};

QTEST_GUILESS_MAIN(TestTrigger)
#include "tst_trigger.moc"
