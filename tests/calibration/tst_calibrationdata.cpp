#include "CalibrationData.h"

#include <QtTest>

#include <limits>
#include <stdexcept>

Q_DECLARE_METATYPE(CalibrationPoints)
Q_DECLARE_METATYPE(CalibrationPoint)

class TestCalibrationData : public QObject {
    Q_OBJECT

private slots:
    void calibratedValue_data();
    void calibratedValue();
    void intensityFor_data();
    void intensityFor();
    void calibrateFrameConvertsEverySensorAndKeepsTheRest();
    void canAddPoint_data();
    void canAddPoint();
    void addPointKeepsIntensitiesSorted();
    void addPointGoesBeforeAnEqualIntensity();
    void isSensorEnabled_data();
    void isSensorEnabled();
    void checkMode();
    void sensorsWhere();
    void editingMarksModified();
    void clearRestoresDefaults();
    void clearingPointsKeepsTheRest();
};

void TestCalibrationData::calibratedValue_data() {
    QTest::addColumn<CalibrationPoints>("points");
    QTest::addColumn<float>("reading");
    QTest::addColumn<float>("expected");

    const CalibrationPoints three{{0, 0}, {10, 100}, {20, 150}};
    QTest::newRow("no points") << CalibrationPoints{} << 123.5f << 123.5f;
    QTest::newRow("one point right of zero") << CalibrationPoints{{2, 4}} << 3.0f << 6.0f;
    QTest::newRow("one point left of zero") << CalibrationPoints{{-2, 4}} << -1.0f << 2.0f;
    QTest::newRow("one point at zero, r = 0") << CalibrationPoints{{0, 5}} << 0.0f << 5.0f;
    QTest::newRow("one point at zero, r = 1") << CalibrationPoints{{0, 5}} << 1.0f << 1.0f;
    QTest::newRow("one point at zero, r = 3") << CalibrationPoints{{0, 5}} << 3.0f << -7.0f;
    QTest::newRow("first segment") << three << 5.0f << 50.0f;
    QTest::newRow("second segment") << three << 15.0f << 125.0f;
    QTest::newRow("on a middle point") << three << 10.0f << 100.0f;
    QTest::newRow("on the first point") << three << 0.0f << 0.0f;
    QTest::newRow("on the last point") << three << 20.0f << 150.0f;
    QTest::newRow("above the last point") << three << 30.0f << 200.0f;
    QTest::newRow("below the first point") << three << -10.0f << -100.0f;
    QTest::newRow("falling curve") << CalibrationPoints{{0, 100}, {10, 0}} << 2.5f << 75.0f;
    QTest::newRow("equal intensities") << CalibrationPoints{{5, 7}, {5, 9}} << 6.0f << 7.0f;
    QTest::newRow("equal intensities below") << CalibrationPoints{{5, 7}, {5, 9}} << 1.0f << 7.0f;
    // The first run of points below the reading decides the segment, even
    // when a file stored them out of order.
    QTest::newRow("unsorted stops at first point above")
        << CalibrationPoints{{0, 0}, {10, 10}, {30, 30}, {5, 100}} << 12.0f << 12.0f;
}

void TestCalibrationData::calibratedValue() {
    QFETCH(CalibrationPoints, points);
    QFETCH(float, reading);
    QFETCH(float, expected);
    QCOMPARE(CalibrationData::calibratedValue(points, reading), expected);
}

