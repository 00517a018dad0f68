#include "Theme.h"
#include "TrendChart.h"

#include <QDateTime>
#include <QLocale>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// Samples in plain vectors: one time line, values per channel.
class VectorSource : public TrendSource {
public:
    std::vector<std::int64_t> times;
    std::vector<std::vector<double>> channels;
    std::vector<std::size_t> gaps;

    std::size_t size() const override { return times.size(); }
    std::int64_t timeAt(std::size_t i) const override { return times[i]; }
    double valueAt(int channel, std::size_t i) const override { return channels[static_cast<std::size_t>(channel)][i]; }
    void reduce(int channel, std::size_t from, std::size_t to, const ColumnScale& scale,
                std::vector<ColumnExtent>& extents) const override {
        reduceIntoColumns(times.data() + from, channels[static_cast<std::size_t>(channel)].data() + from, to - from,
                          scale, extents);
    }
    std::vector<std::size_t> gapsIn(std::size_t from, std::size_t to) const override {
        std::vector<std::size_t> result;
        std::copy_if(gaps.begin(), gaps.end(), std::back_inserter(result),
                     [&](std::size_t i) { return i >= from && i < to; });
        return result;
    }
};

QImage shot(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// Rows of the plot in which column x has the given colour.
QVector<int> rowsWithColour(const QImage& image, int x, const QRect& plot, QColor colour) {
    QVector<int> rows;
    for (int y = plot.top() + 1; y < plot.bottom(); ++y) {
        if (image.pixelColor(x, y) == colour)
            rows.append(y);
    }
    return rows;
}

constexpr std::int64_t t0 = 1700000000000;

} // namespace

class TstTrendChart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void viewMapsTimeOntoThePlot_data();
    void viewMapsTimeOntoThePlot();
    void oneSampleSpikeIsPainted();
    void oneValueAxisPerUnit_data();
    void oneValueAxisPerUnit();
    void axisRangeCoversWhatTheViewShows();
    void cursorReadsTheNearestSample_data();
    void cursorReadsTheNearestSample();
    void cursorFollowsTheMouse();
    void markIsPaintedAtItsTime();
    void gapBreaksTheTrace_data();
    void gapBreaksTheTrace();
    void gesturesAskForViews_data();
    void gesturesAskForViews();
};

void TstTrendChart::initTestCase() {
    QLocale::setDefault(QLocale::c());
    applyTheme(Theme::dark());
}

void TstTrendChart::viewMapsTimeOntoThePlot_data() {
    QTest::addColumn<double>("span");
    QTest::newRow("10 s") << 10000.0;
    QTest::newRow("1 min") << 60000.0;
    QTest::newRow("10 min") << 600000.0;
}

void TstTrendChart::viewMapsTimeOntoThePlot() {
    QFETCH(double, span);
    TrendChart chart;
    chart.resize(900, 500);
    chart.setView(static_cast<double>(t0), span);
    const QRect plot = chart.plotRect();
    QCOMPARE(chart.timeAtX(plot.left()), static_cast<double>(t0) - span);
    QCOMPARE(chart.xAtTime(static_cast<double>(t0)), static_cast<double>(plot.left() + plot.width()));
    QCOMPARE(chart.xAtTime(static_cast<double>(t0) - span / 2), plot.left() + plot.width() / 2.0);
}

void TstTrendChart::oneSampleSpikeIsPainted() {
    // 1 min at 250 frames/s, flat at 0 but for one sample at 100 and one at
    // -100: each is 1 of some 15 samples of its pixel column.
    VectorSource source;
    source.channels.resize(1);
    for (int i = 0; i < 15000; ++i) {
        source.times.push_back(t0 + i * 4);
        source.channels[0].push_back(i == 7001 ? 100.0 : i == 3003 ? -100.0 : 0.0);
    }
    TrendChart chart;
    chart.resize(1000, 500);
    chart.setSource(&source, TrendChart::TimeAxis::LocalTime);
    chart.setTraces({{0, QStringLiteral("A1"), QStringLiteral("kg"), false}});
    chart.setView(static_cast<double>(source.times.back() + 4), 60000.0);
    const QRect plot = chart.plotRect();
    const QColor colour = currentTheme().traceColors.front();
    const QImage image = shot(chart);

    const std::vector<TrendValueAxis> axes = chart.valueAxes();
    QCOMPARE(axes.size(), std::size_t(1));
    QVERIFY(axes[0].range.low <= -100.0 && axes[0].range.high >= 100.0);
    const auto yOf = [&](double value) {
        return plot.bottom() + 1 -
               (value - axes[0].range.low) / (axes[0].range.high - axes[0].range.low) * plot.height();
    };
    for (const int spike : {7001, 3003}) {
        const int x = static_cast<int>(std::floor(chart.xAtTime(static_cast<double>(source.times[spike]))));
        const QVector<int> rows = rowsWithColour(image, x, plot, colour);
        QVERIFY2(!rows.isEmpty(), qPrintable(QString::number(x)));
        const double extreme = spike == 7001 ? yOf(100.0) : yOf(-100.0);
        // The stroke reaches the extreme's row.
        QVERIFY(std::abs((spike == 7001 ? rows.front() : rows.back()) - extreme) <= 1.5);
    }
    // A column without a spike stays at 0.
    const QVector<int> flat = rowsWithColour(image, plot.left() + 100, plot, colour);
    QVERIFY(!flat.isEmpty());
    QVERIFY(std::abs(flat.front() - yOf(0.0)) <= 1.5);
}

