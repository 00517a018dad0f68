// Replay of logs the window itself wrote on the emulated board: every step
// shows exactly that row in the bar graphs and the grid, keys and slider
// agree, the calibration the log was made with turns values back into grey
// levels, and "Back to live" shows the live frame while a capture went on.
#include "tst_mainwindow_support.h"

#include "CalibrationData.h"
#include "Grid8x8Widget.h"
#include "SensorWidget.h"
#include "TrendView.h"
#include "ValueText.h"

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QMap>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// A sensor's reading in frame n: a ramp, one hundredth per frame.
float rampReading(std::uint64_t n, int index) {
    return static_cast<float>((n + static_cast<std::uint64_t>(index)) % 100) / 100.0f;
}

void installRampBoard() {
    KivraTolmEmulator::reset();
    KivraTolmEmulator::BoardConfig board;
    board.counterPulsePeriodMs = 0;
    board.frameSource = [](std::uint64_t n, float* floats, std::uint32_t*) {
        for (int i = 0; i < 64; ++i)
            floats[4 + i] = rampReading(n, i) * 2.5f;
    };
    KivraTolmEmulator::setBoards({board});
}

// A capture of `rows` rows from a forced trigger into `path`.
bool captureLog(MainWindow& window, const QString& path, int rows, bool timeStamps) {
    child<QLineEdit>(window, "txtFile")->setText(path);
    child<QRadioButton>(window, "rdoCapFrames")->click();
    child<QSpinBox>(window, "spnCapSamples")->setValue(rows);
    child<QPushButton>(window, "btnLogCapSampleTimer")->setChecked(timeStamps);
    child<QPushButton>(window, "btnArmTrigger")->click();
    child<QPushButton>(window, "btnForceTrigger")->click();
    QElapsedTimer clock;
    clock.start();
    while (child<QPushButton>(window, "btnArmTrigger")->isChecked() && clock.elapsed() < 10000)
        QTest::qWait(10);
    return !child<QPushButton>(window, "btnArmTrigger")->isChecked();
}

QList<QByteArray> fieldsOf(const QByteArray& line) {
    QList<QByteArray> fields = line.trimmed().split(';');
    fields.removeLast();
    return fields;
}

QList<QByteArray> logLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    lines.removeLast();
    return lines;
}

// A1 with value = `a1` x reading, in kg, all sensors logged; with `b2`, B2
// with value = `b2` x reading and only columns A and B and C3 logged.
void saveCalibration(const QString& path, float a1, float b2 = 0.0f) {
    CalibrationData calibration;
    SensorMask mask = {};
    for (int row = 0; row < 8; ++row)
        mask[static_cast<std::size_t>(row * 8)] = mask[static_cast<std::size_t>(row * 8 + 1)] = true;
    mask[2 * 8 + 2] = true;
    calibration.setMode(b2 > 0.0f ? SensorMode::Custom : SensorMode::All, mask);
    calibration.setUnit("kg");
    calibration.addPoint(0, 0, {0.0f, 0.0f});
    calibration.addPoint(0, 0, {1.0f, a1});
    if (b2 > 0.0f)
        calibration.addPoint(1, 1, {1.0f, b2});
    calibration.save(path.toStdString());
}

// The sum the statistics give for row `row` of a log of raw readings: every
// logged sensor counts, in %.
QString rawSumText(const QList<QByteArray>& lines, int row) {
    const QList<QByteArray> titles = fieldsOf(lines[1]);
    const QList<QByteArray> fields = fieldsOf(lines[2 + row]);
    double sum = 0.0;
    for (int i = 0; i < titles.size(); ++i) {
        if (titles[i].startsWith("Sensor "))
            sum += static_cast<double>(fields[i].toFloat()) * 100.0;
    }
    return valueText(sum, "%");
}

struct Views {
    std::array<SensorWidget*, 8> bars = {};
    Grid8x8Widget* grid = nullptr;
};

Views viewsOf(MainWindow& window) {
    Views views;
    views.grid = window.findChild<Grid8x8Widget*>();
    const QList<SensorWidget*> bars = window.findChildren<SensorWidget*>();
    // Made column by column.
    for (int column = 0; column < 8; ++column)
        views.bars[static_cast<std::size_t>(column)] = bars.at(column);
    return views;
}

