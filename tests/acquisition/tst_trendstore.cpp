#include "TrendStore.h"

#include <QTest>

using KivraTolm::InputFrame;
using KivraTolm::TrendStore;
namespace TrendChannel = KivraTolm::TrendChannel;

namespace {

// Frame n of a known pattern: every channel holds a value that names the
// frame, so a lost, repeated or reordered frame shows.
InputFrame patternFrame(std::uint64_t n, std::int64_t periodMs, std::uint64_t firstCounter = 0) {
    InputFrame frame;
    frame.number = static_cast<std::uint32_t>(n);
    frame.timestamp = 1700000000000ull + n * static_cast<std::uint64_t>(periodMs);
    for (int index = 0; index < 64; ++index)
        frame.sensors[index / 8][index % 8] = static_cast<float>((n + static_cast<std::uint64_t>(index)) % 1000);
    for (int input = 0; input < 4; ++input)
        frame.analog[input] = static_cast<float>(n % 100) / 10.0f + static_cast<float>(input);
    frame.counter = firstCounter + n;
    return frame;
}

} // namespace

class TstTrendStore : public QObject {
    Q_OBJECT

private slots:
    void keepsExactlyTheSpan_data();
    void keepsExactlyTheSpan();
    void everyChannelKeepsItsFramesInOrder();
    void runsCoverTheSamplesOnceInOrder();
    void boundIsTenMinutesAtTheHighestRate();
    void gapsBreakTheTrace_data();
    void gapsBreakTheTrace();
};

void TstTrendStore::keepsExactlyTheSpan_data() {
    QTest::addColumn<int>("periodMs");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("expectedSize");

    const int full = static_cast<int>(TrendStore::defaultCapacity);
    // 250 frames/s: the span and the capacity agree exactly.
    QTest::newRow("250/s, 11 min") << 4 << 165000 << full << 150000;
    QTest::newRow("250/s, under the span") << 4 << 1000 << full << 1000;
    // Slower: the span bounds it long before the capacity.
    QTest::newRow("50/s, 11 min") << 20 << 33000 << full << 30000;
    QTest::newRow("10/s, 12 min") << 100 << 7200 << full << 6000;
    // A small capacity bounds it before the span.
    QTest::newRow("capacity 100") << 4 << 1000 << 100 << 100;
}

void TstTrendStore::keepsExactlyTheSpan() {
    QFETCH(int, periodMs);
    QFETCH(int, frames);
    QFETCH(int, capacity);
    QFETCH(int, expectedSize);

    TrendStore store(TrendStore::longestSpanMs, static_cast<std::size_t>(capacity));
    for (int n = 0; n < frames; ++n)
        store.append(patternFrame(static_cast<std::uint64_t>(n), periodMs));

    QCOMPARE(store.size(), static_cast<std::size_t>(expectedSize));
    // The oldest are dropped: what is kept is the newest frames.
    const std::uint64_t firstKept = static_cast<std::uint64_t>(frames - expectedSize);
    QCOMPARE(store.counterAt(0), firstKept);
    QCOMPARE(store.counterAt(store.size() - 1), static_cast<std::uint64_t>(frames - 1));
    QVERIFY(store.timeAt(store.size() - 1) - store.timeAt(0) < TrendStore::longestSpanMs);
}

void TstTrendStore::everyChannelKeepsItsFramesInOrder() {
    // Wraps the ring several times; a counter past 32 bits stays exact.
    const std::uint64_t firstCounter = (1ull << 40) + 7;
    TrendStore store(1000, 300);
    const int frames = 1000;
    // Statistics that name their frame and figure.
    const auto statisticsOf = [](std::uint64_t n) {
        KivraTolm::TrendStatistics statistics;
        for (std::size_t figure = 0; figure < statistics.size(); ++figure)
            statistics[figure] = static_cast<float>(n * 10 + figure);
        return statistics;
    };
    for (int n = 0; n < frames; ++n)
        store.append(patternFrame(static_cast<std::uint64_t>(n), 4, firstCounter),
                     statisticsOf(static_cast<std::uint64_t>(n)));

    QCOMPARE(store.size(), std::size_t(250)); // 1000 ms at 4 ms
    for (std::size_t i = 0; i < store.size(); ++i) {
        const std::uint64_t n = static_cast<std::uint64_t>(frames) - store.size() + i;
        const InputFrame expected = patternFrame(n, 4, firstCounter);
        QCOMPARE(store.timeAt(i), static_cast<std::int64_t>(expected.timestamp));
        QCOMPARE(store.counterAt(i), expected.counter);
        for (int index = 0; index < 64; ++index)
            QCOMPARE(store.valueAt(index, i), static_cast<double>(expected.sensors[index / 8][index % 8]));
        for (int input = 0; input < 4; ++input)
            QCOMPARE(store.valueAt(TrendChannel::firstAnalog + input, i), static_cast<double>(expected.analog[input]));
        for (int figure = 0; figure < TrendChannel::statisticCount; ++figure)
            QCOMPARE(store.valueAt(TrendChannel::firstStatistic + figure, i),
                     static_cast<double>(statisticsOf(n)[static_cast<std::size_t>(figure)]));
    }
}

