#include "SensorGeometry.h"

#include <QLocale>
#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(SensorBar)

// A 190 x 530 bar graph: bar area 160 wide from x 20 (eight bars of 20),
// 400 high from y 130.
namespace {
const QSize graphSize(190, 530);
const double smallest = std::numeric_limits<double>::min();
const double inf = std::numeric_limits<double>::infinity();
const double notANumber = std::numeric_limits<double>::quiet_NaN();

SensorBar barWith(double intensity, double value, const SensorPoints& points = {}) {
    SensorBar bar;
    bar.intensity = intensity;
    bar.value = value;
    bar.points = points;
    return bar;
}
} // namespace

class TestSensorGeometry : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void scale_data() {
        QTest::addColumn<SensorPoints>("points0");
        QTest::addColumn<SensorPoints>("points3");
        QTest::addColumn<QVector<int>>("shown");
        QTest::addColumn<double>("expected");

        const QVector<int> all{0, 1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("no points") << SensorPoints() << SensorPoints() << all << smallest;
        QTest::newRow("one bar (0.5, 10)") << SensorPoints{{0.5, 10}} << SensorPoints() << all << 24.0;
        QTest::newRow("last point counts") << SensorPoints{{0.5, 10}, {0.25, 10}} << SensorPoints() << all << 48.0;
        QTest::newRow("largest bar wins") << SensorPoints{{0.5, 10}} << SensorPoints{{0.6, 30}} << all << 60.0;
        QTest::newRow("near-zero intensity") << SensorPoints{{0.000005, 10}} << SensorPoints() << all << smallest;
        QTest::newRow("negative slope") << SensorPoints{{-0.5, 10}} << SensorPoints() << all << smallest;
        QTest::newRow("hidden bar ignored")
            << SensorPoints{{0.5, 10}} << SensorPoints{{0.6, 3}} << QVector<int>{3} << 6.0;
        QTest::newRow("nothing shown") << SensorPoints{{0.5, 10}} << SensorPoints() << QVector<int>() << smallest;
    }

    void scale() {
        QFETCH(SensorPoints, points0);
        QFETCH(SensorPoints, points3);
        QFETCH(QVector<int>, shown);
        QFETCH(double, expected);
        SensorBars bars;
        bars[0].points = points0;
        bars[3].points = points3;
        QCOMPARE(sensorScale(bars, shown), expected);
        QCOMPARE(anyBarHasPoints(bars), !points0.isEmpty() || !points3.isEmpty());
    }

    void fraction_data() {
        QTest::addColumn<SensorBar>("bar");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("expected");

        const SensorPoints calibrated{{0.5, 10}};
        QTest::newRow("raw 0.6 is half") << barWith(0.6, 0.6) << 24.0 << 0.5;
        QTest::newRow("raw over range is full") << barWith(1.5, 1.5) << 24.0 << 1.0;
        QTest::newRow("raw negative goes down") << barWith(-0.3, -0.3) << 24.0 << -0.25;
        QTest::newRow("value 12 of 24 is half") << barWith(0.6, 12, calibrated) << 24.0 << 0.5;
        QTest::newRow("value above scale is full") << barWith(0.6, 30, calibrated) << 24.0 << 1.0;
        QTest::newRow("tiny scale, positive value") << barWith(0.1, 0.01, calibrated) << smallest << 1.0;
        QTest::newRow("tiny scale, negative value") << barWith(0.1, -0.01, calibrated) << smallest << -1.0;
        QTest::newRow("NaN value") << barWith(0.1, notANumber, calibrated) << 24.0 << 0.0;
        QTest::newRow("infinite reading") << barWith(inf, 0) << 24.0 << 1.0;
    }

    void fraction() {
        QFETCH(SensorBar, bar);
        QFETCH(double, scale);
        QFETCH(double, expected);
        QCOMPARE(barFraction(bar, scale), expected);
    }

    void barText_data() {
        QTest::addColumn<SensorBar>("bar");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("raw in percent") << barWith(0.6, 0.6) << "kg"
                                        << "60.00 %";
        QTest::newRow("calibrated with unit") << barWith(0.6, 3.2, {{0.5, 1}}) << "kg"
                                              << "3.20 kg";
        QTest::newRow("calibrated without unit") << barWith(0.6, 3.2, {{0.5, 1}}) << ""
                                                 << "3.20";
    }

    void barText() {
        QFETCH(SensorBar, bar);
        QFETCH(QString, unit);
        QFETCH(QString, expected);
        bar.unit = unit;
        QCOMPARE(::barText(bar), expected);
    }

