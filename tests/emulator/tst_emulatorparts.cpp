// Parts of the emulator with their own arithmetic: pacing by the clock,
// the trigger pulses, the frame queue and the cutting of texts.
#include "FramePacer.h"
#include "FrameQueue.h"
#include "PulseTrain.h"
#include "SignalGenerator.h"
#include "TextBuffer.h"

#include <QtTest>

#include <limits>

using namespace KivraTolmEmulator;
using namespace std::chrono;

class EmulatorPartsTest : public QObject {
    Q_OBJECT

private slots:
    void pacerNeitherStallsNorDrifts_data() {
        QTest::addColumn<double>("rate");
        QTest::addColumn<qint64>("stepNs");
        QTest::addColumn<qint64>("inAnHour");
        QTest::newRow("3/s in 1 ms steps") << 3.0 << qint64(1000000) << qint64(10800);
        QTest::newRow("29.97/s in 7 ms steps") << 29.97 << qint64(7000000) << qint64(107892);
        QTest::newRow("1000/s in 10 ms steps") << 1000.0 << qint64(10000000) << qint64(3600000);
        QTest::newRow("0.5/s in 333 ms steps") << 0.5 << qint64(333000000) << qint64(1800);
        QTest::newRow("7777/s in 1.3 ms steps") << 7777.0 << qint64(1300000) << qint64(27997200);
    }

    void pacerNeitherStallsNorDrifts() {
        QFETCH(double, rate);
        QFETCH(qint64, stepNs);
        QFETCH(qint64, inAnHour);
        FramePacer pacer;
        const FramePacer::Clock::time_point start{};
        pacer.start(start, rate);
        std::uint64_t previous = 0;
        const qint64 totalNs = 100LL * 1000000000LL; // 100 s asked in small steps
        for (qint64 t = 0; t <= totalNs; t += stepNs) {
            const std::uint64_t due = pacer.framesDue(start + nanoseconds(t));
            QVERIFY(due >= previous);
            // At most one frame apart from the exact count, never further.
            const double exact = static_cast<double>(t) * rate / 1e9;
            QVERIFY(std::fabs(static_cast<double>(due) - exact) < 1.0);
            previous = due;
        }
        QCOMPARE(pacer.framesDue(start + hours(1)), static_cast<std::uint64_t>(inAnHour));
        QCOMPARE(pacer.framesDue(start - seconds(1)), std::uint64_t(0));
    }

    void pulses_data() {
        QTest::addColumn<double>("periodMs");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("pulses");
        QTest::addColumn<int>("level");
        QTest::newRow("start") << 100.0 << 0.0 << 0 << 0;
        QTest::newRow("just before the first") << 100.0 << 0.099 << 0 << 0;
        QTest::newRow("on the first") << 100.0 << 0.1 << 1 << 1;
        QTest::newRow("on the third (0.3 / 0.1)") << 100.0 << 0.3 << 3 << 1;
        QTest::newRow("after the pulse") << 100.0 << 0.36 << 3 << 0;
        QTest::newRow("long period, pulse width 100 ms") << 1000.0 << 2.09 << 2 << 1;
        QTest::newRow("long period, after the pulse") << 1000.0 << 2.2 << 2 << 0;
        QTest::newRow("no pulses") << 0.0 << 5.0 << 0 << 0;
    }

    void pulses() {
        QFETCH(double, periodMs);
        QFETCH(double, seconds);
        QFETCH(int, pulses);
        QFETCH(int, level);
        const PulseTrain train(periodMs);
        QCOMPARE(train.pulsesUpTo(seconds), static_cast<std::uint64_t>(pulses));
        QCOMPARE(train.level(seconds), static_cast<std::uint32_t>(level));
    }

    // A stream started at a tiny rate puts later frames beyond any 64-bit
    // pulse count.
    void pulsesSaturate() {
        const PulseTrain train(1000);
        QCOMPARE(train.pulsesUpTo(1e60), std::numeric_limits<std::uint64_t>::max());
    }

    // Line n of port p toggles every 1 + 0.5 n + 0.25 p seconds, starting low.
    void externalLines_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<uint>("levels");
        QTest::newRow("start") << 0.0 << 0u;
        QTest::newRow("line 0 high") << 1.2 << 0x1u;
        QTest::newRow("lines 0 and 1 high") << 1.6 << 0x3u;
        QTest::newRow("line 0 low again, 1..3 high") << 2.6 << 0xEu;
        QTest::newRow("any frame time, however late") << 1e300 << 0x0u;
    }
    void externalLines() {
        QFETCH(double, seconds);
        QFETCH(uint, levels);
        const SignalGenerator generator{BoardConfig()};
        QCOMPARE(generator.externalLines(0, 4, seconds), levels);
    }

    void queueKeepsOrder() {
        FrameQueue queue(3, 2);
        for (int n = 0; n < 5; ++n) {
            const float floats[3] = {float(n), float(n) + 0.1f, float(n) + 0.2f};
            const std::uint32_t words[2] = {std::uint32_t(n), std::uint32_t(n + 100)};
            queue.push(floats, words);
        }
        float floats[3 * 4] = {};
        std::uint32_t words[2 * 4] = {};
        QCOMPARE(queue.take(2, floats, words), std::size_t(2));
        QCOMPARE(floats[3], 1.0f);
        QCOMPARE(words[3], 101u);
        QCOMPARE(queue.take(4, floats, words), std::size_t(3));
        QCOMPARE(floats[0], 2.0f);
        QCOMPARE(floats[8], 4.2f);
        QCOMPARE(words[5], 104u);
        QCOMPARE(queue.size(), std::size_t(0));
    }

    void fitText_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("max");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("fits") << QByteArray("abc") << 3 << QByteArray("abc");
        QTest::newRow("ascii cut") << QByteArray("abcdef") << 4 << QByteArray("abcd");
        QTest::newRow("two-byte character kept whole") << QByteArray("ab\xC3\xA9") << 3 << QByteArray("ab");
        QTest::newRow("three-byte character kept whole") << QByteArray("a\xE2\x82\xAC") << 3 << QByteArray("a");
        QTest::newRow("character just fits") << QByteArray("a\xE2\x82\xAC!") << 4 << QByteArray("a\xE2\x82\xAC");
    }

    void fitText() {
        QFETCH(QByteArray, text);
        QFETCH(int, max);
        QFETCH(QByteArray, expected);
        QCOMPARE(QByteArray::fromStdString(KivraTolmEmulator::fitText(text.toStdString(), std::size_t(max))), expected);
    }
};

QTEST_GUILESS_MAIN(EmulatorPartsTest)
#include "tst_emulatorparts.moc"
