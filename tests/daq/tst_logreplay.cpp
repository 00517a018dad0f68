// The replay model's rules: time from the stamps or the rate, before and
// after the trigger, one-second steps, the calibration chosen by SHA-256 and
// what each sensor shows.
#include "LogReplay.h"

#include <QtTest>

#include <cmath>

using KivraTolm::LogColumn;
using KivraTolm::LogColumnKind;
using Stamps = std::vector<std::int64_t>;
Q_DECLARE_METATYPE(Stamps)
Q_DECLARE_METATYPE(ReplayCalibration::Kind)

namespace {

// 100 rows at 50 Hz, 10 of them before the trigger at 1000 ms; the time
// stamps given, or none.
std::shared_ptr<KivraTolm::CaptureLogContent> logOf(Stamps stamps, std::vector<LogColumn> sensors = {}) {
    auto log = std::make_shared<KivraTolm::CaptureLogContent>();
    log->header = {50, 10, QString(), 1000};
    log->rowCount = 100;
    for (std::size_t i = 1; i < stamps.size(); ++i)
        log->timeBackLine = log->timeBackLine > 0 || stamps[i] >= stamps[i - 1] ? log->timeBackLine : qint64(i) + 3;
    log->timestamps = std::move(stamps);
    log->columns = std::move(sensors);
    log->values.assign(log->columns.size(), std::vector<float>(100, 0.0f));
    return log;
}

// Every 20 ms from `first`; with a pause of 3 s after `pauseAfter` rows.
Stamps every20ms(std::int64_t first, std::size_t pauseAfter = 100) {
    Stamps stamps;
    for (std::size_t i = 0; i < 100; ++i)
        stamps.push_back(first + static_cast<std::int64_t>(i) * 20 + (i >= pauseAfter ? 3000 : 0));
    return stamps;
}

} // namespace

class TestLogReplay : public QObject {
    Q_OBJECT

private slots:
    void timeAndSteps_data();
    void timeAndSteps();
    void calibrationBySha_data();
    void calibrationBySha();
    void whatSensorsShow();
};

void TestLogReplay::timeAndSteps_data() {
    QTest::addColumn<Stamps>("stamps");
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("seconds"); // from the trigger
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("timed");
    QTest::addColumn<int>("step"); // seconds
    QTest::addColumn<int>("to");   // the row it leads to

    QTest::newRow("rate, first row") << Stamps{} << 0 << -0.2 << true << false << -1 << 0;
    QTest::newRow("rate, last before") << Stamps{} << 9 << -0.02 << true << false << 1 << 59;
    QTest::newRow("rate, trigger row") << Stamps{} << 10 << 0.0 << false << false << -1 << 0;
    QTest::newRow("rate, later") << Stamps{} << 70 << 1.2 << false << false << -1 << 20;
    QTest::newRow("rate, past the end") << Stamps{} << 90 << 1.6 << false << false << 1 << 99;
    QTest::newRow("stamps") << every20ms(800) << 35 << 0.5 << false << true << 1 << 85;
    QTest::newRow("stamps, past the start") << every20ms(800) << 70 << 1.2 << false << true << -2 << 0;
    Stamps back = every20ms(800);
    back[50] = 0;
    QTest::newRow("stamps going back: the rate") << back << 35 << 0.5 << false << false << 1 << 85;
    // A pause of 3 s is stepped over, forward and back.
    QTest::newRow("forward over a pause") << every20ms(0, 20) << 19 << -0.62 << false << true << 1 << 20;
    QTest::newRow("back over a pause") << every20ms(0, 20) << 20 << 2.4 << false << true << -1 << 19;
    QTest::newRow("back over a pause, 2 s") << every20ms(0, 20) << 25 << 2.5 << false << true << -2 << 19;
}

void TestLogReplay::timeAndSteps() {
    QFETCH(Stamps, stamps);
    QFETCH(int, row);
    QFETCH(double, seconds);
    QFETCH(bool, before);
    QFETCH(bool, timed);
    QFETCH(int, step);
    QFETCH(int, to);
    LogReplay replay(logOf(stamps), ReplayCalibration{});
    replay.setRow(static_cast<std::size_t>(row));
    QCOMPARE(replay.isTimed(), timed);
    QCOMPARE(replay.timeStamp().has_value(), timed);
    QCOMPARE(replay.secondsFromTrigger(), seconds);
    QCOMPARE(replay.isBeforeTrigger(), before);
    QCOMPARE(replay.rowAtSeconds(replay.secondsAt(replay.row())), replay.row());
    replay.stepSeconds(step);
    QCOMPARE(replay.row(), static_cast<std::size_t>(to));
}