void TstTrendStore::runsCoverTheSamplesOnceInOrder() {
    TrendStore store(1000000, 64);
    for (int n = 0; n < 100; ++n) // wrapped: the oldest kept sits in the middle of the ring
        store.append(patternFrame(static_cast<std::uint64_t>(n), 4));
    for (const auto& range : {std::pair<std::size_t, std::size_t>{0, 64}, {10, 50}, {30, 40}, {5, 5}}) {
        std::vector<std::int64_t> seen;
        for (const KivraTolm::RingRun& run : store.runs(range.first, range.second))
            seen.insert(seen.end(), store.timeData() + run.begin, store.timeData() + run.begin + run.count);
        QCOMPARE(seen.size(), range.second - range.first);
        for (std::size_t i = 0; i < seen.size(); ++i)
            QCOMPARE(seen[i], store.timeAt(range.first + i));
    }
}

void TstTrendStore::boundIsTenMinutesAtTheHighestRate() {
    TrendStore store;
    QCOMPARE(store.capacity(), std::size_t(150000));
    // 74 floats (sensors, inputs, statistics), a 64-bit time stamp and a
    // 64-bit counter per frame: the figure the user guide gives.
    QCOMPARE(store.largestBytes(), std::size_t(46800000));
}

void TstTrendStore::gapsBreakTheTrace_data() {
    // Frames as the engine numbers and stamps them, ms after the first.
    QTest::addColumn<QVector<int>>("numbers");
    QTest::addColumn<QVector<int>>("times");
    QTest::addColumn<int>("spanMs");
    QTest::addColumn<QVector<int>>("expectedGaps");

    const int span = static_cast<int>(TrendStore::longestSpanMs);
    QTest::newRow("one stream, 50/s") << QVector<int>{0, 1, 2, 3} << QVector<int>{0, 20, 40, 60} << span
                                      << QVector<int>{};
    QTest::newRow("sample to sample, every 10 s")
        << QVector<int>{0, 100, 200} << QVector<int>{0, 10000, 20000} << span << QVector<int>{};
    // The network board stopped for 50 s, then Retry: the engine numbers
    // from 0 again.
    QTest::newRow("engine started again after 50 s")
        << QVector<int>{0, 1, 2, 0, 1} << QVector<int>{0, 20, 40, 50040, 50060} << span << QVector<int>{3};
    QTest::newRow("engine started again at once")
        << QVector<int>{0, 1, 2, 0, 1} << QVector<int>{0, 20, 40, 60, 80} << span << QVector<int>{3};
    QTest::newRow("numbers go on, time jumps")
        << QVector<int>{0, 1, 2, 3, 4} << QVector<int>{0, 20, 40, 5000, 5020} << span << QVector<int>{3};
    QTest::newRow("time goes back") << QVector<int>{0, 1, 2, 3} << QVector<int>{0, 20, 40, 10} << span
                                    << QVector<int>{3};
    QTest::newRow("two gaps") << QVector<int>{0, 1, 0, 1, 0} << QVector<int>{0, 20, 9000, 9020, 20000} << span
                              << QVector<int>{2, 4};
    // Only the frames after the gap are still kept: it went with the one before.
    QTest::newRow("gap older than the span")
        << QVector<int>{0, 1, 0, 1, 2} << QVector<int>{0, 20, 50000, 50020, 50040} << 1000 << QVector<int>{};
}

void TstTrendStore::gapsBreakTheTrace() {
    QFETCH(QVector<int>, numbers);
    QFETCH(QVector<int>, times);
    QFETCH(int, spanMs);
    QFETCH(QVector<int>, expectedGaps);

    TrendStore store(spanMs);
    for (int i = 0; i < numbers.size(); ++i) {
        InputFrame frame = patternFrame(0, 0);
        frame.number = static_cast<std::uint32_t>(numbers[i]);
        frame.timestamp = 1700000000000ull + static_cast<std::uint64_t>(times[i]);
        store.append(frame);
    }
    std::vector<std::size_t> expected;
    for (const int gap : expectedGaps)
        expected.push_back(static_cast<std::size_t>(gap));
    QCOMPARE(store.gapsIn(0, store.size()), expected);
    // Only those within the range asked for.
    if (!expected.empty())
        QCOMPARE(store.gapsIn(expected.back() + 1, store.size()), std::vector<std::size_t>());
}

QTEST_APPLESS_MAIN(TstTrendStore)
#include "tst_trendstore.moc"
