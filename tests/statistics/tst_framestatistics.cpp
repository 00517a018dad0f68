// The figures of one frame on frames computed by hand, from raw readings
// through the calibration to what the grid shows and what counts.
#include "CalibrationData.h"
#include "FrameStatistics.h"
#include "SensorPosition.h"
#include "ShownFrame.h"

#include <QtTest>

#include <cmath>

namespace {

SensorPosition sensor(const QString& name) {
    return *SensorPosition::fromName(name.toStdString());
}

// "C4=0.5 D5=0.375": raw readings (0..1); every other sensor reads 0.
KivraTolm::InputFrame frameOf(const QString& loads) {
    KivraTolm::InputFrame frame;
    for (const QString& load : loads.split(' ', Qt::SkipEmptyParts)) {
        const SensorPosition at = sensor(load.section('=', 0, 0));
        frame.sensors[at.row][at.column] = load.section('=', 1).toFloat();
    }
    return frame;
}

// "A1:-50:50 H1:-50:50": sensors with the points (0, low) and (1, high).
CalibrationData calibrationOf(const QString& sensors) {
    CalibrationData calibration;
    calibration.setUnit("kg");
    for (const QString& entry : sensors.split(' ', Qt::SkipEmptyParts)) {
        const SensorPosition at = sensor(entry.section(':', 0, 0));
        calibration.addPoint(at.column, at.row, {0.0f, entry.section(':', 1, 1).toFloat()});
        calibration.addPoint(at.column, at.row, {1.0f, entry.section(':', 2, 2).toFloat()});
    }
    return calibration;
}

} // namespace

class TestFrameStatistics : public QObject {
    Q_OBJECT

private slots:
    void handComputedFrames_data();
    void handComputedFrames();
};

void TestFrameStatistics::handComputedFrames_data() {
    QTest::addColumn<QString>("loads");
    QTest::addColumn<QString>("calibrated");
    QTest::addColumn<double>("threshold");
    QTest::addColumn<double>("sum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<QString>("maximumSensor");
    QTest::addColumn<int>("active");
    QTest::addColumn<double>("mean");
    QTest::addColumn<QString>("centre"); // "column/row nearest", or empty: none

    QTest::newRow("one loaded sensor: the centre is its place")
        << "C4=0.5"
        << "" << 10.0 << 50.0 << 50.0 << "C4" << 1 << 50.0 << "2/3 C4";
    QTest::newRow("symmetric load: the middle, halves rounded up")
        << "D4=0.375 E4=0.375 D5=0.375 E5=0.375"
        << "" << 10.0 << 150.0 << 37.5 << "D4" << 4 << 37.5 << "3.5/3.5 E5";
    QTest::newRow("load on an edge") << "A1=0.25 A2=0.75"
                                     << "" << 10.0 << 100.0 << 75.0 << "A2" << 2 << 50.0 << "0/0.75 A2";
    QTest::newRow("everything below the threshold: no centre") << "C4=0.0625 B2=0.03125"
                                                               << "" << 10.0 << 9.375 << 6.25 << "C4" << 0 << 0.0 << "";
    QTest::newRow("at the threshold is active") << "B2=0.125"
                                                << "" << 12.5 << 12.5 << 12.5 << "B2" << 1 << 12.5 << "1/1 B2";
    QTest::newRow("mixed: only the calibrated sensors count, in their unit")
        << "A1=0.25 C1=0.125 B1=0.875"
        << "A1:0:100 C1:0:100" << 20.0 << 37.5 << 25.0 << "A1" << 1 << 25.0 << "0/0 A1";
    QTest::newRow("negative calibrated values: weights not positive, no centre")
        << "A1=0.25 H1=0.625"
        << "A1:-50:50 H1:-50:50" << -100.0 << -12.5 << 12.5 << "H1" << 2 << -6.25 << "";
    QTest::newRow("weights of both signs: the centre off the array, the nearest sensor on it")
        << "A1=0.25 H1=0.875"
        << "A1:-50:50 H1:-50:50" << -100.0 << 12.5 << 37.5 << "H1" << 2 << 6.25 << "21/0 H1";
}

void TestFrameStatistics::handComputedFrames() {
    QFETCH(QString, loads);
    QFETCH(QString, calibrated);
    QFETCH(double, threshold);

    const CalibrationData calibration = calibrationOf(calibrated);
    const KivraTolm::InputFrame raw = frameOf(loads);
    const ShownFrame shown = shownFrame(raw, calibration.calibrateFrame(raw), sensorsWithPoints(calibration));
    const FrameStatistics statistics = frameStatistics(shown.values, shown.included, threshold);

    QFETCH(double, sum);
    QFETCH(double, maximum);
    QFETCH(QString, maximumSensor);
    QFETCH(int, active);
    QFETCH(double, mean);
    QFETCH(QString, centre);
    const auto near = [](double a, double b) {
        return std::abs(a - b) < 1e-9;
    };
    QVERIFY2(near(statistics.sum, sum), qPrintable(QString::number(statistics.sum)));
    QVERIFY2(near(statistics.maximum, maximum), qPrintable(QString::number(statistics.maximum)));
    QCOMPARE(statistics.maximumSensor, sensor(maximumSensor).index());
    QCOMPARE(statistics.activeCount, active);
    QVERIFY2(near(statistics.activeMean, mean), qPrintable(QString::number(statistics.activeMean)));
    QCOMPARE(statistics.hasCentre, !centre.isEmpty());
    QCOMPARE(QString::fromStdString(centreSensorName(statistics)), centre.section(' ', 1));
    if (statistics.hasCentre) {
        QVERIFY2(near(statistics.centreColumn, centre.section('/', 0, 0).toDouble()),
                 qPrintable(QString::number(statistics.centreColumn)));
        QVERIFY2(near(statistics.centreRow, centre.section(' ', 0, 0).section('/', 1).toDouble()),
                 qPrintable(QString::number(statistics.centreRow)));
    }
}

QTEST_APPLESS_MAIN(TestFrameStatistics)
#include "tst_framestatistics.moc"