void TestCalibrationData::intensityFor_data() {
    QTest::addColumn<CalibrationPoints>("points");
    QTest::addColumn<float>("value");
    QTest::addColumn<bool>("found");
    QTest::addColumn<float>("expected");

    const CalibrationPoints three{{0, 0}, {10, 100}, {20, 150}};
    QTest::newRow("first segment") << three << 50.0f << true << 5.0f;
    QTest::newRow("second segment") << three << 125.0f << true << 15.0f;
    QTest::newRow("above the last point") << three << 200.0f << true << 30.0f;
    QTest::newRow("below the first point") << three << -100.0f << true << -10.0f;
    QTest::newRow("falling curve") << CalibrationPoints{{0, 100}, {10, 0}} << 75.0f << true << 2.5f;
    QTest::newRow("one point right of zero") << CalibrationPoints{{2, 4}} << 6.0f << true << 3.0f;
    QTest::newRow("one point left of zero") << CalibrationPoints{{-2, 4}} << 2.0f << true << -1.0f;
    QTest::newRow("one point at zero") << CalibrationPoints{{0, 5}} << -7.0f << true << 3.0f;
    QTest::newRow("no points") << CalibrationPoints{} << 1.0f << false << 0.0f;
    QTest::newRow("one point with value 0") << CalibrationPoints{{2, 0}} << 1.0f << false << 0.0f;
    QTest::newRow("one point (0, 1)") << CalibrationPoints{{0, 1}} << 1.0f << false << 0.0f;
    QTest::newRow("flat piece") << CalibrationPoints{{0, 1}, {1, 1}} << 1.0f << false << 0.0f;
    QTest::newRow("values up and down") << CalibrationPoints{{0, 0}, {1, 2}, {2, 1}} << 1.5f << false << 0.0f;
    QTest::newRow("intensities out of order") << CalibrationPoints{{1, 0}, {0, 2}} << 1.0f << false << 0.0f;
    QTest::newRow("no number") << three << std::numeric_limits<float>::quiet_NaN() << false << 0.0f;
}

// The inverse of calibratedValue wherever it is one.
void TestCalibrationData::intensityFor() {
    QFETCH(CalibrationPoints, points);
    QFETCH(float, value);
    QFETCH(bool, found);
    QFETCH(float, expected);
    const std::optional<float> intensity = CalibrationData::intensityFor(points, value);
    QCOMPARE(intensity.has_value(), found);
    if (found) {
        QCOMPARE(*intensity, expected);
        QCOMPARE(CalibrationData::calibratedValue(points, *intensity), value);
    }
}

void TestCalibrationData::calibrateFrameConvertsEverySensorAndKeepsTheRest() {
    CalibrationData data;
    data.addPoint(1, 5, {2, 4}); // not enabled in EightSensor mode: converted all the same
    data.addPoint(3, 3, {0, 0});
    data.addPoint(3, 3, {10, 100});

    KivraTolm::InputFrame frame;
    frame.number = 17;
    frame.timestamp = 1700000000123u;
    frame.analog = {1.5f, -2.0f, 3.25f, 0.0f};
    frame.digital = 0xa5;
    frame.counter = 99;
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column)
            frame.sensors[row][column] = float(row * 8 + column) + 0.5f;

    const KivraTolm::InputFrame calibrated = data.calibrateFrame(frame);
    QCOMPARE(calibrated.number, frame.number);
    QCOMPARE(calibrated.timestamp, frame.timestamp);
    QVERIFY(calibrated.analog == frame.analog);
    QCOMPARE(calibrated.digital, frame.digital);
    QCOMPARE(calibrated.counter, frame.counter);
    QCOMPARE(calibrated.sensors[5][1], 83.0f);  // 41.5 on the line through (2, 4)
    QCOMPARE(calibrated.sensors[3][3], 275.0f); // 27.5 on the line through (0, 0) and (10, 100)
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            if (!(column == 1 && row == 5) && !(column == 3 && row == 3))
                QCOMPARE(calibrated.sensors[row][column], frame.sensors[row][column]);
        }
    }
}

