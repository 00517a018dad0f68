#include "TrendAxis.h"
#include "TrendReduction.h"
#include "TrendZoom.h"

#include <QDateTime>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <random>

Q_DECLARE_METATYPE(std::vector<double>)

class TstTrendMaths : public QObject {
    Q_OBJECT

private slots:
    void reductionKeepsEveryExtreme_data();
    void reductionKeepsEveryExtreme();
    void reductionOfTwoRunsEqualsOneRun();
    void columnsAfterGaps_data();
    void columnsAfterGaps();
    void everyRowOfALogIsDrawn_data();
    void everyRowOfALogIsDrawn();
    void nearestSample_data();
    void nearestSample();
    void niceStep_data();
    void niceStep();
    void niceRangeHoldsTheValues_data();
    void niceRangeHoldsTheValues();
    void timeStep_data();
    void timeStep();
    void timeTicksFallOnWholeLocalUnits_data();
    void timeTicksFallOnWholeLocalUnits();
    void ticksOnTheLocalClock();
    void zoomKeepsTheAnchor_data();
    void zoomKeepsTheAnchor();
    void dragAndBoxViews_data();
    void dragAndBoxViews();
    void keptEnd_data();
    void keptEnd();
    void framePeriod_data();
    void framePeriod();
    void rowsBetweenCursors_data();
    void rowsBetweenCursors();
};

void TstTrendMaths::reductionKeepsEveryExtreme_data() {
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("periodMs");
    QTest::addColumn<bool>("withNaN");

    // 1 min at 250 frames/s on 1000 columns: 15 samples per column.
    QTest::newRow("dense") << 15000 << 1000 << 4 << false;
    // 10 min at 250 frames/s: 150 per column.
    QTest::newRow("very dense") << 150000 << 1000 << 4 << false;
    // 10 s at 10 frames/s: most columns empty.
    QTest::newRow("sparse") << 100 << 1000 << 100 << false;
    QTest::newRow("with values that are not numbers") << 5000 << 250 << 4 << true;
}

void TstTrendMaths::reductionKeepsEveryExtreme() {
    QFETCH(int, samples);
    QFETCH(int, columns);
    QFETCH(int, periodMs);
    QFETCH(bool, withNaN);

    std::mt19937 random(42);
    std::normal_distribution<float> noise(0.0f, 10.0f);
    std::vector<std::int64_t> times(static_cast<std::size_t>(samples));
    std::vector<float> values(times.size());
    for (std::size_t i = 0; i < times.size(); ++i) {
        times[i] = 1000000 + static_cast<std::int64_t>(i) * periodMs;
        values[i] = noise(random);
        // Single spikes, one sample wide, that a column must not lose.
        if (i % 997 == 3)
            values[i] = 1000.0f + static_cast<float>(i);
        if (i % 991 == 5)
            values[i] = -1000.0f - static_cast<float>(i);
        if (withNaN && i % 7 == 0)
            values[i] = std::numeric_limits<float>::quiet_NaN();
    }
    ColumnScale scale;
    scale.start = 1000000;
    scale.columns = columns;
    scale.msPerColumn = static_cast<double>(samples) * periodMs / columns;
    std::vector<ColumnExtent> extents(static_cast<std::size_t>(columns));
    reduceIntoColumns(times.data(), values.data(), times.size(), scale, extents);

    // The same by brute force: each column's samples in order.
    std::vector<std::vector<float>> perColumn(static_cast<std::size_t>(columns));
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (std::isnan(values[i]))
            continue;
        const int column =
            static_cast<int>((times[i] - 1000000) * columns / (static_cast<std::int64_t>(samples) * periodMs));
        perColumn[static_cast<std::size_t>(column)].push_back(values[i]);
    }
    for (std::size_t c = 0; c < perColumn.size(); ++c) {
        const std::vector<float>& inColumn = perColumn[c];
        QCOMPARE(extents[c].empty, inColumn.empty());
        if (inColumn.empty())
            continue;
        QCOMPARE(extents[c].min, static_cast<double>(*std::min_element(inColumn.begin(), inColumn.end())));
        QCOMPARE(extents[c].max, static_cast<double>(*std::max_element(inColumn.begin(), inColumn.end())));
        QCOMPARE(extents[c].first, static_cast<double>(inColumn.front()));
        QCOMPARE(extents[c].last, static_cast<double>(inColumn.back()));
    }
}

