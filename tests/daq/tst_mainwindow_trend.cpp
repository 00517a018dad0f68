// The Trend tab of the DAQ main window on the emulated board: every frame in
// order, spans, pause and scrolling back, capture marks, the review of logs
// the window itself wrote, good and broken; the statistics beside the grid,
// as trend channels and exported from a reviewed log; zooming, the second
// cursor and the chart and rows of a reviewed log exported.
#include "tst_mainwindow_support.h"

#include "CalibrationData.h"
#include "CaptureFiles.h"
#include "CaptureLogReader.h"
#include "CentreTrailOverlay.h"
#include "CsvLogPython.h"
#include "FrameStatistics.h"
#include "GreyScaleBar.h"
#include "GridGeometry.h"
#include "SensorPosition.h"
#include "TrendView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <QMessageBox>
#include <QProgressDialog>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TrendChannel = KivraTolm::TrendChannel;

namespace {

// A sensor's reading in frame n (engine units): a ramp per sensor, one
// hundredth per frame, so that each frame's values name the frame.
float rampReading(std::uint64_t n, int index) {
    return static_cast<float>((n + static_cast<std::uint64_t>(index)) % 100) / 100.0f;
}

// Input i reads i + the frame's tenth part; the counter is the frame number.
float rampInput(std::uint64_t n, int input) {
    return static_cast<float>(input) + static_cast<float>(n % 10) / 10.0f;
}

void installRampBoard() {
    KivraTolmEmulator::reset();
    KivraTolmEmulator::BoardConfig board;
    board.counterPulsePeriodMs = 0;
    board.frameSource = [](std::uint64_t n, float* floats, std::uint32_t* words) {
        for (int i = 0; i < 4; ++i)
            floats[i] = rampInput(n, i);
        for (int i = 0; i < 64; ++i)
            floats[4 + i] = rampReading(n, i) * 2.5f;
        words[2] = static_cast<std::uint32_t>(n);
    };
    KivraTolmEmulator::setBoards({board});
}

TrendView* trendOf(MainWindow& window) {
    return child<TrendView>(window, "tabTrend");
}

void setRate(MainWindow& window, int rate) {
    child<QSpinBox>(window, "spnRate")->setValue(rate);
}

// A capture of `rows` rows from a forced trigger, the log buttons named
// pressed, into `path`, forced once `armedFrames` frames came after arming;
// returns once it has ended.
bool captureLog(MainWindow& window, const QString& path, int rows, const QStringList& logButtons,
                std::size_t armedFrames = 0) {
    child<QLineEdit>(window, "txtFile")->setText(path);
    child<QSpinBox>(window, "spnCapSamples")->setValue(rows);
    child<QRadioButton>(window, "rdoCapFrames")->click();
    child<QSpinBox>(window, "spnCapSamples")->setValue(rows);
    for (const QString& name : logButtons)
        child<QPushButton>(window, qPrintable(name))->setChecked(true);
    child<QPushButton>(window, "btnArmTrigger")->click();
    QElapsedTimer clock;
    clock.start();
    const std::size_t armedAt = trendOf(window)->history().size();
    while (trendOf(window)->history().size() < armedAt + armedFrames && clock.elapsed() < 10000)
        QTest::qWait(10);
    child<QPushButton>(window, "btnForceTrigger")->click();
    while (child<QPushButton>(window, "btnArmTrigger")->isChecked() && clock.elapsed() < 10000)
        QTest::qWait(10);
    for (const QString& name : logButtons)
        child<QPushButton>(window, qPrintable(name))->setChecked(false);
    return !child<QPushButton>(window, "btnArmTrigger")->isChecked();
}

bool openLog(TrendView* trend, const QString& path) {
    QSignalSpy done(trend, &TrendView::logDone);
    trend->openLog(path);
    return done.count() > 0 || done.wait(10000);
}

QList<QByteArray> fieldsOf(const QByteArray& line) {
    QList<QByteArray> fields = line.trimmed().split(';');
    fields.removeLast(); // behind the last separator
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

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

class TestMainWindowTrend : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { installRampBoard(); }
    void cleanup() { KivraTolmEmulator::reset(); }

    void tabFollowsTheSensorViews();
    void everyFrameInOrder();
    void calibratedSensorsInTheirUnit();
    void spanPauseScrollAndLive();
    void captureMarksItsTriggerAndEnd();
    void reviewOfLogsWrittenByTheWindow_data();
    void reviewOfLogsWrittenByTheWindow();
    void reviewWhileCapturing();
    void brokenLogs_data();
    void brokenLogs();
    void tornLastRowIsShownAndSaid();
    void reviewNotes_data();
    void reviewNotes();
    void stalledReadIsLeftBehind();
    void errorBoxIsNotUnderTheProgress();
    void statisticsChannelsFollowTheFrames();
    void panelBesideTheGrid();
    void thresholdFollowsTheUnit();
    void exportOfAReviewedLog_data();
    void exportOfAReviewedLog();
    void zoomCursorsAndExportsOfAReviewedLog();
};

void TestMainWindowTrend::tabFollowsTheSensorViews() {
    MainWindow window("usb", "-", QString());
    auto* tabs = child<QTabWidget>(window, "tabWidget");
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QString("  Bar Graph"));
    QCOMPARE(tabs->tabText(1), QString("  Grid"));
    QCOMPARE(tabs->tabText(2), QString("  Trend"));
    QCOMPARE(tabs->widget(2), trendOf(window));
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(!tabs->tabIcon(2).isNull());
    // The history holds 10 min at the fastest rate the window offers.
    QCOMPARE(trendOf(window)->history().capacity(),
             static_cast<std::size_t>(child<QSpinBox>(window, "spnRate")->maximum()) * 600);
}