void TestCalibrationData::canAddPoint_data() {
    QTest::addColumn<CalibrationPoints>("points");
    QTest::addColumn<CalibrationPoint>("point");
    QTest::addColumn<bool>("accepted");

    const CalibrationPoints rising{{0, 0}, {10, 100}};
    const CalibrationPoints falling{{0, 100}, {10, 0}};
    QTest::newRow("empty list") << CalibrationPoints{} << CalibrationPoint{5, 5} << true;
    QTest::newRow("one point, same value") << CalibrationPoints{{1, 1}} << CalibrationPoint{2, 1} << false;
    QTest::newRow("one point, same intensity") << CalibrationPoints{{1, 1}} << CalibrationPoint{1, 2} << false;
    QTest::newRow("one point, rising") << CalibrationPoints{{1, 1}} << CalibrationPoint{2, 3} << true;
    QTest::newRow("one point, falling") << CalibrationPoints{{1, 1}} << CalibrationPoint{2, -3} << true;
    QTest::newRow("rising, between") << rising << CalibrationPoint{5, 50} << true;
    QTest::newRow("rising, value too high") << rising << CalibrationPoint{5, 120} << false;
    QTest::newRow("rising, equal intensity") << rising << CalibrationPoint{10, 200} << false;
    QTest::newRow("rising, after the end") << rising << CalibrationPoint{20, 150} << true;
    QTest::newRow("rising, before the start") << rising << CalibrationPoint{-5, -1} << true;
    QTest::newRow("rising, flat at the end") << rising << CalibrationPoint{20, 100} << false;
    QTest::newRow("falling, after the end") << falling << CalibrationPoint{20, -10} << true;
    QTest::newRow("falling, turns up") << falling << CalibrationPoint{20, 10} << false;
    QTest::newRow("falling, between") << falling << CalibrationPoint{5, 40} << true;
}

void TestCalibrationData::canAddPoint() {
    QFETCH(CalibrationPoints, points);
    QFETCH(CalibrationPoint, point);
    QFETCH(bool, accepted);

    CalibrationData data;
    for (const CalibrationPoint& p : points)
        data.addPoint(6, 2, p);
    data.setModified(false);

    QCOMPARE(data.canAddPoint(6, 2, point), accepted);
    QVERIFY(data.points(6, 2) == points);
    QVERIFY(!data.isModified());
}

void TestCalibrationData::addPointKeepsIntensitiesSorted() {
    CalibrationData data;
    for (float x : {30.0f, 10.0f, 20.0f, -5.0f, 40.0f})
        data.addPoint(0, 7, {x, x * 2});
    const CalibrationPoints expected{{-5, -10}, {10, 20}, {20, 40}, {30, 60}, {40, 80}};
    QVERIFY(data.points(0, 7) == expected);
    QVERIFY(data.points(7, 0).empty());
}

void TestCalibrationData::addPointGoesBeforeAnEqualIntensity() {
    CalibrationData data;
    data.addPoint(2, 2, {0, 0});
    data.addPoint(2, 2, {5, 50});
    data.addPoint(2, 2, {10, 100});
    data.addPoint(2, 2, {5, 7});
    const CalibrationPoints expected{{0, 0}, {5, 7}, {5, 50}, {10, 100}};
    QVERIFY(data.points(2, 2) == expected);
}

void TestCalibrationData::isSensorEnabled_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("enabled");

    // The custom selection below holds (3, 4) and (6, 1).
    for (int mode : {0, 1, 2, 7}) {
        const QByteArray m = QByteArray::number(mode);
        QTest::newRow("mode " + m + " (3, 3)") << mode << 3 << 3 << (mode == 0 || mode == 1);
        QTest::newRow("mode " + m + " (3, 4)") << mode << 3 << 4 << (mode == 1 || mode == 2);
        QTest::newRow("mode " + m + " (4, 3)") << mode << 4 << 3 << (mode == 1);
        QTest::newRow("mode " + m + " (6, 1)") << mode << 6 << 1 << (mode == 1 || mode == 2);
        QTest::newRow("mode " + m + " (7, 7)") << mode << 7 << 7 << (mode == 0 || mode == 1);
    }
}

void TestCalibrationData::isSensorEnabled() {
    QFETCH(int, mode);
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(bool, enabled);

    SensorMask mask = {};
    mask[4 * 8 + 3] = true;
    mask[1 * 8 + 6] = true;
    CalibrationData data;
    data.setMode(static_cast<SensorMode>(mode), mask);
    QCOMPARE(data.isSensorEnabled(column, row), enabled);
    QVERIFY(data.customSelected() == mask);
}

void TestCalibrationData::checkMode() {
    QCOMPARE(CalibrationData::checkMode(0), SensorMode::EightSensor);
    QCOMPARE(CalibrationData::checkMode(1), SensorMode::All);
    QCOMPARE(CalibrationData::checkMode(2), SensorMode::Custom);
    for (int invalid : {-1, 3, 1000}) {
        try {
            CalibrationData::checkMode(invalid);
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString(e.what()), QString("Invalid mode."));
        }
    }
}

