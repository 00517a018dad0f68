// The forced trigger that waits for the history (what kivratolm-capture
// uses by default): it fires right behind the frame that fills the history,
// wherever that frame falls in a tick, and a trigger of the board's that
// fires before it wins.
#include "CalibrationData.h"
#include "CaptureSession.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using KivraTolm::InputFrame;

namespace {

// Frame n: time stamp 1000 + 20 n, so a row names its frame; sensor A1 is 1
// in the frame given as `high`.
std::deque<InputFrame> frames(std::uint32_t first, int count, int high = -1) {
    std::deque<InputFrame> list;
    for (int i = 0; i < count; ++i) {
        InputFrame f;
        f.number = first + static_cast<std::uint32_t>(i);
        f.timestamp = 1000 + 20ULL * f.number;
        f.sensors[0][0] = static_cast<int>(f.number) == high ? 1.0f : 0.0f;
        list.push_back(f);
    }
    return list;
}

QList<int> loggedFrames(const QString& path) {
    QList<int> numbers;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return numbers;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (int i = 2; i < lines.size(); ++i) {
        if (!lines[i].isEmpty())
            numbers << static_cast<int>((lines[i].split(';').first().toULongLong() - 1000) / 20);
    }
    return numbers;
}

QList<int> range(int first, int count) {
    QList<int> list;
    for (int i = 0; i < count; ++i)
        list << first + i;
    return list;
}

} // namespace

class ForcedTriggerTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    CalibrationData calibration;

    QString log() const { return dir.filePath("forced.csv"); }

private slots:
    void init() { QFile::remove(log()); }

    void firesBehindTheFrameThatFillsTheHistory_data() {
        QTest::addColumn<int>("pre");
        QTest::addColumn<int>("tickSize");
        QTest::addColumn<int>("levelFrame"); // A1 crosses its level in this frame; -1: never
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("firstFrame");
        QTest::addColumn<int>("rows");
        QTest::newRow("no history: at once") << 0 << 7 << -1 << "Forced trigger" << 0 << 10;
        QTest::newRow("history filled across ticks") << 5 << 3 << -1 << "Forced trigger" << 0 << 15;
        QTest::newRow("history filled inside one tick") << 5 << 20 << -1 << "Forced trigger" << 0 << 15;
        QTest::newRow("history filled by a whole tick") << 5 << 5 << -1 << "Forced trigger" << 0 << 15;
        QTest::newRow("level fires first")
            << 5 << 20 << 2 << "Trigger level of sensor A1 [Level = 1.00000000]" << 0 << 12;
        QTest::newRow("level after the history is full") << 5 << 20 << 7 << "Forced trigger" << 0 << 15;
    }

    void firesBehindTheFrameThatFillsTheHistory() {
        QFETCH(int, pre);
        QFETCH(int, tickSize);
        QFETCH(int, levelFrame);
        QFETCH(QString, reason);
        QFETCH(int, firstFrame);
        QFETCH(int, rows);
        TriggerSettings settings;
        settings.fileName = log();
        settings.preTriggerSamples = pre;
        settings.captureSamples = 10;
        settings.logTimestamp = true;
        settings.levelTrigger[0] = true;
        settings.level[0] = 0.5f;
        CaptureSession session(settings, calibration, 0);
        session.forceWhenHistoryFull();

        std::uint32_t next = 0;
        for (int tick = 0; tick < 20 && !session.isDone(); ++tick) {
            std::deque<InputFrame> batch = frames(next, tickSize, levelFrame);
            next += static_cast<std::uint32_t>(tickSize);
            session.feed(batch);
        }
        QVERIFY(session.isDone());
        QCOMPARE(session.reason(), reason);
        QCOMPARE(loggedFrames(log()), range(firstFrame, rows));
        QCOMPARE(session.finish().rowsWritten, rows);
    }

    // Asked for once frames have been fed: the history is full already.
    void askedForLaterFiresAtOnce() {
        TriggerSettings settings;
        settings.fileName = log();
        settings.preTriggerSamples = 5;
        settings.captureSamples = 10;
        settings.logTimestamp = true;
        CaptureSession session(settings, calibration, 0);
        std::deque<InputFrame> batch = frames(0, 8);
        session.feed(batch);
        QCOMPARE(session.state(), Armed);
        session.forceWhenHistoryFull();
        QCOMPARE(session.state(), Recording);
        batch = frames(8, 20);
        session.feed(batch);
        QVERIFY(session.isDone());
        QCOMPARE(loggedFrames(log()), range(3, 15));
    }
};

QTEST_GUILESS_MAIN(ForcedTriggerTest)
#include "tst_forcedtrigger.moc"