void TestMainWindowTrend::everyFrameInOrder() {
    MainWindow window("usb", "-", QString());
    setRate(window, 250);
    const KivraTolm::TrendStore& history = trendOf(window)->history();
    QTRY_VERIFY_WITH_TIMEOUT(history.size() >= 500, 10000);

    // Consecutive counters: no frame skipped, none twice, in order; every
    // channel carries the values of its own frame (no calibration: %).
    for (std::size_t i = 0; i < history.size(); ++i) {
        const std::uint64_t n = history.counterAt(i);
        if (i > 0)
            QCOMPARE(n, history.counterAt(i - 1) + 1);
        for (const int index : {0, 9, 27, 63}) {
            const double shown = history.valueAt(index, i);
            QVERIFY2(std::abs(shown - rampReading(n, index) * 100.0) < 1e-3,
                     qPrintable(QString("frame %1 sensor %2: %3").arg(n).arg(index).arg(shown)));
        }
        for (int input = 0; input < 4; ++input)
            QCOMPARE(history.valueAt(TrendChannel::firstAnalog + input, i), static_cast<double>(rampInput(n, input)));
    }
    // Every frame the engine built reached the trend.
    QVERIFY(history.size() + 20 >= static_cast<std::size_t>(history.counterAt(history.size() - 1)));
}

void TestMainWindowTrend::calibratedSensorsInTheirUnit() {
    QTemporaryDir dir;
    // A1 in kg: value = 40 x reading; every other sensor without points.
    CalibrationData calibration;
    calibration.setUnit("kg");
    calibration.addPoint(0, 0, {0.0f, 0.0f});
    calibration.addPoint(0, 0, {1.0f, 40.0f});
    const QString file = dir.filePath("a1.tolmcal3");
    calibration.save(QFile::encodeName(file).toStdString());

    MainWindow window("usb", "-", file);
    TrendView* trend = trendOf(window);
    const KivraTolm::TrendStore& history = trend->history();
    QTRY_VERIFY(history.size() >= 50);
    for (std::size_t i = 0; i < history.size(); ++i) {
        const std::uint64_t n = history.counterAt(i);
        QVERIFY(std::abs(history.valueAt(0, i) - rampReading(n, 0) * 40.0) < 1e-3);
        QVERIFY(std::abs(history.valueAt(1, i) - rampReading(n, 1) * 100.0) < 1e-3);
    }
    trend->traceButton(1)->setChecked(true); // B1
    QStringList units;
    for (const TrendTrace& trace : trend->trendChart()->currentTraces())
        units << trace.name + " " + trace.unit;
    QVERIFY(units.contains("A1 kg"));
    QVERIFY(units.contains("B1 %"));
}

void TestMainWindowTrend::spanPauseScrollAndLive() {
    MainWindow window("usb", "-", QString());
    setRate(window, 250);
    window.resize(1200, 900);
    window.show();
    TrendView* trend = trendOf(window);
    child<QTabWidget>(window, "tabWidget")->setCurrentWidget(trend);
    TrendChart* chart = trend->trendChart();
    const KivraTolm::TrendStore& history = trend->history();
    // Half a minute from before the window opened, so that there is more
    // than a span to scroll over.
    std::deque<KivraTolm::InputFrame> earlier;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int i = 0; i < 7500; ++i) {
        KivraTolm::InputFrame frame;
        frame.timestamp = static_cast<std::uint64_t>(now - 30000 + i * 4);
        earlier.push_back(frame);
    }
    trend->addFrames(earlier, window.calibrationData());
    QTRY_VERIFY_WITH_TIMEOUT(history.size() >= 8000, 10000);

    auto* spans = child<QComboBox>(*trend, "cmbTrendSpan");
    const std::vector<std::int64_t> expected = {10000, 60000, 600000};
    for (int i = 0; i < spans->count(); ++i) {
        spans->setCurrentIndex(i);
        QCOMPARE(chart->viewSpan(), static_cast<double>(expected[static_cast<std::size_t>(i)]));
    }
    spans->setCurrentIndex(0);
    // Live: the view ends at the newest frame after each tick.
    QVERIFY(waitForTicks(window, 2));
    QCOMPARE(chart->viewEnd(), static_cast<double>(history.timeAt(history.size() - 1)));

    // Paused: the chart stands still while frames keep coming.
    child<QPushButton>(*trend, "btnTrendPause")->click();
    QVERIFY(trend->isPaused());
    const double heldEnd = chart->viewEnd();
    const std::size_t kept = history.size();
    QVERIFY(waitForTicks(window, 10));
    QVERIFY(history.size() > kept);
    QCOMPARE(chart->viewEnd(), heldEnd);

    // Scrolling back moves the view over what is kept.
    auto* scroll = child<QScrollBar>(*trend, "scrTrendTime");
    QVERIFY(scroll->maximum() > 0);
    scroll->setValue(0);
    const double oldestEnd = static_cast<double>(history.timeAt(0)) + chart->viewSpan();
    QVERIFY(std::abs(chart->viewEnd() - oldestEnd) <= 10.0);
    // The cursor there reads the frame under it.
    chart->setCursorTime(static_cast<double>(history.timeAt(5)));
    QVERIFY(chart->readout().time.endsWith(QDateTime::fromMSecsSinceEpoch(history.timeAt(5)).toString("hh:mm:ss.zzz")));

    // Back to live follows the newest frames again.
    child<QPushButton>(*trend, "btnTrendLive")->click();
    QVERIFY(!trend->isPaused());
    QVERIFY(waitForTicks(window, 2));
    QCOMPARE(chart->viewEnd(), static_cast<double>(history.timeAt(history.size() - 1)));

    // Scrolling while live pauses the chart where the user put it.
    scroll->setValue(scroll->maximum() / 2);
    QVERIFY(trend->isPaused());
    const double scrolledEnd = chart->viewEnd();
    QVERIFY(waitForTicks(window, 3));
    QCOMPARE(chart->viewEnd(), scrolledEnd);
}