void TstTrendChart::oneValueAxisPerUnit_data() {
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<QStringList>("axes");
    QTest::newRow("one unit") << QStringList{"%", "%", "%"} << QStringList{"%"};
    QTest::newRow("sensors and inputs") << QStringList{"kg", "%", "V", "V"} << QStringList{"kg", "%", "V"};
    QTest::newRow("with the counter") << QStringList{"V", "Counter", "V"} << QStringList{"V", "Counter"};
}

void TstTrendChart::oneValueAxisPerUnit() {
    QFETCH(QStringList, units);
    QFETCH(QStringList, axes);
    VectorSource source;
    source.channels.resize(static_cast<std::size_t>(units.size()));
    std::vector<TrendTrace> traces;
    for (int i = 0; i < units.size(); ++i)
        traces.push_back({i, QStringLiteral("T%1").arg(i), units[i], false});
    TrendChart chart;
    chart.resize(800, 400);
    chart.setSource(&source, TrendChart::TimeAxis::LocalTime);
    chart.setTraces(traces);
    QStringList shown;
    int left = 0;
    for (const TrendValueAxis& axis : chart.valueAxes()) {
        shown.append(axis.unit);
        left += axis.left ? 1 : 0;
    }
    QCOMPARE(shown, axes);
    // Alternating sides: the plot leaves room for each.
    QCOMPARE(left, (axes.size() + 1) / 2);
    QVERIFY(chart.plotRect().left() >= left * 60);
    QVERIFY(chart.plotRect().right() <= chart.width() - (axes.size() - left) * 60);
}

void TstTrendChart::axisRangeCoversWhatTheViewShows() {
    VectorSource source;
    source.channels.resize(1);
    // A large value outside the view must not squash what is in it.
    for (int i = 0; i < 100; ++i) {
        source.times.push_back(t0 + i * 100);
        source.channels[0].push_back(i < 50 ? 1000.0 : 2.0 + (i % 3));
    }
    TrendChart chart;
    chart.resize(800, 400);
    chart.setSource(&source, TrendChart::TimeAxis::LocalTime);
    chart.setTraces({{0, QStringLiteral("AIn0"), QStringLiteral("V"), false}});
    chart.setView(static_cast<double>(t0 + 9900), 4000.0);
    const TrendAxis::ValueRange range = chart.valueAxes().front().range;
    QVERIFY(range.low <= 2.0 && range.low > 0.0);
    QVERIFY(range.high >= 4.0 && range.high < 10.0);
}

void TstTrendChart::cursorReadsTheNearestSample_data() {
    QTest::addColumn<double>("cursorAt");
    QTest::addColumn<int>("sample");
    QTest::newRow("on a sample") << 200.0 << 2;
    QTest::newRow("just after") << 230.0 << 2;
    QTest::newRow("just before") << 270.0 << 3;
    QTest::newRow("before the first") << -500.0 << 0;
    QTest::newRow("after the last") << 5000.0 << 9;
}

