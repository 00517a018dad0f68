// The replay model's rules: time from the stamps or the rate, before and
// after the trigger, one-second steps, the calibration chosen by SHA-256 and
// what each sensor shows.
#include "LogReplay.h"

#include <QtTest>

#include <cmath>
#include <limits>

using KivraTolm::CaptureLogContent;
using KivraTolm::LogColumn;
using KivraTolm::LogColumnKind;

Q_DECLARE_METATYPE(std::vector<std::int64_t>)

namespace {

// A log of `rows` rows at 50 Hz, 10 of them before the trigger, with the
// time stamps given (none: the rate tells the time) and sensor A1 logged.
std::shared_ptr<CaptureLogContent> logOf(std::size_t rows, std::vector<std::int64_t> stamps,
                                         std::vector<LogColumn> sensors = {{LogColumnKind::Sensor, "", "", 0}}) {
    auto log = std::make_shared<CaptureLogContent>();
    log->header.sampleRate = 50;
    log->header.preTriggerRows = 10;
    log->header.triggerTime = 1000;
    log->rowCount = rows;
    log->timestamps = std::move(stamps);
    log->columns = std::move(sensors);
    for (std::size_t i = 0; i < log->columns.size(); ++i)
        log->values.emplace_back(rows, 0.0f);
    return log;
}

std::vector<std::int64_t> everyMs(std::size_t rows, std::int64_t first, std::int64_t step) {
    std::vector<std::int64_t> stamps;
    for (std::size_t i = 0; i < rows; ++i)
        stamps.push_back(first + static_cast<std::int64_t>(i) * step);
    return stamps;
}

LogDescription describedWith(const QString& path, const QByteArray& sha) {
    LogDescription description;
    description.state = LogDescription::State::Read;
    description.calibrationPath = path;
    description.calibrationSha256 = sha;
    return description;
}

} // namespace

class TestLogReplay : public QObject {
    Q_OBJECT

private slots:
    void timeAndTrigger_data();
    void timeAndTrigger();
    void oneSecondSteps_data();
    void oneSecondSteps();
    void calibrationBySha_data();
    void calibrationBySha();
    void whatSensorsShow();
};

void TestLogReplay::timeAndTrigger_data() {
    QTest::addColumn<std::vector<std::int64_t>>("stamps");
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("timed");

    QTest::newRow("rate, first row") << std::vector<std::int64_t>{} << 0 << -0.2 << true << false;
    QTest::newRow("rate, last before") << std::vector<std::int64_t>{} << 9 << -0.02 << true << false;
    QTest::newRow("rate, trigger row") << std::vector<std::int64_t>{} << 10 << 0.0 << false << false;
    QTest::newRow("rate, later") << std::vector<std::int64_t>{} << 60 << 1.0 << false << false;
    QTest::newRow("stamps") << everyMs(100, 800, 20) << 35 << 0.5 << false << true;
    // Stamps that go back tell no time; the rate does.
    std::vector<std::int64_t> back = everyMs(100, 800, 20);
    back[50] = 0;
    QTest::newRow("stamps going back") << back << 35 << 0.5 << false << false;
}

void TestLogReplay::timeAndTrigger() {
    QFETCH(std::vector<std::int64_t>, stamps);
    QFETCH(int, row);
    auto log = logOf(100, stamps);
    if (stamps.size() > 50 && stamps[50] == 0)
        log->timeBackLine = 53;
    LogReplay replay(log, ReplayCalibration{});
    replay.setRow(static_cast<std::size_t>(row));
    QFETCH(double, seconds);
    QFETCH(bool, before);
    QFETCH(bool, timed);
    QCOMPARE(replay.isTimed(), timed);
    QCOMPARE(replay.secondsFromTrigger(), seconds);
    QCOMPARE(replay.isBeforeTrigger(), before);
    QCOMPARE(replay.timeStamp().has_value(), timed);
    QCOMPARE(replay.rowAtSeconds(replay.secondsAt(replay.row())), replay.row());
}

void TestLogReplay::oneSecondSteps_data() {
    QTest::addColumn<std::vector<std::int64_t>>("stamps");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("to");

    QTest::newRow("rate forward") << std::vector<std::int64_t>{} << 5 << 1 << 55;
    QTest::newRow("rate back") << std::vector<std::int64_t>{} << 70 << -1 << 20;
    QTest::newRow("rate back past the start") << std::vector<std::int64_t>{} << 30 << -1 << 0;
    QTest::newRow("rate forward past the end") << std::vector<std::int64_t>{} << 90 << 1 << 99;
    QTest::newRow("stamps forward") << everyMs(100, 0, 20) << 5 << 1 << 55;
    QTest::newRow("stamps back") << everyMs(100, 0, 20) << 70 << -2 << 0;
    // 0..19 every 20 ms, then a pause of 3 s: a step over it lands behind it
    // and back on the last row a second or more earlier.
    std::vector<std::int64_t> gap = everyMs(20, 0, 20);
    for (const std::int64_t stamp : everyMs(80, 3380, 20))
        gap.push_back(stamp);
    QTest::newRow("forward over a gap") << gap << 19 << 1 << 20;
    QTest::newRow("back over a gap") << gap << 20 << -1 << 19;
    QTest::newRow("back over a gap, 2 s") << gap << 25 << -2 << 19;
}

void TestLogReplay::oneSecondSteps() {
    QFETCH(std::vector<std::int64_t>, stamps);
    QFETCH(int, from);
    QFETCH(int, seconds);
    QFETCH(int, to);
    LogReplay replay(logOf(100, stamps), ReplayCalibration{});
    replay.setRow(static_cast<std::size_t>(from));
    replay.stepSeconds(seconds);
    QCOMPARE(replay.row(), static_cast<std::size_t>(to));
}