void TestMainWindowTrend::captureMarksItsTriggerAndEnd() {
    QTemporaryDir dir;
    MainWindow window("usb", "-", QString());
    setRate(window, 250);
    TrendView* trend = trendOf(window);
    QTRY_VERIFY(trend->history().size() >= 100);
    const QString path = dir.filePath("marked.csv");
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(captureLog(window, path, 50, {"btnLogCapSampleTimer"}));
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(waitForTicks(window, 1));

    const QList<QByteArray> lines = logLines(path);
    QCOMPARE(lines.size(), 52);
    const QList<QByteArray> header = lines[0].split('(');
    const qint64 triggerTime = header.last().split(')').first().toLongLong();
    QVERIFY(triggerTime >= before && triggerTime <= after);
    std::vector<TrendMark> shown = trend->trendChart()->currentMarks();
    QCOMPARE(shown.size(), std::size_t(2));
    QCOMPARE(shown[0].kind, TrendMark::Trigger);
    QCOMPARE(shown[0].time, static_cast<double>(triggerTime));
    QCOMPARE(shown[1].kind, TrendMark::End);
    // The end is at the newest frame the capture could have taken, at or
    // after its last row.
    const double lastRow = fieldsOf(lines.last()).first().toDouble();
    QVERIFY(shown[1].time >= lastRow);
    QVERIFY(shown[1].time <= static_cast<double>(trend->history().timeAt(trend->history().size() - 1)));
}

void TestMainWindowTrend::reviewOfLogsWrittenByTheWindow_data() {
    QTest::addColumn<bool>("timeStamps");
    QTest::addColumn<bool>("description");
    QTest::newRow("time stamps and description") << true << true;
    QTest::newRow("time stamps, no description") << true << false;
    QTest::newRow("row numbers and description") << false << true;
    QTest::newRow("row numbers, no description") << false << false;
}

void TestMainWindowTrend::reviewOfLogsWrittenByTheWindow() {
    QFETCH(bool, timeStamps);
    QFETCH(bool, description);

    QTemporaryDir dir;
    MainWindow window("usb", "-", QString());
    setRate(window, 250);
    TrendView* trend = trendOf(window);
    // 20 pre-trigger rows.
    child<QRadioButton>(window, "rdoPreTriggerSamples")->click();
    child<QSpinBox>(window, "spnPreTriggerSamples")->setValue(20);
    QTRY_VERIFY(trend->history().size() >= 100);
    const QString path = dir.filePath("review.csv");
    QStringList buttons = {"btnLogAnalog1", "btnLogHardwareCounter"};
    if (timeStamps)
        buttons << "btnLogCapSampleTimer";
    QVERIFY(captureLog(window, path, 120, buttons));
    QVERIFY(QFile::exists(path + ".json"));
    if (!description)
        QVERIFY(QFile::remove(path + ".json"));

    QVERIFY(openLog(trend, path));
    QVERIFY(trend->isReviewing());
    TrendChart* chart = trend->trendChart();
    const QList<QByteArray> lines = logLines(path);
    const QList<QByteArray> titles = fieldsOf(lines[1]);
    const int rows = lines.size() - 2;
    QVERIFY(rows >= 100 && rows <= 120);

    // The traces: the default diagonal sensors (the window's calibration logs
    // them all), the logged input and the counter once ticked.
    trend->traceButton(TrendChannel::firstAnalog + 1)->setChecked(true);
    trend->traceButton(TrendChannel::counter)->setChecked(true);
    QVERIFY(!trend->traceButton(TrendChannel::firstAnalog)->isEnabled()); // AIn0 not in the log
    QStringList names;
    for (const TrendTrace& trace : chart->currentTraces())
        names << trace.name;
    QVERIFY(names.contains("A1"));
    QVERIFY(names.contains("AIn1"));
    QVERIFY(names.contains("Counter"));

    // Against time stamps or row numbers, with the cursor reading row 7 as
    // the file has it.
    const QList<QByteArray> row7 = fieldsOf(lines[2 + 7]);
    const int counterColumn = titles.indexOf("Counter");
    const int inputColumn = titles.indexOf("AIn1 (V)");
    const int a1Column = titles.indexOf("Sensor A1 ()");
    QVERIFY(counterColumn >= 0 && inputColumn >= 0 && a1Column >= 0);
    double row7Time = 7;
    if (timeStamps) {
        QCOMPARE(titles.first(), QByteArray("TimeStamp (ms)"));
        row7Time = row7.first().toDouble();
    }
    chart->setCursorTime(row7Time);
    const TrendReadout readout = chart->readout();
    if (timeStamps)
        QCOMPARE(readout.time,
                 QDateTime::fromMSecsSinceEpoch(row7.first().toLongLong()).toString("yyyy-MM-dd hh:mm:ss.zzz"));
    else
        QCOMPARE(readout.time, QString("Row 7"));
    QVERIFY(readout.values.contains("Counter: " + QString::fromLatin1(row7[counterColumn])));
    QVERIFY(readout.values.contains("AIn1: " + QLocale().toString(row7[inputColumn].toDouble(), 'f', 2) + " V"));
    // A sensor without points was logged raw and shows as %.
    QVERIFY(readout.values.contains("A1: " + QLocale().toString(row7[a1Column].toDouble() * 100.0, 'f', 2) + " %"));

    // The trigger moment is marked and the rows from before it shaded: as
    // many as the description counted, else the header's pre-trigger length.
    const std::vector<TrendMark> marks = chart->currentMarks();
    QCOMPARE(marks.size(), std::size_t(1));
    const QJsonObject json = readJson(path + ".json");
    int before = 20;
    for (const QJsonValue& part : json) {
        if (part.toObject().contains("pre_trigger_rows"))
            before = part.toObject().value("pre_trigger_rows").toInt();
    }
    QVERIFY(before <= 20);
    QCOMPARE(chart->currentShade().has_value(), before > 0);
    if (timeStamps) {
        const qint64 triggerTime = lines[0].split('(').last().split(')').first().toLongLong();
        QCOMPARE(marks[0].time, static_cast<double>(triggerTime));
        if (before > 0)
            QCOMPARE(*chart->currentShade(), std::make_pair(fieldsOf(lines[2]).first().toDouble(),
                                                            fieldsOf(lines[2 + before - 1]).first().toDouble()));
    } else {
        QCOMPARE(marks[0].time, static_cast<double>(before));
        if (before > 0)
            QCOMPARE(*chart->currentShade(), std::make_pair(0.0, static_cast<double>(before)));
    }

    // The description beside the log as details.
    const QString details = child<QLabel>(*trend, "lblTrendDetails")->text();
    if (description) {
        QVERIFY(!json.isEmpty());
        QVERIFY2(details.contains("Rows: " + QString::number(json["rows"].toInt())), qPrintable(details));
        QVERIFY2(details.contains("Board: usb"), qPrintable(details));
    } else {
        QVERIFY(details.contains("No description file beside the log."));
    }

    // Back to live.
    child<QPushButton>(*trend, "btnTrendLive")->click();
    QVERIFY(!trend->isReviewing());
    QVERIFY(trend->traceButton(TrendChannel::firstAnalog)->isEnabled());
    QVERIFY(waitForTicks(window, 2));
    QCOMPARE(chart->viewEnd(), static_cast<double>(trend->history().timeAt(trend->history().size() - 1)));
    QVERIFY(!chart->currentShade().has_value());
}

