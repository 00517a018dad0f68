#include "CalDialog.h"
#include "CalibrationData.h"
#include "Capture.h"
#include "EmulatedReadings.h"
#include "ModalResponder.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString linearityRefusal = QStringLiteral(
    "Adding this point to the sensors calibration list would break the graphs linearity, please try again.");
const QString zeroRefusal =
    QStringLiteral("Adding a value that close to 0 as the first calibration point would break visualization, please "
                   "add larger or smaller value first.");

using Sensors = QVector<QPair<int, int>>; // (column, row)

CalibrationPoints pointsOf(std::initializer_list<std::pair<float, float>> pairs) {
    CalibrationPoints points;
    for (const auto& [intensity, value] : pairs)
        points.push_back({intensity, value});
    return points;
}

} // namespace

Q_DECLARE_METATYPE(CalibrationPoints)

class TestCalDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void noTickedSensor();
    void firstPointNearZero_data();
    void firstPointNearZero();
    void refusalAddsToNoSensor_data();
    void refusalAddsToNoSensor();
    void insertBetweenPoints_data();
    void insertBetweenPoints();
    void everySensorGetsItsOwnReading();
    void unitShownAsPlainText_data();
    void unitShownAsPlainText();

private:
    // Waits until the engine's averaged frame shows the emulated readings.
    void waitForReadings();
    // Runs one Add with `value` for the ticked `sensors`; returns the
    // message boxes it showed.
    QStringList add(double value, const Sensors& sensors, int decimals = 2);

    std::unique_ptr<KivraTolm::Capture> capture;
    CalibrationData calibration;
    SensorSelection selection = {};
    int pointsChangedCount = 0;
};

void TestCalDialog::initTestCase() {
    EmulatedReadings::instance().setAll(100.0f);
    EmulatedReadings::instance().installBoard();
    capture = std::make_unique<KivraTolm::Capture>("usb", "-");
    waitForReadings();
}

void TestCalDialog::cleanupTestCase() {
    capture->stop();
    capture.reset();
}

void TestCalDialog::init() {
    calibration = CalibrationData();
    selection = {};
    pointsChangedCount = 0;
    EmulatedReadings::instance().setAll(100.0f);
    waitForReadings();
}

void TestCalDialog::waitForReadings() {
    const EmulatedReadings& readings = EmulatedReadings::instance();
    auto shown = [&] {
        const KivraTolm::InputFrame frame = capture->averagedFrame();
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c)
                if (frame.sensors[r][c] != readings.get(c, r))
                    return false;
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(shown(), 10000);
    QCOMPARE(capture->errorText(), std::string());
}

QStringList TestCalDialog::add(double value, const Sensors& sensors, int decimals) {
    selection = {};
    for (const auto& sensor : sensors)
        selection[sensor.second * 8 + sensor.first] = true;

    CalDialog dialog(nullptr, QStringLiteral("kg"), calibration, selection, *capture);
    connect(&dialog, &CalDialog::pointsChanged, this, [this] { ++pointsChangedCount; });
    auto* spin = dialog.findChild<QDoubleSpinBox*>("spnValue");
    spin->setDecimals(decimals);
    spin->setValue(value);

    ModalResponder responder;
    dialog.findChild<QPushButton*>("btnAdd")->click();
    // A refusal leaves the typed value for the next try.
    [&] {
        QCOMPARE(spin->value(), value);
    }();
    return responder.shownTexts();
}

void TestCalDialog::noTickedSensor() {
    const QStringList shown = add(5.0, {});
    QVERIFY(shown.isEmpty());
    QCOMPARE(pointsChangedCount, 1);
    QVERIFY(!calibration.isModified());
}

void TestCalDialog::firstPointNearZero_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("zero") << 0.0 << 2 << false;
    QTest::newRow("0.01") << 0.01 << 2 << true;
    QTest::newRow("-0.01") << -0.01 << 2 << true;
    // 0.0001 in single precision lies just below 0.0001.
    QTest::newRow("0.0001 rounds inside") << 0.0001 << 6 << false;
    QTest::newRow("-0.0001 rounds inside") << -0.0001 << 6 << false;
    QTest::newRow("0.000101") << 0.000101 << 6 << true;
    QTest::newRow("-0.000101") << -0.000101 << 6 << true;
}

void TestCalDialog::firstPointNearZero() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(bool, accepted);

    const QStringList shown = add(value, {{2, 2}}, decimals);
    if (accepted) {
        QVERIFY(shown.isEmpty());
        QCOMPARE(calibration.points(2, 2), pointsOf({{100.0f, static_cast<float>(value)}}));
        QCOMPARE(pointsChangedCount, 1);
    } else {
        QCOMPARE(shown, QStringList{zeroRefusal});
        QVERIFY(calibration.points(2, 2).empty());
        QCOMPARE(pointsChangedCount, 0);
    }
}

void TestCalDialog::refusalAddsToNoSensor_data() {
    QTest::addColumn<CalibrationPoints>("firstSensorPoints");
    QTest::addColumn<CalibrationPoints>("secondSensorPoints");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("message"); // empty: accepted

    // The reading is 100 for every sensor.
    QTest::newRow("a sensor with points accepts 0")
        << pointsOf({{50.0f, -5.0f}}) << pointsOf({{50.0f, 10.0f}}) << 0.0 << QString();
    QTest::newRow("second fails on the reading")
        << CalibrationPoints() << pointsOf({{100.0f, 3.0f}}) << 5.0 << linearityRefusal;
    QTest::newRow("second fails on the value")
        << CalibrationPoints() << pointsOf({{50.0f, 5.0f}}) << 5.0 << linearityRefusal;
    QTest::newRow("second fails near 0") << pointsOf({{50.0f, 5.0f}}) << CalibrationPoints() << 0.0 << zeroRefusal;
    QTest::newRow("first fails, second would pass")
        << pointsOf({{10.0f, 1.0f}, {20.0f, 2.0f}}) << CalibrationPoints() << 1.5 << linearityRefusal;
    QTest::newRow("both pass") << pointsOf({{50.0f, 5.0f}}) << pointsOf({{150.0f, 1.0f}}) << 3.0 << QString();
}