void TestLogReplay::calibrationBySha_data() {
    QTest::addColumn<int>("description"); // 0: none beside the log, 1: no calibration, 2: "log.tolmcal3" with "aa"
    QTest::addColumn<QByteArray>("loadedSha");
    QTest::addColumn<QByteArray>("foundSha"); // empty: the file was not found
    QTest::addColumn<bool>("readsFile");
    QTest::addColumn<ReplayCalibration::Kind>("kind");

    using Kind = ReplayCalibration::Kind;
    QTest::newRow("own file found") << 2 << QByteArray("bb") << QByteArray("aa") << true << Kind::LogsOwn;
    QTest::newRow("own file changed") << 2 << QByteArray("bb") << QByteArray("cc") << true << Kind::Loaded;
    QTest::newRow("own file missing") << 2 << QByteArray("bb") << QByteArray() << true << Kind::Loaded;
    QTest::newRow("loaded is the log's") << 2 << QByteArray("aa") << QByteArray() << false << Kind::LoadedIsLogs;
    QTest::newRow("made without one") << 1 << QByteArray("bb") << QByteArray() << false << Kind::None;
    QTest::newRow("no description") << 0 << QByteArray("bb") << QByteArray() << false << Kind::NoDescription;
}

void TestLogReplay::calibrationBySha() {
    QFETCH(int, description);
    QFETCH(QByteArray, loadedSha);
    QFETCH(QByteArray, foundSha);
    LogDescription read;
    read.state = description > 0 ? LogDescription::State::Read : LogDescription::State::Missing;
    if (description == 2) {
        read.calibrationPath = "log.tolmcal3";
        read.calibrationSha256 = "aa";
    }
    CalibrationData loaded;
    loaded.setUnit("N");
    CalibrationData own;
    own.setUnit("kg");
    std::optional<FoundCalibration> found;
    if (!foundSha.isEmpty())
        found = FoundCalibration{own, foundSha};
    const CalibrationSource loadedSource{"loaded.tolmcal3", loadedSha};

    QFETCH(bool, readsFile);
    QFETCH(ReplayCalibration::Kind, kind);
    QCOMPARE(needsLogsCalibration(read, loadedSource), readsFile);
    const ReplayCalibration choice = chooseReplayCalibration(read, found, loaded, loadedSource);
    QCOMPARE(choice.kind, kind);
    const bool logsOwn = kind == ReplayCalibration::Kind::LogsOwn;
    const bool none = kind == ReplayCalibration::Kind::None;
    QCOMPARE(choice.data.unit(), std::string(none ? "" : logsOwn ? "kg" : "N"));
    QCOMPARE(choice.path, QString(none ? "" : logsOwn ? "log.tolmcal3" : "loaded.tolmcal3"));
}

void TestLogReplay::whatSensorsShow() {
    const auto column = [](int index, const char* unit) {
        return LogColumn{LogColumnKind::Sensor, "", unit, index};
    };
    auto log = logOf({}, {column(0, ""), column(1, "kg"), column(2, "kg"), column(3, "kg"), column(4, "")});
    log->values = {{0.25f, 0.5f}, {30.0f, 60.0f}, {1.0f, 1.0f}, {-4.0f, 2.0f}, {std::nanf(""), 0.1f}};
    ReplayCalibration calibration;
    calibration.data.setUnit("kg");
    calibration.data.addPoint(1, 0, {0.5f, 50.0f});
    calibration.data.addPoint(2, 0, {0.0f, 1.0f});
    calibration.data.addPoint(2, 0, {1.0f, 1.0f});
    LogReplay replay(log, calibration);
    QCOMPARE(replay.unit(), QString("kg"));

    // A1 raw, B1 recovered, C1 on a flat curve, D1 without points in effect,
    // E1 no number; the rest not logged.
    using Kind = ReplaySensor::Kind;
    QCOMPARE(replay.sensor(0).kind, Kind::Reading);
    QCOMPARE(replay.sensor(0).intensity, 0.25);
    QCOMPARE(replay.sensor(1).kind, Kind::Calibrated);
    QCOMPARE(replay.sensor(1).value, 30.0);
    QCOMPARE(replay.sensor(1).intensity, double(0.3f));
    for (const int index : {2, 3, 4})
        QCOMPARE(replay.sensor(index).kind, Kind::ValueOnly);
    QCOMPARE(replay.sensor(5).kind, Kind::NotLogged);
    // Bars scale with the points in effect, or with the log's largest value.
    QCOMPARE(replay.barPoints(1)[0].value, 50.0f);
    QCOMPARE(replay.barPoints(3)[0].value, 4.0f);
    QVERIFY(replay.barPoints(0).empty());

    replay.setRow(1);
    QCOMPARE(replay.sensor(1).intensity, double(0.6f));
    QCOMPARE(replay.sensor(4).kind, Kind::Reading);
}

QTEST_GUILESS_MAIN(TestLogReplay)
#include "tst_logreplay.moc"