void TstTrendMaths::reductionOfTwoRunsEqualsOneRun() {
    // A ring hands its samples over in two runs.
    std::vector<std::int64_t> times;
    std::vector<double> values;
    for (int i = 0; i < 1000; ++i) {
        times.push_back(i * 3);
        values.push_back(std::sin(i * 0.05) * 100.0);
    }
    const ColumnScale scale{0.0, 3000.0 / 97, 97};
    std::vector<ColumnExtent> once(97);
    reduceIntoColumns(times.data(), values.data(), times.size(), scale, once);
    std::vector<ColumnExtent> twice(97);
    reduceIntoColumns(times.data(), values.data(), 419, scale, twice);
    reduceIntoColumns(times.data() + 419, values.data() + 419, times.size() - 419, scale, twice);
    for (std::size_t c = 0; c < once.size(); ++c) {
        QCOMPARE(twice[c].empty, once[c].empty);
        QCOMPARE(twice[c].min, once[c].min);
        QCOMPARE(twice[c].max, once[c].max);
        QCOMPARE(twice[c].first, once[c].first);
        QCOMPARE(twice[c].last, once[c].last);
    }
}

void TstTrendMaths::columnsAfterGaps_data() {
    // 10 columns of 100 ms from 0.
    QTest::addColumn<qint64>("before");
    QTest::addColumn<qint64>("after");
    QTest::addColumn<int>("brokenColumn"); // -1: none

    QTest::newRow("across columns") << qint64(220) << qint64(640) << 6;
    QTest::newRow("into the next column") << qint64(299) << qint64(300) << 3;
    QTest::newRow("within one column") << qint64(410) << qint64(490) << -1;
    QTest::newRow("from before the view") << qint64(-5000) << qint64(30) << 0;
    QTest::newRow("after the view") << qint64(900) << qint64(50000) << -1;
}

void TstTrendMaths::columnsAfterGaps() {
    QFETCH(qint64, before);
    QFETCH(qint64, after);
    QFETCH(int, brokenColumn);
    const ColumnScale scale{0.0, 100.0, 10};
    std::vector<bool> expected(10, false);
    if (brokenColumn >= 0)
        expected[static_cast<std::size_t>(brokenColumn)] = true;
    QCOMPARE(::columnsAfterGaps(scale, {{before, after}}), expected);
}

void TstTrendMaths::everyRowOfALogIsDrawn_data() {
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<bool>("rowNumbers"); // else time stamps 4 ms apart
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("1 row") << QVector<double>{3.0} << false;
    QTest::newRow("2 rows") << QVector<double>{1.0, 2.0} << false;
    QTest::newRow("5 rows") << QVector<double>{1.0, 2.0, 3.0, 4.0, 5.0} << false;
    QTest::newRow("5 rows against row numbers") << QVector<double>{1.0, 2.0, 3.0, 4.0, 5.0} << true;
    QTest::newRow("1 row against row numbers") << QVector<double>{3.0} << true;
    QTest::newRow("nan") << QVector<double>{1.0, nan, 3.0} << false;
    QTest::newRow("inf and -inf") << QVector<double>{1.0, inf, 2.0, -inf, 3.0} << true;
    QTest::newRow("nothing but nan") << QVector<double>{nan, nan} << false;
}

// The view of a whole log: every row in a column of its own, the axis not
// before the first row, and values that are no number out of the extremes,
// marking where the trace breaks.
void TstTrendMaths::everyRowOfALogIsDrawn() {
    QFETCH(QVector<double>, values);
    QFETCH(bool, rowNumbers);
    std::vector<std::int64_t> times;
    for (int i = 0; i < values.size(); ++i)
        times.push_back(rowNumbers ? i : 1700000000000 + 4 * i);
    const TrendWindow window = windowHolding(static_cast<double>(times.front()), static_cast<double>(times.back()));
    ColumnScale scale;
    scale.columns = 700;
    scale.start = window.end - window.span;
    scale.msPerColumn = window.span / scale.columns;
    std::vector<ColumnExtent> extents(static_cast<std::size_t>(scale.columns));
    reduceIntoColumns(times.data(), values.data(), times.size(), scale, extents);

    QVERIFY(scale.start > static_cast<double>(times.front()) - 1.0);
    int drawn = 0;
    int broken = 0;
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const ColumnExtent& extent : extents) {
        broken += extent.noValue ? 1 : 0;
        if (extent.empty)
            continue;
        ++drawn;
        low = std::min(low, extent.min);
        high = std::max(high, extent.max);
    }
    QVector<double> finite;
    std::copy_if(values.begin(), values.end(), std::back_inserter(finite), [](double v) { return std::isfinite(v); });
    QCOMPARE(drawn, finite.size());
    QCOMPARE(broken, values.size() - finite.size());
    if (!finite.isEmpty()) {
        QCOMPARE(low, *std::min_element(finite.begin(), finite.end()));
        QCOMPARE(high, *std::max_element(finite.begin(), finite.end()));
    }
    // The last row lies inside the plot, not on its edge.
    const int lastColumn = scale.columnOf(static_cast<double>(times.back()));
    QVERIFY(lastColumn < scale.columns - 1 || scale.columns == 1);
    QVERIFY(scale.columnOf(static_cast<double>(times.front())) > 0);
}