// The views show row `row` of the log as the file has it: raw sensors with
// their reading, calibrated ones with their value and the reading value /
// slope (`slopes`; a calibrated sensor without one shows its value only),
// the others as not logged.
void verifyRow(const Views& views, const QList<QByteArray>& lines, int row, const QMap<QString, double>& slopes) {
    const QList<QByteArray> titles = fieldsOf(lines[1]);
    const QList<QByteArray> fields = fieldsOf(lines[2 + row]);
    std::array<bool, 64> logged = {};
    for (int i = 0; i < titles.size(); ++i) {
        const QString title = QString::fromLatin1(titles[i]);
        if (!title.startsWith("Sensor "))
            continue;
        const QString name = title.mid(7, 2);
        const int column = name[0].toLatin1() - 'A';
        const int sensorRow = name[1].digitValue() - 1;
        logged[static_cast<std::size_t>(sensorRow * 8 + column)] = true;
        const float value = fields[i].toFloat();
        const GridCell& cell = views.grid->cell(column, sensorRow);
        const SensorBar& bar = views.bars[static_cast<std::size_t>(column)]->bar(sensorRow);
        QVERIFY2(!bar.notLogged, qPrintable(name));
        QCOMPARE(static_cast<float>(cell.value), value);
        QCOMPARE(static_cast<float>(bar.value), value);
        const bool raw = title.endsWith("()");
        QCOMPARE(cell.hasCalibration, !raw);
        QCOMPARE(bar.points.isEmpty(), raw);
        if (!raw && !slopes.contains(name)) {
            QCOMPARE(cell.shown, GridCellShown::ValueOnly);
            continue;
        }
        QCOMPARE(cell.shown, GridCellShown::Reading);
        QVERIFY2(std::abs(cell.intensity - (raw ? value : value / slopes[name])) < 1e-5, qPrintable(name));
    }
    for (int index = 0; index < 64; ++index) {
        if (logged[static_cast<std::size_t>(index)])
            continue;
        QCOMPARE(views.grid->cell(index % 8, index / 8).shown, GridCellShown::NotLogged);
        QVERIFY(views.bars[static_cast<std::size_t>(index % 8)]->bar(index / 8).notLogged);
    }
}

} // namespace

class TestMainWindowReplay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { installRampBoard(); }
    void cleanup() { KivraTolmEmulator::reset(); }

    void everyStepShowsThatRow_data();
    void everyStepShowsThatRow();
};

void TestMainWindowReplay::everyStepShowsThatRow_data() {
    QTest::addColumn<int>("calibration"); // 0: none, 1: the log's own found, 2: the log's own changed since
    QTest::addColumn<bool>("timeStamps");
    QTest::addColumn<QString>("calibrationText");

    QTest::newRow("raw, time stamps") << 0 << true << "Calibration: none";
    QTest::newRow("raw, row numbers") << 0 << false << "Calibration: none";
    QTest::newRow("the log's own calibration") << 1 << true << "Calibration: the log's own, ";
    QTest::newRow("the log's own has changed") << 2 << false << "is not found or has changed";
}