void TestLogReplay::calibrationBySha_data() {
    QTest::addColumn<int>("description"); // 0: none beside the log, 1: no calibration, 2: a calibration
    QTest::addColumn<QByteArray>("loadedSha");
    QTest::addColumn<QByteArray>("foundSha"); // empty: the file was not found
    QTest::addColumn<bool>("readsFile");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("path");

    using Kind = ReplayCalibration::Kind;
    QTest::newRow("own file found") << 2 << QByteArray("bb") << QByteArray("aa") << true << int(Kind::LogsOwn)
                                    << "log.tolmcal3";
    QTest::newRow("own file changed") << 2 << QByteArray("bb") << QByteArray("cc") << true << int(Kind::Loaded)
                                      << "loaded.tolmcal3";
    QTest::newRow("own file missing") << 2 << QByteArray("bb") << QByteArray() << true << int(Kind::Loaded)
                                      << "loaded.tolmcal3";
    QTest::newRow("loaded is the log's") << 2 << QByteArray("aa") << QByteArray() << false << int(Kind::LoadedIsLogs)
                                         << "loaded.tolmcal3";
    QTest::newRow("made without one") << 1 << QByteArray("bb") << QByteArray() << false << int(Kind::None) << QString();
    QTest::newRow("no description") << 0 << QByteArray("bb") << QByteArray() << false << int(Kind::NoDescription)
                                    << "loaded.tolmcal3";
}

void TestLogReplay::calibrationBySha() {
    QFETCH(int, description);
    QFETCH(QByteArray, loadedSha);
    QFETCH(QByteArray, foundSha);
    LogDescription read;
    if (description == 1)
        read = describedWith(QString(), QByteArray());
    if (description == 2)
        read = describedWith("log.tolmcal3", "aa");
    CalibrationData loaded;
    loaded.setUnit("N");
    CalibrationData own;
    own.setUnit("kg");
    std::optional<FoundCalibration> found;
    if (!foundSha.isEmpty())
        found = FoundCalibration{own, foundSha};
    const CalibrationSource loadedSource{"loaded.tolmcal3", loadedSha};

    QFETCH(bool, readsFile);
    QCOMPARE(needsLogsCalibration(read, loadedSource), readsFile);
    const ReplayCalibration choice = chooseReplayCalibration(read, found, loaded, loadedSource);
    QFETCH(int, kind);
    QFETCH(QString, path);
    QCOMPARE(int(choice.kind), kind);
    QCOMPARE(choice.path, path);
    const std::string unit = kind == int(ReplayCalibration::Kind::LogsOwn) ? "kg"
                             : kind == int(ReplayCalibration::Kind::None)  ? ""
                                                                           : "N";
    QCOMPARE(choice.data.unit(), unit);
}

// A1 raw, B1 calibrated and recovered, C1 calibrated on a flat curve, D1
// calibrated without points in effect, E1 a field without a number; the
// rest not logged.
void TestLogReplay::whatSensorsShow() {
    auto log = logOf(2, {},
                     {{LogColumnKind::Sensor, "", "", 0},
                      {LogColumnKind::Sensor, "", "kg", 1},
                      {LogColumnKind::Sensor, "", "kg", 2},
                      {LogColumnKind::Sensor, "", "kg", 3},
                      {LogColumnKind::Sensor, "", "", 4}});
    log->values = {
        {0.25f, 0.5f}, {30.0f, 60.0f}, {1.0f, 1.0f}, {-4.0f, 2.0f}, {std::numeric_limits<float>::quiet_NaN(), 0.1f}};
    ReplayCalibration calibration;
    calibration.data.setUnit("kg");
    calibration.data.addPoint(1, 0, {0.5f, 50.0f});
    calibration.data.addPoint(2, 0, {0.0f, 1.0f});
    calibration.data.addPoint(2, 0, {1.0f, 1.0f});
    LogReplay replay(log, calibration);
    QCOMPARE(replay.unit(), QString("kg"));

    using Kind = ReplaySensor::Kind;
    const ReplaySensor raw = replay.sensor(0);
    QCOMPARE(raw.kind, Kind::Reading);
    QCOMPARE(raw.intensity, 0.25);
    const ReplaySensor recovered = replay.sensor(1);
    QCOMPARE(recovered.kind, Kind::Calibrated);
    QCOMPARE(recovered.value, 30.0);
    QCOMPARE(recovered.intensity, double(0.3f));
    QCOMPARE(replay.sensor(2).kind, Kind::ValueOnly);
    QCOMPARE(replay.sensor(3).kind, Kind::ValueOnly);
    QVERIFY(std::isnan(replay.sensor(4).value));
    QCOMPARE(replay.sensor(4).kind, Kind::ValueOnly);
    QCOMPARE(replay.sensor(5).kind, Kind::NotLogged);
    QVERIFY(!replay.isLogged(63));

    // Bars scale with the points in effect, or with the log's largest value.
    QCOMPARE(replay.barPoints(1).size(), std::size_t(1));
    QCOMPARE(replay.barPoints(1)[0].value, 50.0f);
    QCOMPARE(replay.barPoints(3)[0].value, 4.0f);
    QVERIFY(replay.barPoints(0).empty());

    replay.stepRows(5);
    QCOMPARE(replay.row(), std::size_t(1));
    QCOMPARE(replay.sensor(1).intensity, double(0.6f));
    QCOMPARE(replay.sensor(4).kind, Kind::Reading);
}

QTEST_GUILESS_MAIN(TestLogReplay)
#include "tst_logreplay.moc"