void TstTrendMaths::nearestSample_data() {
    QTest::addColumn<double>("time");
    QTest::addColumn<int>("expected");

    // Samples at 0, 10, 20, 40.
    QTest::newRow("before the first") << -5.0 << 0;
    QTest::newRow("on a sample") << 10.0 << 1;
    QTest::newRow("nearer the earlier") << 14.0 << 1;
    QTest::newRow("half way takes the earlier") << 15.0 << 1;
    QTest::newRow("nearer the later") << 16.0 << 2;
    QTest::newRow("in a wide gap") << 31.0 << 3;
    QTest::newRow("after the last") << 1000.0 << 3;
}

void TstTrendMaths::nearestSample() {
    QFETCH(double, time);
    QFETCH(int, expected);
    const std::vector<std::int64_t> times = {0, 10, 20, 40};
    QCOMPARE(::nearestSample(
                 times.size(), [&](std::size_t i) { return times[i]; }, time),
             static_cast<std::size_t>(expected));
}

void TstTrendMaths::niceStep_data() {
    QTest::addColumn<double>("range");
    QTest::addColumn<int>("maxTicks");
    QTest::addColumn<double>("expected");

    QTest::newRow("10 in 5") << 10.0 << 5 << 2.0;
    QTest::newRow("10 in 10") << 10.0 << 10 << 1.0;
    QTest::newRow("1 in 10") << 1.0 << 10 << 0.1;
    QTest::newRow("7 in 7") << 7.0 << 7 << 1.0;
    QTest::newRow("7 in 6") << 7.0 << 6 << 2.0;
    QTest::newRow("1000 in 4") << 1000.0 << 4 << 500.0;
    QTest::newRow("0.013 in 5") << 0.013 << 5 << 0.005;
    QTest::newRow("counter 1e12 in 5") << 1e12 << 5 << 2e11;
    QTest::newRow("empty range") << 0.0 << 5 << 1.0;
    QTest::newRow("not a number") << std::nan("") << 5 << 1.0;
}

void TstTrendMaths::niceStep() {
    QFETCH(double, range);
    QFETCH(int, maxTicks);
    QFETCH(double, expected);
    QCOMPARE(TrendAxis::niceStep(range, maxTicks), expected);
}

void TstTrendMaths::niceRangeHoldsTheValues_data() {
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("step");

    QTest::newRow("0.3 .. 9.7") << 0.3 << 9.7 << 2.0;
    QTest::newRow("negative") << -42.0 << -3.0 << 10.0;
    QTest::newRow("around zero") << -0.7 << 0.2 << 0.2;
    QTest::newRow("flat at 5") << 5.0 << 5.0 << 0.2;
    QTest::newRow("flat at 0") << 0.0 << 0.0 << 0.5;
}

void TstTrendMaths::niceRangeHoldsTheValues() {
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, step);
    const TrendAxis::ValueRange range = TrendAxis::niceRange(low, high, 5);
    QCOMPARE(range.step, step);
    QVERIFY(range.low <= low);
    QVERIFY(range.high >= high);
    QVERIFY(range.high > range.low);
    // The ends are whole steps and the ticks run from end to end.
    const QVector<double> ticks = TrendAxis::valueTicks(range);
    QVERIFY(qFuzzyCompare(ticks.front() + 1.0, range.low + 1.0));
    QVERIFY(qFuzzyCompare(ticks.back() + 1.0, range.high + 1.0));
    QVERIFY(ticks.size() <= 7);
}