void TestCalDialog::refusalAddsToNoSensor() {
    QFETCH(CalibrationPoints, firstSensorPoints);
    QFETCH(CalibrationPoints, secondSensorPoints);
    QFETCH(double, value);
    QFETCH(QString, message);

    // (0, 3) comes before (1, 0) in list order.
    for (const CalibrationPoint& point : firstSensorPoints)
        calibration.addPoint(0, 3, point);
    for (const CalibrationPoint& point : secondSensorPoints)
        calibration.addPoint(1, 0, point);
    calibration.setModified(false);
    const CalibrationData before = calibration;

    const QStringList shown = add(value, {{1, 0}, {0, 3}});

    if (message.isEmpty()) {
        QVERIFY(shown.isEmpty());
        QCOMPARE(calibration.points(0, 3).size(), firstSensorPoints.size() + 1);
        QCOMPARE(calibration.points(1, 0).size(), secondSensorPoints.size() + 1);
        QVERIFY(calibration.isModified());
        QCOMPARE(pointsChangedCount, 1);
    } else {
        QCOMPARE(shown, QStringList{message});
        QVERIFY(calibration == before);
        QVERIFY(!calibration.isModified());
        QCOMPARE(pointsChangedCount, 0);
    }
}

void TestCalDialog::insertBetweenPoints_data() {
    QTest::addColumn<float>("reading");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("25 at 150") << 150.0f << 25.0 << true;
    QTest::newRow("60 at 150") << 150.0f << 60.0 << false;
    QTest::newRow("50 at 150, equal to the next point") << 150.0f << 50.0 << false;
    QTest::newRow("0 at 150, equal to the previous point") << 150.0f << 0.0 << false;
    QTest::newRow("75 at 250, beyond the last") << 250.0f << 75.0 << true;
    QTest::newRow("-10 at 50, before the first") << 50.0f << -10.0 << true;
}

void TestCalDialog::insertBetweenPoints() {
    QFETCH(float, reading);
    QFETCH(double, value);
    QFETCH(bool, accepted);

    calibration.addPoint(4, 4, {100.0f, 0.0f});
    calibration.addPoint(4, 4, {200.0f, 50.0f});
    EmulatedReadings::instance().set(4, 4, reading);
    waitForReadings();

    const QStringList shown = add(value, {{4, 4}});
    if (accepted) {
        QVERIFY(shown.isEmpty());
        const CalibrationPoints points = calibration.points(4, 4);
        QCOMPARE(points.size(), size_t(3));
        QVERIFY(std::find(points.begin(), points.end(), CalibrationPoint{reading, static_cast<float>(value)}) !=
                points.end());
        QVERIFY(std::is_sorted(points.begin(), points.end(),
                               [](const auto& a, const auto& b) { return a.intensity < b.intensity; }));
    } else {
        QCOMPARE(shown, QStringList{linearityRefusal});
        QCOMPARE(calibration.points(4, 4), pointsOf({{100.0f, 0.0f}, {200.0f, 50.0f}}));
    }
}

void TestCalDialog::everySensorGetsItsOwnReading() {
    EmulatedReadings::instance().set(0, 0, 40.0f);
    EmulatedReadings::instance().set(6, 1, 120.0f);
    EmulatedReadings::instance().set(7, 7, 80.0f);
    waitForReadings();

    QVERIFY(add(12.5, {{0, 0}, {6, 1}, {7, 7}}).isEmpty());
    QCOMPARE(calibration.points(0, 0), pointsOf({{40.0f, 12.5f}}));
    QCOMPARE(calibration.points(6, 1), pointsOf({{120.0f, 12.5f}}));
    QCOMPARE(calibration.points(7, 7), pointsOf({{80.0f, 12.5f}}));
    QVERIFY(calibration.points(1, 0).empty());

    // The dialog stays usable for the next value.
    EmulatedReadings::instance().set(0, 0, 60.0f);
    waitForReadings();
    QVERIFY(add(20.0, {{0, 0}}).isEmpty());
    QCOMPARE(calibration.points(0, 0), pointsOf({{40.0f, 12.5f}, {60.0f, 20.0f}}));
}

void TestCalDialog::unitShownAsPlainText_data() {
    QTest::addColumn<QString>("unit");
    QTest::newRow("bold") << "<b>kg</b>";
    QTest::newRow("image") << "<img src=\"sensor.png\">kg";
}

// The unit comes from the calibration file: its characters are shown as
// they are, never read as markup.
void TestCalDialog::unitShownAsPlainText() {
    QFETCH(QString, unit);
    CalDialog dialog(nullptr, unit, calibration, selection, *capture);
    auto* label = dialog.findChild<QLabel*>("lblUnit");
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->text(), unit);
    // Laid out as those characters; as markup it would take the room of
    // "kg" or of a picture.
    QVERIFY(label->sizeHint().width() >= label->fontMetrics().boundingRect(unit).width());
}

QTEST_MAIN(TestCalDialog)
#include "tst_caldialog.moc"