void TestMainWindowTrend::reviewWhileCapturing() {
    QTemporaryDir dir;
    MainWindow window("usb", "-", QString());
    setRate(window, 250);
    TrendView* trend = trendOf(window);
    QTRY_VERIFY(trend->history().size() >= 50);
    const QString first = dir.filePath("first.csv");
    QVERIFY(captureLog(window, first, 60, {"btnLogCapSampleTimer"}));

    // A second capture without end runs while the first is reviewed.
    child<QLineEdit>(window, "txtFile")->setText(dir.filePath("second.csv"));
    child<QSpinBox>(window, "spnCapSamples")->setValue(0);
    child<QPushButton>(window, "btnArmTrigger")->click();
    child<QPushButton>(window, "btnForceTrigger")->click();
    QTRY_VERIFY(statusOf(window).contains("Captured: "));
    QVERIFY(openLog(trend, first));
    QVERIFY(trend->isReviewing());
    const int rowsThen = dataRows(dir.filePath("second.csv"));
    QVERIFY(waitForTicks(window, 10));
    QVERIFY(dataRows(dir.filePath("second.csv")) > rowsThen);
    QVERIFY(child<QPushButton>(window, "btnArmTrigger")->isChecked());
    // The live history goes on meanwhile too.
    const std::size_t kept = trend->history().size();
    QVERIFY(waitForTicks(window, 5));
    QVERIFY(trend->history().size() > kept || kept == trend->history().capacity());
    child<QPushButton>(window, "btnArmTrigger")->click();
    QTRY_VERIFY(statusOf(window).endsWith(" - Idle"));
}

void TestMainWindowTrend::brokenLogs_data() {
    QTest::addColumn<int>("damage");
    QTest::addColumn<QString>("lineText");
    // 0: not a capture log, 1: a short row, 2: a number that is not one.
    QTest::newRow("not a capture log") << 0 << "line 1";
    QTest::newRow("short row") << 1 << "line 5";
    QTest::newRow("not a number") << 2 << "line 6";
}

void TestMainWindowTrend::brokenLogs() {
    QFETCH(int, damage);
    QFETCH(QString, lineText);

    QTemporaryDir dir;
    MainWindow window("usb", "-", QString());
    TrendView* trend = trendOf(window);
    QTRY_VERIFY(trend->history().size() >= 20);
    const QString path = dir.filePath("broken.csv");
    QVERIFY(captureLog(window, path, 10, {"btnLogCapSampleTimer", "btnLogHardwareCounter"}));
    QList<QByteArray> lines = logLines(path);
    QVERIFY(lines.size() >= 8);
    if (damage == 0)
        lines[0] = "Shopping list;eggs;";
    else if (damage == 1)
        lines[4] = lines[4].left(lines[4].indexOf(';') + 1);
    else
        lines[5].replace(lines[5].indexOf(';') + 1, 1, "x");
    writeFile(path, lines.join('\n') + '\n');

    ModalResponder responder;
    responder.answer({QMessageBox::Ok});
    QVERIFY(openLog(trend, path));
    QTRY_VERIFY(responder.allAnswersUsed());
    QCOMPARE(responder.shownTitles(), QStringList{"Error"});
    const QString message = responder.shownTexts().value(0);
    QVERIFY2(message.contains("broken.csv"), qPrintable(message));
    QVERIFY2(message.contains(lineText), qPrintable(message));
    QVERIFY(!trend->isReviewing());
}