void TstTrendChart::cursorReadsTheNearestSample() {
    QFETCH(double, cursorAt);
    QFETCH(int, sample);
    VectorSource source;
    source.channels.resize(2);
    for (int i = 0; i < 10; ++i) {
        source.times.push_back(t0 + i * 100);
        source.channels[0].push_back(i * 1.5);
        source.channels[1].push_back(1000000 + i);
    }
    TrendChart chart;
    chart.resize(800, 400);
    chart.setSource(&source, TrendChart::TimeAxis::LocalTime);
    chart.setTraces({{0, QStringLiteral("B2"), QStringLiteral("kg"), false},
                     {1, QStringLiteral("Counter"), QStringLiteral("Counter"), true}});
    chart.setView(static_cast<double>(t0 + 1000), 10000.0);
    QVERIFY(chart.readout().time.isEmpty());
    chart.setCursorTime(static_cast<double>(t0) + cursorAt);
    const TrendReadout readout = chart.readout();
    QCOMPARE(readout.time, QDateTime::fromMSecsSinceEpoch(t0 + sample * 100).toString("yyyy-MM-dd hh:mm:ss.zzz"));
    QCOMPARE(readout.values, (QStringList{QStringLiteral("B2: %1 kg").arg(sample * 1.5, 0, 'f', 2),
                                          QStringLiteral("Counter: %1").arg(1000000 + sample)}));
    // A second cursor on sample 7: from it to the first, signed.
    chart.setSecondCursorTime(static_cast<double>(t0 + 720));
    const TrendDifference difference = chart.difference();
    QCOMPARE(difference.second.values, (QStringList{"B2: 10.50 kg", "Counter: 1000007"}));
    const QString sign = sample > 7 ? "+" : "";
    QCOMPARE(difference.time, sign + QStringLiteral("%1 s").arg((sample - 7) / 10.0, 0, 'f', 3));
    QCOMPARE(difference.values, (QStringList{"B2: " + sign + QStringLiteral("%1 kg").arg((sample - 7) * 1.5, 0, 'f', 2),
                                             "Counter: " + sign + QString::number(sample - 7)}));
    // The cursor's box puts each difference beside its value.
    const QStringList box = chart.cursorBoxLines();
    QCOMPARE(box.size(), 3);
    QCOMPARE(box[0], readout.time + QStringLiteral("   \u0394 ") + difference.time);
    QCOMPARE(box[1], readout.values[0] + QStringLiteral("   \u0394 ") + difference.values[0].mid(4));
    chart.setCursorTime(std::nullopt);
    QVERIFY(chart.readout().values.isEmpty());
    QVERIFY(chart.difference().time.isEmpty());
}

void TstTrendChart::cursorFollowsTheMouse() {
    VectorSource source;
    source.channels.resize(1);
    for (int i = 0; i <= 100; ++i) {
        source.times.push_back(t0 + i * 100);
        source.channels[0].push_back(i);
    }
    TrendChart chart;
    chart.resize(800, 400);
    chart.setSource(&source, TrendChart::TimeAxis::LocalTime);
    chart.setTraces({{0, QStringLiteral("A1"), QStringLiteral("%"), false}});
    chart.setView(static_cast<double>(t0 + 10000), 10000.0);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    const QRect plot = chart.plotRect();
    const double middle = chart.timeAtX(plot.center().x());
    QTest::mouseMove(&chart, plot.center());
    QTRY_VERIFY(chart.cursorTime().has_value());
    QCOMPARE(*chart.cursorTime(), middle);
    QVERIFY(chart.readout().values.front().startsWith(QLatin1String("A1: ")));
    // Outside the plot: no cursor.
    QTest::mouseMove(&chart, QPoint(2, 2));
    QTRY_VERIFY(!chart.cursorTime().has_value());
}

void TstTrendChart::markIsPaintedAtItsTime() {
    VectorSource source;
    TrendChart chart;
    chart.resize(800, 400);
    chart.setSource(&source, TrendChart::TimeAxis::LocalTime);
    chart.setView(static_cast<double>(t0), 10000.0);
    const QRect plot = chart.plotRect();
    const QColor line = currentTheme().triggerLineColor;
    const QImage before = shot(chart);
    const double at = static_cast<double>(t0 - 2500);
    chart.setMarks({{at, TrendMark::Trigger}});
    const QImage after = shot(chart);
    const int x = static_cast<int>(std::floor(chart.xAtTime(at)));
    QVERIFY(rowsWithColour(before, x, plot, line).isEmpty());
    QVERIFY(rowsWithColour(after, x, plot, line).size() > plot.height() / 2);
}

void TstTrendChart::gapBreaksTheTrace_data() {
    QTest::addColumn<bool>("gap");
    QTest::newRow("joined without a gap") << false;
    QTest::newRow("broken at the gap") << true;
}

// 2 s at 50 frames/s, the board away for 5 s, then 2 s more: a line at 0
// across the outage only when nothing says there was one.
void TstTrendChart::gapBreaksTheTrace() {
    QFETCH(bool, gap);
    VectorSource source;
    source.channels.resize(1);
    for (int i = 0; i < 200; ++i) {
        source.times.push_back(t0 + i * 20 + (i >= 100 ? 5000 : 0));
        source.channels[0].push_back(0.0);
    }
    if (gap)
        source.gaps = {100};
    TrendChart chart;
    chart.resize(800, 400);
    chart.setSource(&source, TrendChart::TimeAxis::LocalTime);
    chart.setTraces({{0, QStringLiteral("A1"), QStringLiteral("kg"), false}});
    chart.setView(static_cast<double>(source.times.back() + 20), 10000.0);
    const QRect plot = chart.plotRect();
    const QColor colour = currentTheme().traceColors.front();
    const QImage image = shot(chart);
    const int middle = static_cast<int>(chart.xAtTime(static_cast<double>(t0 + 2000 + 2500)));
    QCOMPARE(rowsWithColour(image, middle, plot, colour).isEmpty(), gap);
    // The trace itself on both sides.
    for (const std::int64_t at : {t0 + 1000, t0 + 8000})
        QVERIFY(
            !rowsWithColour(image, static_cast<int>(chart.xAtTime(static_cast<double>(at))), plot, colour).isEmpty());
}