    void barRects_data() {
        QTest::addColumn<int>("shownCount");
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("bar 0 full") << 8 << 0 << 1.0 << QRectF(20, 130, 20, 400);
        QTest::newRow("bar 2 half") << 8 << 2 << 0.5 << QRectF(60, 330, 20, 200);
        QTest::newRow("bar 7 quarter") << 8 << 7 << 0.25 << QRectF(160, 430, 20, 100);
        QTest::newRow("single bar 3 full width") << 1 << 3 << 0.5 << QRectF(20, 330, 160, 200);
    }

    void barRects() {
        QFETCH(int, shownCount);
        QFETCH(int, index);
        QFETCH(double, fraction);
        QFETCH(QRectF, expected);
        QCOMPARE(SensorGeometry(graphSize, shownCount).barRect(index, fraction), expected);
    }

    void textLines() {
        QCOMPARE(SensorGeometry(graphSize, 8).textRect(0), QRect(20, 5, 160, 14));
        QCOMPARE(SensorGeometry(graphSize, 8).textRect(3), QRect(20, 47, 160, 14));
        QCOMPARE(SensorGeometry(graphSize, 1).textRect(3), QRect(20, 5, 160, 14));
    }

    void trigger_data() {
        QTest::addColumn<double>("level");
        QTest::addColumn<double>("expectedY");
        QTest::newRow("half scale") << 12.0 << 330.0;
        QTest::newRow("full scale") << 24.0 << 130.0;
        QTest::newRow("above scale stops at top") << 100.0 << 130.0;
        QTest::newRow("zero at bottom") << 0.0 << 530.0;
    }

    void trigger() {
        QFETCH(double, level);
        QFETCH(double, expectedY);
        const SensorGeometry geo(graphSize, 8);
        QCOMPARE(geo.triggerY(level, 24.0), expectedY);
        QCOMPARE(geo.triggerLine(expectedY), QLine(10, int(expectedY), 182, int(expectedY)));
        QCOMPARE(geo.handleRect(expectedY), QRectF(4, expectedY - 4, 6, 8));
        if (level <= 24.0)
            QCOMPARE(geo.levelAt(expectedY, 24.0), level);
    }

    void dragLimits() {
        const SensorGeometry geo(graphSize, 8);
        QCOMPARE(geo.clampedTriggerY(1000), 528);
        QCOMPARE(geo.clampedTriggerY(-20), 130);
        QCOMPARE(geo.clampedTriggerY(300), 300);
        QCOMPARE(geo.levelAt(528, 24.0), 2.0 / 400 * 24.0);
    }

    void markers() {
        const SensorGeometry geo(graphSize, 8);
        QCOMPARE(geo.marker(1, 330), QPolygonF({QPointF(47, 322), QPointF(53, 322), QPointF(50, 329)}));
        QVERIFY(geo.inMarkerBand(322, 330));
        QVERIFY(geo.inMarkerBand(330, 330));
        QVERIFY(!geo.inMarkerBand(321, 330));
        QVERIFY(!geo.inMarkerBand(331, 330));
        QVERIFY(geo.spansX(1, 40));
        QVERIFY(geo.spansX(1, 60));
        QVERIFY(!geo.spansX(1, 61));
        QCOMPARE(SensorGeometry(graphSize, 1).marker(3, 330).at(2), QPointF(100, 329));
    }

    void pointLines_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expectedY");
        QTest::newRow("half") << 12.0 << 330;
        QTest::newRow("fraction truncated") << 3.2 << int(400 * (1 - 3.2 / 24) + 130);
        QTest::newRow("above scale at top") << 50.0 << 130;
        QTest::newRow("negative below bottom") << -5.0 << int(400 * (1 + 5.0 / 24) + 130);
        QTest::newRow("tiny scale keeps finite") << -inf << 930;
    }

    void pointLines() {
        QFETCH(double, value);
        QFETCH(int, expectedY);
        QCOMPARE(SensorGeometry(graphSize, 8).pointLine(0, value, 24.0), QLine(21, expectedY, 39, expectedY));
    }

    void gridLines() {
        QCOMPARE(SensorGeometry::horizontalGridYs(35, 10), QVector<int>({34, 24, 14, 4}));
        QCOMPARE(SensorGeometry::horizontalGridYs(31, 10), QVector<int>({30, 20, 10}));
        QCOMPARE(SensorGeometry::verticalGridXs(21, 10), QVector<int>({1, 11}));
        QCOMPARE(SensorGeometry::verticalGridXs(22, 10), QVector<int>({1, 11, 21}));
        // A theme that was never applied has spacing 0: no endless loop.
        QVERIFY(SensorGeometry::horizontalGridYs(100, 0).isEmpty());
        QVERIFY(SensorGeometry::verticalGridXs(100, -3).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSensorGeometry)
#include "tst_sensorgeometry.moc"