void TestMainWindowTrend::tornLastRowIsShownAndSaid() {
    QTemporaryDir dir;
    MainWindow window("usb", "-", QString());
    TrendView* trend = trendOf(window);
    QTRY_VERIFY(trend->history().size() >= 20);
    const QString path = dir.filePath("torn.csv");
    QVERIFY(captureLog(window, path, 30, {"btnLogCapSampleTimer", "btnLogHardwareCounter"}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 size = file.size();
    // Cut in the middle of the last row, as a crash leaves it.
    QVERIFY(file.resize(size - 5));
    file.close();

    ModalResponder responder;
    responder.answer({QMessageBox::Ok});
    QVERIFY(openLog(trend, path));
    QVERIFY(trend->isReviewing());
    QTRY_VERIFY(responder.allAnswersUsed());
    QCOMPARE(responder.shownTitles(), QStringList{"Information"});
    QVERIFY(responder.shownTexts().value(0).contains("incomplete"));
    QVERIFY(responder.shownTexts().value(0).contains("Rows shown: 29."));
    QVERIFY(child<QLabel>(*trend, "lblTrendSource")->text().contains("incomplete"));
}

namespace {

const QByteArray reviewHead = "# Sample rate: 250.00000000 Hz, Pre trigger: 0, Reason: Forced trigger, Trigger start "
                              "time: 2016-03-01 14:05:09.120 (1456837509120)\nTimeStamp (ms);AIn0 (V);Counter;\n";

// Opening a FIFO waits for a writer: a read that hangs in the system, as on
// a stalled network share.
LogLoader::Reader stalledReader(const QString& fifo) {
    return [fifo](const QString&,
                  const std::function<bool(qint64, qint64)>&) -> std::optional<KivraTolm::CaptureLogContent> {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY);
        if (fd >= 0)
            ::close(fd);
        throw KivraTolm::CaptureLogError("\"log.csv\", line 3: broken.", fifo, 3, "No such device");
    };
}

// Lets the stalled readers of `fifo` go on.
void release(const QString& fifo) {
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
}

QProgressDialog* shownProgress(const QWidget& view) {
    for (QProgressDialog* dialog : view.findChildren<QProgressDialog*>()) {
        if (dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

} // namespace

void TestMainWindowTrend::reviewNotes_data() {
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<qint64>("extendTo"); // sparse, 0: not
    QTest::addColumn<QString>("note");
    QTest::addColumn<bool>("rowNumbers");
    QTest::newRow("2 GB of zero bytes after one row")
        << QByteArray("1456837509120;0.5;7;\n") << (qint64(2) << 30)
        << "after line 3 (2.00 GiB) is zero bytes, not text, as when a file is extended but never written. Rows "
           "shown: 1."
        << false;
    QTest::newRow("time going back") << QByteArray("1456837509120;0.5;7;\n1456837509124;0.5;8;\n1456837509110;0;9;\n")
                                     << qint64(0) << "go back at line 5, so the log is shown against its row numbers."
                                     << true;
    QTest::newRow("nan and inf") << QByteArray("1456837509120;nan;7;\n1456837509124;inf;8;\n1456837509128;1;9;\n")
                                 << qint64(0)
                                 << "without a value (nan, inf or beyond the float range): 2. The traces break there."
                                 << false;
}

void TestMainWindowTrend::reviewNotes() {
    QFETCH(QByteArray, rows);
    QFETCH(qint64, extendTo);
    QFETCH(QString, note);
    QFETCH(bool, rowNumbers);
    QTemporaryDir dir;
    const QString path = dir.filePath("log.csv");
    writeFile(path, reviewHead + rows);
    if (extendTo > 0)
        QCOMPARE(::truncate(QFile::encodeName(path).constData(), off_t(extendTo)), 0);
    TrendView view;
    view.show();
    QVERIFY(openLog(&view, path));
    QVERIFY(view.isReviewing());
    const QList<QMessageBox*> boxes = view.findChildren<QMessageBox*>();
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0]->text().contains(note), qPrintable(boxes[0]->text()));
    view.trendChart()->setCursorTime(0.0);
    QCOMPARE(view.trendChart()->readout().time.startsWith("Row "), rowNumbers);
}

void TestMainWindowTrend::stalledReadIsLeftBehind() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("stalled share");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString good = dir.filePath("good.csv");
    writeFile(good, reviewHead + "1456837509120;0.5;7;\n");
    {
        auto view = std::make_unique<TrendView>();
        view->show();
        view->setLogReader(stalledReader(fifo));
        view->openLog(fifo);
        QTRY_VERIFY(shownProgress(*view));
        // Cancel lets the read go and the next log open at once.
        QSignalSpy done(view.get(), &TrendView::logDone);
        shownProgress(*view)->findChild<QPushButton*>()->click();
        QCOMPARE(done.count(), 1);
        QVERIFY(!view->isLoading());
        QTRY_VERIFY(!shownProgress(*view));
        view->setLogReader({});
        QVERIFY(openLog(view.get(), good));
        QVERIFY(view->isReviewing());
        // Closed while a read hangs, as at Exit: nothing waits for it.
        view->setLogReader(stalledReader(fifo));
        view->openLog(fifo);
        QVERIFY(view->isLoading());
    }
    release(fifo);
}

void TestMainWindowTrend::errorBoxIsNotUnderTheProgress() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("slow share");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    TrendView view;
    view.show();
    view.setLogReader(stalledReader(fifo));
    QSignalSpy done(&view, &TrendView::logDone);
    view.openLog(fifo);
    QTRY_VERIFY(shownProgress(view));
    release(fifo);
    QVERIFY(done.wait(10000));
    const QList<QMessageBox*> boxes = view.findChildren<QMessageBox*>();
    QCOMPARE(boxes.size(), 1);
    QTRY_VERIFY(boxes[0]->isVisible());
    QVERIFY(!shownProgress(view));
    QCOMPARE(boxes[0]->text(), QString("\"log.csv\", line 3: broken."));
    QCOMPARE(boxes[0]->detailedText(), "File: " + QDir::toNativeSeparators(QFileInfo(fifo).absoluteFilePath()) +
                                           "\nLine: 3\nReason: No such device");
    boxes[0]->accept();
}