void TestCalibrationData::sensorsWhere() {
    SensorMask mask = {};
    mask[0 * 8 + 1] = true; // (column 1, row 0)
    mask[5 * 8 + 0] = true; // (column 0, row 5)
    mask[7 * 8 + 7] = true;
    const std::vector<SensorPosition> set = ::sensorsWhere(mask, true);
    const std::vector<SensorPosition> expected{{0, 5}, {1, 0}, {7, 7}};
    QVERIFY(set == expected);

    const std::vector<SensorPosition> unset = ::sensorsWhere(mask, false);
    QCOMPARE(unset.size(), std::size_t(61));
    QVERIFY((unset.front() == SensorPosition{0, 0}));
    QVERIFY((unset[5] == SensorPosition{0, 6})); // (0, 5) is skipped
    QVERIFY((unset.back() == SensorPosition{7, 6}));
}

void TestCalibrationData::editingMarksModified() {
    QVERIFY(!CalibrationData().isModified());
    const std::vector<std::pair<const char*, void (*)(CalibrationData&)>> edits{
        {"clear",
         [](CalibrationData& d) {
             d.clear();
         }},
        {"addPoint",
         [](CalibrationData& d) {
             d.addPoint(0, 0, {1, 1});
         }},
        {"clearSensorPoints",
         [](CalibrationData& d) {
             d.clearSensorPoints(1, 1);
         }},
        {"clearColumnPoints",
         [](CalibrationData& d) {
             d.clearColumnPoints(2);
         }},
        {"clearAllPoints",
         [](CalibrationData& d) {
             d.clearAllPoints();
         }},
        {"setSensitivity",
         [](CalibrationData& d) {
             d.setSensitivity(3, 31);
         }},
        {"setUnit",
         [](CalibrationData& d) {
             d.setUnit("");
         }},
        {"setMode",
         [](CalibrationData& d) {
             d.setMode(SensorMode::EightSensor, SensorMask{});
         }},
    };
    for (const auto& [name, edit] : edits) {
        CalibrationData data;
        edit(data);
        QVERIFY2(data.isModified(), name);
    }
}

void TestCalibrationData::clearRestoresDefaults() {
    CalibrationData data;
    data.addPoint(4, 4, {1, 2});
    data.setSensitivity(0, 5);
    data.setSensitivity(7, 63);
    data.setUnit("kPa");
    SensorMask mask = {};
    mask[9] = true;
    data.setMode(SensorMode::Custom, mask);

    data.clear();
    QVERIFY(data.isModified());
    CalibrationData fresh;
    fresh.setModified(true);
    QVERIFY(data == fresh);
    for (int column = 0; column < 8; ++column)
        QCOMPARE(data.sensitivity(column), 31);
    QCOMPARE(data.enableMode(), SensorMode::EightSensor);
}

void TestCalibrationData::clearingPointsKeepsTheRest() {
    CalibrationData data;
    for (int column = 0; column < 8; ++column)
        for (int row = 0; row < 8; ++row)
            data.addPoint(column, row, {1, 1});
    data.setSensitivity(2, 12);
    data.setUnit("N");

    data.clearSensorPoints(2, 3);
    QVERIFY(data.points(2, 3).empty());
    QCOMPARE(data.points(2, 4).size(), std::size_t(1));
    QCOMPARE(data.points(3, 3).size(), std::size_t(1));

    data.clearColumnPoints(5);
    for (int row = 0; row < 8; ++row)
        QVERIFY(data.points(5, row).empty());
    QCOMPARE(data.points(4, 0).size(), std::size_t(1));

    data.clearAllPoints();
    for (int column = 0; column < 8; ++column)
        for (int row = 0; row < 8; ++row)
            QVERIFY(data.points(column, row).empty());
    QCOMPARE(data.sensitivity(2), 12);
    QCOMPARE(data.unit(), std::string("N"));
}

QTEST_APPLESS_MAIN(TestCalibrationData)
#include "tst_calibrationdata.moc"