void TestMainWindowReplay::everyStepShowsThatRow() {
    QFETCH(int, calibration);
    QFETCH(bool, timeStamps);
    QTemporaryDir dir;
    const QString calibrationPath = dir.filePath("a.tolmcal3");
    const QString loadedPath = dir.filePath("b.tolmcal3");
    const QString path = dir.filePath("replay.csv");
    if (calibration > 0) {
        saveCalibration(calibrationPath, 100.0f, 20.0f);
        saveCalibration(loadedPath, 50.0f);
    }
    {
        MainWindow capturing("usb", "-", calibration > 0 ? calibrationPath : QString());
        QVERIFY(waitForTicks(capturing, 5));
        QVERIFY(captureLog(capturing, path, 120, timeStamps));
        capturing.close();
    }
    QMap<QString, double> slopes;
    if (calibration == 1)
        slopes = {{"A1", 100.0}, {"B2", 20.0}};
    if (calibration == 2) {
        saveCalibration(calibrationPath, 200.0f);
        slopes = {{"A1", 50.0}}; // the loaded one's; it has no points for B2
    }
    const QList<QByteArray> lines = logLines(path);
    const int rows = lines.size() - 2;
    QVERIFY(rows >= 100);

    // Reviewed in a window that has another calibration loaded.
    MainWindow window("usb", "-", calibration > 0 ? loadedPath : QString());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    TrendView* trend = child<TrendView>(window, "tabTrend");
    QSignalSpy done(trend, &TrendView::logDone);
    trend->openLog(path);
    QVERIFY(done.count() > 0 || done.wait(10000));
    child<QPushButton>(*trend, "btnTrendReplay")->click();
    QCOMPARE(child<QTabWidget>(window, "tabWidget")->currentWidget()->objectName(), QString("tabGrid"));

    QFETCH(QString, calibrationText);
    QTRY_VERIFY2(child<QLabel>(window, "lblReplayCalibration")->text().contains(calibrationText),
                 qPrintable(child<QLabel>(window, "lblReplayCalibration")->text()));
    const Views views = viewsOf(window);
    auto* slider = child<QSlider>(window, "sldReplayRow");
    QCOMPARE(slider->maximum(), rows - 1);
    QWidget* grid = child<QWidget>(window, "tabGrid");
    // A capture without end runs meanwhile.
    const QString running = dir.filePath("running.csv");
    child<QLineEdit>(window, "txtFile")->setText(running);
    child<QSpinBox>(window, "spnCapSamples")->setValue(0);
    child<QPushButton>(window, "btnArmTrigger")->click();
    child<QPushButton>(window, "btnForceTrigger")->click();

    // Each step: where it leads, then that row in every view, the frame
    // named, the trend's cursor on it.
    const auto step = [&](const std::function<void()>& action, int expected) {
        action();
        QCOMPARE(slider->value(), expected);
        verifyRow(views, lines, expected, slopes);
        // The figures beside the grid are the row's too.
        if (calibration == 0)
            QCOMPARE(child<QLabel>(window, "lblStatSum")->text(), rawSumText(lines, expected));
        QVERIFY(child<QLabel>(window, "lblReplayFrame")->text().startsWith(QString("Frame %1 of").arg(expected + 1)));
        const double time = timeStamps ? fieldsOf(lines[2 + expected]).first().toDouble() : expected;
        QCOMPARE(*trend->trendChart()->cursorTime(), time);
    };
    step([] {}, 0);
    step([&] { QTest::keyClick(grid, Qt::Key_Right); }, 1);
    step([&] { child<QPushButton>(window, "btnReplayFrameForward")->click(); }, 2);
    step([&] { slider->setValue(40); }, 40);
    step([&] { QTest::keyClick(grid, Qt::Key_Left); }, 39);
    step([&] { child<QPushButton>(window, "btnReplayFrameBack")->click(); }, 38);
    // One second at 50 frames per second.
    step([&] { child<QPushButton>(window, "btnReplaySecondForward")->click(); }, 88);
    step([&] { child<QPushButton>(window, "btnReplaySecondBack")->click(); }, 38);
    step([&] { slider->setValue(rows - 1); }, rows - 1);
    step([&] { QTest::keyClick(grid, Qt::Key_Right); }, rows - 1);
    QVERIFY(child<QLabel>(window, "lblReplayTrigger")->text().contains("after the trigger"));

    // Played at 10x from the first row, it reaches the last and stops.
    slider->setValue(0);
    child<QComboBox>(window, "cmbReplaySpeed")->setCurrentIndex(3);
    child<QPushButton>(window, "btnReplayPlay")->click();
    QTRY_COMPARE_WITH_TIMEOUT(slider->value(), rows - 1, 5000);
    QTRY_VERIFY(!child<QPushButton>(window, "btnReplayPlay")->isChecked());
    verifyRow(views, lines, rows - 1, slopes);

    // The capture went on; "Back to live" shows one live frame at once, with
    // the live set-up.
    QTRY_VERIFY(logLines(running).size() > 20);
    child<QPushButton>(window, "btnReplayLive")->click();
    QVERIFY(!trend->isReviewing());
    QVERIFY(!child<QWidget>(window, "cmpReplayBar")->isVisible());
    const int first = static_cast<int>(std::lround(views.grid->cell(0, 0).intensity * 100.0));
    for (int index = 0; index < 64; ++index) {
        const GridCell& cell = views.grid->cell(index % 8, index / 8);
        QCOMPARE(cell.shown, GridCellShown::Reading);
        QCOMPARE(static_cast<float>(cell.intensity), rampReading(static_cast<std::uint64_t>(first), index));
        QVERIFY(!views.bars[static_cast<std::size_t>(index % 8)]->bar(index / 8).notLogged);
    }
    QCOMPARE(views.bars[2]->shownBarIndices().size(), calibration > 0 ? 8 : 1);
    child<QPushButton>(window, "btnArmTrigger")->click();
}

QTEST_MAIN(TestMainWindowReplay)
#include "tst_mainwindow_replay.moc"