namespace {

bool sameFigure(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::abs(a - b) <= 1e-4 * std::max(1.0, std::abs(b));
}

QString labelText(MainWindow& window, const char* name) {
    return child<QLabel>(window, name)->text();
}

// A1 and B2 in kg (40 kg at full scale), all 64 sensors logged.
QString writeMixedCalibration(const QTemporaryDir& dir, const QString& unit = "kg") {
    CalibrationData calibration;
    calibration.setUnit(unit.toStdString());
    calibration.setMode(SensorMode::All, {});
    for (const SensorPosition sensor : {SensorPosition{0, 0}, SensorPosition{1, 1}}) {
        calibration.addPoint(sensor.column, sensor.row, {0.0f, 0.0f});
        calibration.addPoint(sensor.column, sensor.row, {1.0f, 40.0f});
    }
    const QString file = dir.filePath(unit + ".tolmcal3");
    calibration.save(QFile::encodeName(file).toStdString());
    return file;
}

} // namespace

void TestMainWindowTrend::statisticsChannelsFollowTheFrames() {
    MainWindow window("usb", "-", QString());
    setRate(window, 250);
    const KivraTolm::TrendStore& history = trendOf(window)->history();
    QTRY_VERIFY(history.size() >= 10);
    child<QDoubleSpinBox>(window, "spnStatThreshold")->setValue(50.0);
    const std::size_t from = history.size();
    QTRY_VERIFY_WITH_TIMEOUT(history.size() >= from + 300, 10000);

    // Without a calibration all 64 sensors count, in %; each frame's figures
    // are those of its own readings (the ramp names the frame).
    std::array<bool, 64> all;
    all.fill(true);
    for (std::size_t i = from; i < history.size(); ++i) {
        const std::uint64_t n = history.counterAt(i);
        std::array<double, 64> shown = {};
        for (int index = 0; index < 64; ++index)
            shown[static_cast<std::size_t>(index)] = static_cast<double>(rampReading(n, index)) * 100.0;
        const FrameStatistics expected = frameStatistics(shown, all, 50.0);
        const std::array<double, TrendChannel::statisticCount> figures = {
            expected.sum,        expected.maximum,      static_cast<double>(expected.activeCount),
            expected.activeMean, expected.centreColumn, expected.centreRow};
        QVERIFY(expected.hasCentre);
        for (int figure = 0; figure < TrendChannel::statisticCount; ++figure) {
            const double kept = history.valueAt(TrendChannel::firstStatistic + figure, i);
            QVERIFY2(sameFigure(kept, figures[static_cast<std::size_t>(figure)]),
                     qPrintable(QString("frame %1 figure %2: %3").arg(n).arg(figure).arg(kept)));
        }
    }
}

void TestMainWindowTrend::panelBesideTheGrid() {
    // Every sensor at 6.25 %, C4 at 75 %.
    ScriptedBoard board;
    board.sensor = 0.0625f;
    board.hotIndex = SensorPosition{2, 3}.index();
    board.hotValue = 0.75f;
    board.install();
    MainWindow window("usb", "-", QString());
    window.resize(1200, 900);
    window.show();
    child<QTabWidget>(window, "tabWidget")->setCurrentIndex(1);
    child<QDoubleSpinBox>(window, "spnStatThreshold")->setValue(50.0);
    QTRY_COMPARE(labelText(window, "lblStatSum"), QString("468.75 %"));
    QCOMPARE(labelText(window, "lblStatMaximum"), QString("75.00 % (C4)"));
    QCOMPARE(labelText(window, "lblStatActive"), QString("1 of 64"));
    QCOMPARE(labelText(window, "lblStatMean"), QString("75.00 %"));
    QCOMPARE(labelText(window, "lblStatCentre"), QString("2.00 / 3.00 (C4)"));
    QVERIFY(labelText(window, "lblStatCounted").contains("all 64 sensors count"));

    // All below the threshold: no centre.
    board.hotValue = 0.25f;
    QTRY_COMPARE(labelText(window, "lblStatCentre"), QString("no centre"));
    QCOMPARE(labelText(window, "lblStatActive"), QString("0 of 64"));
    QCOMPARE(labelText(window, "lblStatMean"), QString("none"));

    // The colour bar counts the cells at the top of the scale: 100 % or more.
    auto* scale = child<GreyScaleBar>(window, "cmpGreyScale");
    QCOMPARE(scale->cellsAtTop(), 0);
    board.hotValue = 1.0f;
    QTRY_COMPARE(scale->cellsAtTop(), 1);
    QCOMPARE(scale->markText(), QString("1"));
    QVERIFY(scale->isVisible());

    // The centre over the grid, off at start; its trail holds two seconds.
    auto* overlay = child<CentreTrailOverlay>(window, "cmpCentreTrail");
    QVERIFY(!overlay->isVisible());
    child<QCheckBox>(window, "chkStatCentre")->click();
    QVERIFY(overlay->isVisible());
    QVERIFY(overlay->parentWidget()->inherits("Grid8x8Widget"));
    QCOMPARE(overlay->geometry(), overlay->parentWidget()->rect());
    QVERIFY(waitForTicks(window, 120));
    const CentreTrailOverlay::Point newest = overlay->trail().back();
    QVERIFY(newest.hasCentre);
    QCOMPARE(overlay->placeOf(newest.column, newest.row), GridGeometry::cellRect(overlay->size(), 2, 3).center());
    QVERIFY(newest.time - overlay->trail().front().time < CentreTrailOverlay::trailMs);
    QVERIFY(newest.time - overlay->trail().front().time >= CentreTrailOverlay::trailMs - 100);
}