void TstTrendMaths::timeStep_data() {
    QTest::addColumn<double>("spanMs");
    QTest::addColumn<int>("maxTicks");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("10 s in 10") << 10000.0 << 10 << qint64(1000);
    QTest::newRow("10 s in 8") << 10000.0 << 8 << qint64(2000);
    QTest::newRow("1 min in 10") << 60000.0 << 10 << qint64(10000);
    QTest::newRow("1 min in 5") << 60000.0 << 5 << qint64(15000);
    QTest::newRow("10 min in 10") << 600000.0 << 10 << qint64(60000);
    QTest::newRow("10 min in 4") << 600000.0 << 4 << qint64(300000);
    QTest::newRow("100 ms in 10") << 100.0 << 10 << qint64(10);
    QTest::newRow("a week") << 7 * 86400000.0 << 3 << qint64(86400000);
}

void TstTrendMaths::timeStep() {
    QFETCH(double, spanMs);
    QFETCH(int, maxTicks);
    QFETCH(qint64, expected);
    QCOMPARE(static_cast<qint64>(TrendAxis::timeStep(spanMs, maxTicks)), expected);
}

void TstTrendMaths::timeTicksFallOnWholeLocalUnits_data() {
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<qint64>("step");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QVector<qint64>>("expected");

    QTest::newRow("seconds at UTC") << 1000500.0 << 1004000.0 << qint64(1000) << 0
                                    << QVector<qint64>{1001000, 1002000, 1003000, 1004000};
    // Half an hour ahead of UTC: whole local hours are half past in UTC.
    QTest::newRow("hours at +0:30") << 0.0 << 7200000.0 << qint64(3600000) << 1800 << QVector<qint64>{1800000, 5400000};
    // Behind UTC.
    QTest::newRow("hours at -5:00") << 0.0 << 7200000.0 << qint64(3600000) << -18000
                                    << QVector<qint64>{0, 3600000, 7200000};
    QTest::newRow("15 s at +5:45") << 10000.0 << 40000.0 << qint64(15000) << 20700 << QVector<qint64>{15000, 30000};
    QTest::newRow("end before start") << 10.0 << 5.0 << qint64(1) << 0 << QVector<qint64>{};
}

void TstTrendMaths::timeTicksFallOnWholeLocalUnits() {
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(qint64, step);
    QFETCH(int, offset);
    QFETCH(QVector<qint64>, expected);
    QVector<qint64> ticks;
    for (const std::int64_t tick : TrendAxis::timeTicks(start, end, step, offset))
        ticks.append(tick);
    QCOMPARE(ticks, expected);
}

void TstTrendMaths::ticksOnTheLocalClock() {
    // Whatever the machine's zone, minute ticks read whole minutes on its clock.
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    const int offset = QDateTime::fromMSecsSinceEpoch(start).offsetFromUtc();
    const QVector<std::int64_t> ticks = TrendAxis::timeTicks(start, start + 600000.0, 60000, offset);
    QVERIFY(ticks.size() >= 9);
    for (const std::int64_t tick : ticks) {
        QVERIFY(TrendAxis::timeLabel(tick, 60000).endsWith(QLatin1String(":00")));
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(tick).time().second(), 0);
    }
    QVERIFY(TrendAxis::timeLabel(ticks.front() + 250, 500).endsWith(QLatin1String(":00.250")));
}

void TstTrendMaths::zoomKeepsTheAnchor_data() {
    QTest::addColumn<int>("wheel");
    QTest::addColumn<double>("anchor");
    QTest::addColumn<double>("span");
    QTest::addColumn<double>("expectedSpan");

    // A view [0, 10000] ms; the narrowest 40 ms (10 frames at 250 frames/s),
    // the widest 600000 ms.
    QTest::newRow("a notch forward zooms in") << 120 << 5000.0 << 10000.0 << 8000.0;
    QTest::newRow("two notches forward") << 240 << 2500.0 << 10000.0 << 6400.0;
    QTest::newRow("a notch back zooms out") << -120 << 10000.0 << 10000.0 << 12500.0;
    QTest::newRow("not narrower than 10 frames") << 1200 << 100.0 << 200.0 << 40.0;
    QTest::newRow("not wider than the widest") << -1200 << 0.0 << 500000.0 << 600000.0;
}

void TstTrendMaths::zoomKeepsTheAnchor() {
    QFETCH(int, wheel);
    QFETCH(double, anchor);
    QFETCH(double, span);
    QFETCH(double, expectedSpan);
    const TrendWindow before{span, span};
    const TrendWindow after = TrendZoom::zoomAround(before, anchor, TrendZoom::wheelFactor(wheel), 40.0, 600000.0);
    QVERIFY2(std::abs(after.span - expectedSpan) < 1e-6, qPrintable(QString::number(after.span)));
    // The time under the pointer stays at its place across the plot.
    const auto share = [anchor](const TrendWindow& view) {
        return (anchor - (view.end - view.span)) / view.span;
    };
    QVERIFY(std::abs(share(after) - share(before)) < 1e-12);
}