void TstTrendChart::gesturesAskForViews_data() {
    QTest::addColumn<QString>("gesture");
    QTest::newRow("a drag moves the times with the pointer") << "drag";
    QTest::newRow("a box zooms to its times and values") << "box";
    QTest::newRow("a box drawn with Shift") << "shift box";
    QTest::newRow("a click sets the second cursor") << "click";
}

void TstTrendChart::gesturesAskForViews() {
    QFETCH(QString, gesture);
    VectorSource source;
    source.channels.resize(1);
    for (int i = 0; i <= 100; ++i) {
        source.times.push_back(t0 + i * 100);
        source.channels[0].push_back(i);
    }
    TrendChart chart;
    chart.resize(800, 400);
    chart.setSource(&source, TrendChart::TimeAxis::LocalTime);
    chart.setTraces({{0, QStringLiteral("A1"), QStringLiteral("%"), false}});
    chart.setView(static_cast<double>(t0 + 10000), 10000.0);
    QSignalSpy views(&chart, &TrendChart::viewRequested);
    const QRect plot = chart.plotRect();
    const QPoint a(plot.left() + plot.width() / 4, plot.top() + plot.height() * 3 / 4);
    const QPoint b(plot.left() + plot.width() / 2, plot.top() + plot.height() / 4);
    const double timeAtA = chart.timeAtX(a.x());
    const TrendValueAxis axis = chart.valueAxes().front();
    const auto mouse = [&chart](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
                                Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QMouseEvent event(type, at, chart.mapToGlobal(at), button, held, keys);
        QApplication::sendEvent(&chart, &event);
    };
    // What the chart shows once the owner applies the last view asked for.
    const auto apply = [&] {
        QVERIFY(!views.isEmpty());
        chart.setView(views.last().at(0).toDouble(), views.last().at(1).toDouble());
    };

    if (gesture == "drag") {
        mouse(QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
        apply();
        QCOMPARE(chart.viewSpan(), 10000.0);
        QVERIFY(std::abs(chart.timeAtX(b.x()) - timeAtA) < 1e-6);
        QVERIFY(!chart.secondCursorTime());
    } else if (gesture.endsWith("box")) {
        const bool shift = gesture.startsWith("shift");
        const Qt::MouseButton button = shift ? Qt::LeftButton : Qt::RightButton;
        const Qt::KeyboardModifiers keys = shift ? Qt::ShiftModifier : Qt::NoModifier;
        mouse(QEvent::MouseButtonPress, a, button, button, keys);
        mouse(QEvent::MouseMove, b, Qt::NoButton, button, keys);
        mouse(QEvent::MouseButtonRelease, b, button, Qt::NoButton, keys);
        QCOMPARE(views.count(), 1);
        // The times go by boxWindow; the value axis held at the box's bottom and top.
        QVERIFY(chart.valueAxesFixed());
        const TrendAxis::ValueRange held = chart.valueAxes().front().range;
        const double pixelValue = (axis.range.high - axis.range.low) / plot.height();
        const auto valueAt = [&](int y) {
            return axis.range.low + (plot.top() + plot.height() - y) * pixelValue;
        };
        QVERIFY(std::abs(held.low - valueAt(a.y() + 1)) <= pixelValue);
        QVERIFY(std::abs(held.high - valueAt(b.y())) <= pixelValue);
    } else {
        mouse(QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, a, Qt::LeftButton, Qt::NoButton);
        QVERIFY(views.isEmpty());
        QCOMPARE(chart.secondCursorTime(), std::optional<double>(timeAtA));
        // With a second cursor the first stays where the pointer left the plot.
        mouse(QEvent::MouseMove, b, Qt::NoButton, Qt::NoButton);
        mouse(QEvent::MouseMove, QPoint(2, 2), Qt::NoButton, Qt::NoButton);
        QCOMPARE(chart.cursorTime(), std::optional<double>(chart.timeAtX(b.x())));
    }
}

QTEST_MAIN(TstTrendChart)
#include "tst_trendchart.moc"