void TestMainWindowTrend::thresholdFollowsTheUnit() {
    QTemporaryDir dir;
    const QString kg = writeMixedCalibration(dir);
    {
        MainWindow window("usb", "-", QString());
        child<QDoubleSpinBox>(window, "spnStatThreshold")->setValue(33.0);
    }
    {
        // Another unit: back to a tenth of the calibration's largest value, said in the status bar.
        MainWindow window("usb", "-", kg);
        QCOMPARE(child<QDoubleSpinBox>(window, "spnStatThreshold")->value(), 4.0);
        QVERIFY(labelText(window, "lblStatCounted").contains("only sensors with calibration points count: 2."));
        QVERIFY(!child<QLabel>(window, "lblStatusNote")->isHidden());
        QCOMPARE(labelText(window, "lblStatusNote"), QString("Statistics threshold reset to 4.00 kg for the new unit"));
        child<QDoubleSpinBox>(window, "spnStatThreshold")->setValue(7.5);
    }
    {
        // The same unit: the threshold is kept, nothing said.
        MainWindow window("usb", "-", kg);
        QCOMPARE(child<QDoubleSpinBox>(window, "spnStatThreshold")->value(), 7.5);
        QVERIFY(child<QLabel>(window, "lblStatusNote")->isHidden());
    }
}

void TestMainWindowTrend::exportOfAReviewedLog_data() {
    QTest::addColumn<bool>("timeStamps");
    QTest::newRow("time stamps first") << true;
    QTest::newRow("row numbers first") << false;
}

void TestMainWindowTrend::exportOfAReviewedLog() {
    QFETCH(bool, timeStamps);
    QTemporaryDir dir;
    MainWindow window("usb", "-", writeMixedCalibration(dir));
    setRate(window, 250);
    TrendView* trend = trendOf(window);
    QTRY_VERIFY(trend->history().size() >= 50);
    const QString path = dir.filePath("export.csv");
    QVERIFY(captureLog(window, path, 100, timeStamps ? QStringList{"btnLogCapSampleTimer"} : QStringList{}));
    QVERIFY(openLog(trend, path));
    child<QDoubleSpinBox>(window, "spnStatThreshold")->setValue(10.2);
    const QString exported = dir.filePath("statistics.csv");
    QCOMPARE(trend->exportStatistics(exported), QString());

    // Both read with Python's csv module; the figures recomputed from the
    // log's rows: only the calibrated sensors (kg) count.
    const CsvLog log = readCsvLog(path);
    const CsvLog statistics = readCsvLog(exported);
    QVERIFY(log.read && statistics.read);
    QVERIFY(statistics.header.startsWith("# Statistics of: " + path + ", Unit: kg, Threshold: 10.20000000"));
    QCOMPARE(statistics.columns,
             QStringList({timeStamps ? "TimeStamp (ms)" : "Row", "Sum (kg)", "Maximum (kg)", "Maximum sensor",
                          "Active sensors", "Active mean (kg)", "Centre column", "Centre row", "Centre sensor"}));
    QCOMPARE(statistics.rows.size(), log.rows.size());
    std::array<bool, 64> calibrated = {};
    QList<int> columnOf;
    for (int index = 0; index < 64; ++index) {
        const QString name = QString::fromStdString(SensorPosition::fromIndex(index).name());
        columnOf << log.columns.indexOf("Sensor " + name + " (kg)");
        calibrated[static_cast<std::size_t>(index)] = columnOf.last() >= 0;
    }
    QCOMPARE(static_cast<int>(std::count(calibrated.begin(), calibrated.end(), true)), 2);
    for (int row = 0; row < log.rows.size(); ++row) {
        std::array<double, 64> shown = {};
        for (int index = 0; index < 64; ++index) {
            if (calibrated[static_cast<std::size_t>(index)])
                shown[static_cast<std::size_t>(index)] = log.rows[row][columnOf[index]].toDouble();
        }
        const FrameStatistics expected = frameStatistics(shown, calibrated, 10.2);
        const QStringList& fields = statistics.rows[row];
        QCOMPARE(fields.size(), 9);
        QCOMPARE(fields[0], timeStamps ? log.rows[row][0] : QString::number(row));
        QVERIFY2(sameFigure(fields[1].toDouble(), expected.sum), qPrintable(fields.join(';')));
        QVERIFY(sameFigure(fields[2].toDouble(), expected.maximum));
        QCOMPARE(fields[3], QString::fromStdString(SensorPosition::fromIndex(expected.maximumSensor).name()));
        QCOMPARE(fields[4].toInt(), expected.activeCount);
        QCOMPARE(fields[5].isEmpty(), expected.activeCount == 0);
        QVERIFY(expected.activeCount == 0 || sameFigure(fields[5].toDouble(), expected.activeMean));
        QCOMPARE(fields[8], QString::fromStdString(centreSensorName(expected)));
        if (expected.hasCentre) {
            QVERIFY(sameFigure(fields[6].toDouble(), expected.centreColumn));
            QVERIFY(sameFigure(fields[7].toDouble(), expected.centreRow));
        } else {
            QVERIFY(fields[6].isEmpty() && fields[7].isEmpty());
        }
    }

    // The review's statistics channels read the same.
    trend->traceButton(TrendChannel::firstStatistic)->setChecked(true);
    trend->trendChart()->setCursorTime(timeStamps ? log.rows[7][0].toDouble() : 7.0);
    const QString sum = QLocale().toString(statistics.rows[7][1].toDouble(), 'f', 2);
    QVERIFY2(trend->trendChart()->readout().values.contains("Sum: " + sum + " kg"),
             qPrintable(trend->trendChart()->readout().values.join('|')));

    // The picture of the grid tab, as it is.
    const QString picture = dir.filePath("grid.png");
    QCOMPARE(window.savePicture("tabGrid", picture), QString());
    QCOMPARE(QImage(picture).size(), child<QWidget>(window, "tabGrid")->grab().size());
}