void TstTrendMaths::dragAndBoxViews_data() {
    QTest::addColumn<bool>("box");
    QTest::addColumn<double>("a"); // pixels dragged, or the box's first time
    QTest::addColumn<double>("b"); // -, or its second time
    QTest::addColumn<double>("end");
    QTest::addColumn<double>("span");

    // Drags over a view [0, 10000] on a plot 1000 pixels wide.
    QTest::newRow("drag right shows earlier times") << false << 100.0 << 0.0 << 9000.0 << 10000.0;
    QTest::newRow("drag left shows later times") << false << -250.0 << 0.0 << 12500.0 << 10000.0;
    // Boxes, the narrowest view 40.
    QTest::newRow("box left to right") << true << 2000.0 << 3000.0 << 3000.0 << 1000.0;
    QTest::newRow("box right to left") << true << 3000.0 << 2000.0 << 3000.0 << 1000.0;
    QTest::newRow("narrow box widened about its middle") << true << 100.0 << 110.0 << 125.0 << 40.0;
}

void TstTrendMaths::dragAndBoxViews() {
    QFETCH(bool, box);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, end);
    QFETCH(double, span);
    const TrendWindow view = box ? TrendZoom::boxWindow(a, b, 40.0) : TrendZoom::panBy({10000.0, 10000.0}, a, 1000);
    QCOMPARE(view.end, end);
    QCOMPARE(view.span, span);
}

void TstTrendMaths::keptEnd_data() {
    QTest::addColumn<double>("end");
    QTest::addColumn<double>("span");
    QTest::addColumn<double>("expected");

    // Data from 1000 to 5000.
    QTest::newRow("inside stays") << 3000.0 << 1000.0 << 3000.0;
    QTest::newRow("past the last") << 9000.0 << 1000.0 << 5000.0;
    QTest::newRow("before the first") << 1200.0 << 1000.0 << 2000.0;
    QTest::newRow("wider than the data holds it all") << 4000.0 << 8000.0 << 5000.0;
    QTest::newRow("wider, far out") << 20000.0 << 8000.0 << 9000.0;
}

void TstTrendMaths::keptEnd() {
    QFETCH(double, end);
    QFETCH(double, span);
    QFETCH(double, expected);
    QCOMPARE(TrendZoom::keptEnd(end, span, 1000.0, 5000.0), expected);
}

void TstTrendMaths::framePeriod_data() {
    QTest::addColumn<std::vector<double>>("times");
    QTest::addColumn<double>("expected");

    std::vector<double> steady;
    std::vector<double> withGap;
    for (int i = 0; i < 33; ++i) {
        steady.push_back(1000.0 + i * 4);
        withGap.push_back(1000.0 + i * 4 + (i >= 20 ? 5000 : 0));
    }
    QTest::newRow("250 frames/s") << steady << 4.0;
    QTest::newRow("a gap does not count") << withGap << 4.0;
    QTest::newRow("one sample") << std::vector<double>{1000.0} << 1.0;
    QTest::newRow("rows") << std::vector<double>{0.0, 1.0, 2.0} << 1.0;
}

void TstTrendMaths::framePeriod() {
    QFETCH(std::vector<double>, times);
    QFETCH(double, expected);
    QCOMPARE(TrendZoom::framePeriod(times), expected);
}

void TstTrendMaths::rowsBetweenCursors_data() {
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");

    // Samples at 0, 10, 20, 40; each cursor reads its nearest one.
    QTest::newRow("in order") << 9.0 << 21.0 << 1 << 3;
    QTest::newRow("the other way round") << 21.0 << 9.0 << 1 << 3;
    QTest::newRow("beyond both ends") << -100.0 << 100.0 << 0 << 4;
}

void TstTrendMaths::rowsBetweenCursors() {
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(int, from);
    QFETCH(int, to);
    const std::vector<std::int64_t> times = {0, 10, 20, 40};
    const auto rows = TrendZoom::rowsBetween(
        times.size(), [&](std::size_t i) { return times[i]; }, a, b);
    QCOMPARE(rows.first, static_cast<std::size_t>(from));
    QCOMPARE(rows.second, static_cast<std::size_t>(to));
}

QTEST_APPLESS_MAIN(TstTrendMaths)
#include "tst_trendmaths.moc"