void TestMainWindowTrend::zoomCursorsAndExportsOfAReviewedLog() {
    QTemporaryDir dir;
    MainWindow window("usb", "-", QString());
    setRate(window, 250);
    window.resize(1200, 900);
    window.show();
    TrendView* trend = trendOf(window);
    child<QTabWidget>(window, "tabWidget")->setCurrentWidget(trend);
    TrendChart* chart = trend->trendChart();
    QTRY_VERIFY(trend->history().size() >= 100);
    const auto turnWheel = [chart](int notches) {
        const QPoint at = chart->plotRect().center();
        QWheelEvent event(at, chart->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart, &event);
    };
    // Zooming a live chart holds it.
    turnWheel(1);
    QVERIFY(trend->isPaused());
    QCOMPARE(chart->viewSpan(), 48000.0); // 1 min at start

    child<QRadioButton>(window, "rdoPreTriggerSamples")->click();
    child<QSpinBox>(window, "spnPreTriggerSamples")->setValue(20);
    const QString path = dir.filePath("zoom.csv");
    QVERIFY(captureLog(window, path, 100,
                       {"btnLogCapSampleTimer", "btnLogAnalog0", "btnLogDigital", "btnLogHardwareCounter"}, 40));
    QVERIFY(openLog(trend, path));
    const int entries = trend->exportMenu()->actions().size();

    // The span box shows "Whole log" whole.
    auto* spans = child<QComboBox>(*trend, "cmbTrendSpan");
    QComboBox fitting;
    for (int i = 0; i < spans->count(); ++i)
        fitting.addItem(spans->itemText(i));
    QTRY_VERIFY(spans->width() >= fitting.sizeHint().width());

    // Down to 10 frames (4 ms apart), and back.
    const double wholeSpan = chart->viewSpan();
    turnWheel(40);
    QCOMPARE(chart->viewSpan(), 40.0);
    child<QPushButton>(*trend, "btnTrendFit")->click();
    QCOMPARE(chart->viewSpan(), wholeSpan);

    // The second cursor on row 30, the first on row 10.
    const auto log = trend->reviewedLog();
    const auto timeOf = [&log](std::size_t row) {
        return static_cast<double>(log->timestamps[row]);
    };
    chart->setSecondCursorTime(timeOf(30));
    chart->setCursorTime(timeOf(10));
    const QString dt = QLocale().toString((timeOf(10) - timeOf(30)) / 1000.0, 'f', 3);
    QVERIFY(child<QLabel>(*trend, "lblTrendCursors")->text().contains("From cursor 2 to the cursor: " + dt + " s"));

    // The rows between them, read back by the review's reader as a log of
    // their own: 10 of its 21 rows from before the trigger, no description.
    const QString excerptPath = dir.filePath("excerpt.csv");
    QCOMPARE(trend->exportRows(excerptPath, true), QString());
    const std::optional<KivraTolm::CaptureLogContent> excerpt = KivraTolm::readCaptureLog(excerptPath);
    QVERIFY(excerpt);
    QCOMPARE(excerpt->rowCount, std::size_t(21));
    QCOMPARE(log->rowsBeforeTrigger(), qint64(20));
    QCOMPARE(excerpt->header.preTriggerRows, qint64(10));
    QCOMPARE(excerpt->header.reason, log->header.reason);
    QCOMPARE(excerpt->header.triggerTime, log->header.triggerTime);
    QCOMPARE(excerpt->header.sampleRate, log->header.sampleRate);
    QCOMPARE(excerpt->description.state, LogDescription::State::Missing);
    // Its column line and rows as the log has them.
    const QList<QByteArray> lines = logLines(path);
    QCOMPARE(logLines(excerptPath).mid(1), QList<QByteArray>{lines[1]} + lines.mid(2 + 10, 21));

    // All rows: the log itself again, byte for byte.
    const QString allPath = dir.filePath("all.csv");
    QCOMPARE(trend->exportRows(allPath, false), QString());
    QFile original(path);
    QFile copy(allPath);
    QVERIFY(original.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), original.readAll());

    // The chart as a picture of its size and on an A4 page across.
    const QString picture = dir.filePath("chart.png");
    QCOMPARE(trend->exportChartPicture(picture), QString());
    QCOMPARE(QImage(picture).size(), chart->grab().size());
    const QString pdfPath = dir.filePath("chart.pdf");
    QCOMPARE(trend->exportChartPdf(pdfPath), QString());
    QFile pdf(pdfPath);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray pdfBytes = pdf.readAll();
    QVERIFY(pdfBytes.startsWith("%PDF-"));
    const QRegularExpressionMatch page = QRegularExpression(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"))
                                             .match(QString::fromLatin1(pdfBytes.constData(), pdfBytes.size()));
    QVERIFY(page.hasMatch());
    QVERIFY(std::abs(page.captured(1).toDouble() - 841.89) < 1.0);
    QVERIFY(std::abs(page.captured(2).toDouble() - 595.28) < 1.0);

    // Another review offers the same commands.
    trend->onBackToLive();
    QVERIFY(openLog(trend, path));
    QCOMPARE(trend->exportMenu()->actions().size(), entries);
}

QTEST_MAIN(TestMainWindowTrend)
#include "tst_mainwindow_trend.moc"
