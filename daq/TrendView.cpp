#include "TrendView.h"

#include "ui_TrendView.h"

#include "CalibrationData.h"
#include "CaptureLogText.h"
#include "LogExcerpt.h"
#include "LogLoader.h"
#include "PlainMessageBox.h"
#include "SaveFileCommit.h"
#include "SensorPosition.h"
#include "StatisticsExport.h"
#include "TrendZoom.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressDialog>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <climits>
#include <cmath>

using KivraTolm::CaptureLogContent;
using KivraTolm::InputFrame;
namespace TrendChannel = KivraTolm::TrendChannel;

namespace {

constexpr int defaultSpanIndex = 1;
// The span item that shows a whole log.
constexpr qint64 wholeLog = -1;
constexpr int progressPollMs = 50;
constexpr int tracesOfANewLog = 8;

// The sensors column by column (A1..A8, B1..), then the inputs, the
// statistics, the counter.
std::vector<int> channelsInListOrder() {
    std::vector<int> channels;
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row)
            channels.push_back(SensorPosition{column, row}.index());
    }
    for (int channel = TrendChannel::firstAnalog; channel < TrendChannel::count; ++channel)
        channels.push_back(channel);
    return channels;
}

constexpr int activeChannel = TrendChannel::firstStatistic + 2;
constexpr int centreColumnChannel = TrendChannel::firstStatistic + 4;

bool isStatistic(int channel) {
    return channel >= TrendChannel::firstStatistic && channel < TrendChannel::counter;
}

QString channelName(int channel) {
    if (channel < TrendChannel::firstAnalog)
        return QString::fromStdString(SensorPosition::fromIndex(channel).name());
    if (channel < TrendChannel::firstStatistic)
        return QStringLiteral("AIn%1").arg(channel - TrendChannel::firstAnalog);
    if (channel < TrendChannel::counter) {
        const QStringList names = {TrendView::tr("Sum"),           TrendView::tr("Maximum"),
                                   TrendView::tr("Active"),        TrendView::tr("Active mean"),
                                   TrendView::tr("Centre column"), TrendView::tr("Centre row")};
        return names[channel - TrendChannel::firstStatistic];
    }
    return TrendView::tr("Counter");
}

// Object names that do not follow the language.
QString buttonName(int channel) {
    if (channel == TrendChannel::counter)
        return QStringLiteral("btnTrendCounter");
    if (isStatistic(channel)) {
        const QStringList names = {QStringLiteral("Sum"),  QStringLiteral("Maximum"),      QStringLiteral("Active"),
                                   QStringLiteral("Mean"), QStringLiteral("CentreColumn"), QStringLiteral("CentreRow")};
        return QStringLiteral("btnTrend") + names[channel - TrendChannel::firstStatistic];
    }
    return QStringLiteral("btnTrend") + channelName(channel);
}

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

} // namespace

std::vector<std::int64_t> TrendView::spans() {
    return {10000, 60000, KivraTolm::TrendStore::longestSpanMs};
}

TrendView::TrendView(QWidget* parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::TrendView>()) {
    ui->setupUi(this);
    chart = new TrendChart(this);
    chart->setObjectName(QStringLiteral("cmpTrendChartView"));
    ui->cmpTrendChart->addWidget(chart, 0, 0);

    const std::vector<std::int64_t> spanList = spans();
    const QStringList spanNames = {tr("10 s"), tr("1 min"), tr("10 min")};
    for (std::size_t i = 0; i < spanList.size(); ++i)
        ui->cmbTrendSpan->addItem(spanNames[static_cast<int>(i)], QVariant::fromValue<qint64>(spanList[i]));
    ui->cmbTrendSpan->setCurrentIndex(defaultSpanIndex);

    for (const int channel : channelsInListOrder()) {
        auto* button = new QToolButton(this);
        button->setCheckable(true);
        button->setText(channelName(channel));
        button->setObjectName(buttonName(channel));
        // Compact: the chart gets the width.
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(button->text()) + 14);
        // Ticked plainly in every theme (Fusion's dark one barely shows it).
        button->setStyleSheet(QStringLiteral(
            "QToolButton:checked { background: palette(highlight); color: palette(highlighted-text); }"));
        if (channel < TrendChannel::firstAnalog) {
            const SensorPosition position = SensorPosition::fromIndex(channel);
            ui->cmpTrendSensors->addWidget(button, position.row, position.column);
            // The diagonal, as the views show it at start.
            button->setChecked(position.row == position.column);
        } else if (isStatistic(channel)) {
            const int figure = channel - TrendChannel::firstStatistic;
            ui->cmpTrendStatistics->addWidget(button, figure / 3, figure % 3);
        } else {
            ui->cmpTrendInputs->addWidget(button, 0,
                                          channel == TrendChannel::counter ? 4 : channel - TrendChannel::firstAnalog);
        }
        toggles[static_cast<std::size_t>(channel)] = button;
    }
    ui->groupBoxTrendDetails->hide();
    exportCommands = new QMenu(this);
    exportCommands->addAction(tr("Statistics of every row (CSV) ..."), this, &TrendView::onExportStatistics);
    exportCommands->addAction(tr("Chart (PNG) ..."), this, [this] { onExportChart(false); });
    exportCommands->addAction(tr("Chart (PDF) ..."), this, [this] { onExportChart(true); });
    rowsBetweenCursors =
        exportCommands->addAction(tr("Rows between the cursors (CSV) ..."), this, [this] { onExportRows(true); });
    exportCommands->addAction(tr("All rows (CSV) ..."), this, [this] { onExportRows(false); });
    ui->btnTrendExport->setMenu(exportCommands);
    ui->btnTrendExport->hide();
    ui->lblTrendSource->setText(tr("Live"));
    chart->setSource(&live, TrendChart::TimeAxis::LocalTime);
    ui->btnTrendRemoveCursor->hide();
    // Two lines always: the chart keeps its height as the readout comes and goes.
    ui->lblTrendCursors->setMinimumHeight(2 * ui->lblTrendCursors->fontMetrics().lineSpacing() + 2);

    progressTimer = new QTimer(this);
    progressTimer->setInterval(progressPollMs);
    connectSignals();
    updateTraces();
    updateView();
}

TrendView::~TrendView() {
    // The chart reads the sources, which go before the widgets do.
    chart->setSource(nullptr, TrendChart::TimeAxis::LocalTime);
}

void TrendView::connectSignals() {
    for (QAbstractButton* button : toggles) {
        connect(button, &QAbstractButton::toggled, this, [this] {
            updateTraces();
            chart->update();
        });
    }
    connect(ui->cmbTrendSpan, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
        zoomedSpan.reset();
        updateView();
        chart->update();
    });
    connect(chart, &TrendChart::viewRequested, this, &TrendView::onViewRequested);
    connect(chart, &TrendChart::valueAxesHeld, this, [this] {
        const QSignalBlocker blocker(ui->chkTrendFixedValues);
        ui->chkTrendFixedValues->setChecked(true);
    });
    connect(chart, &TrendChart::cursorsChanged, this, &TrendView::updateCursorReadout);
    connect(ui->btnTrendFit, &QPushButton::clicked, this, &TrendView::onFit);
    connect(ui->chkTrendFixedValues, &QCheckBox::toggled, this, [this](bool fixed) {
        chart->setValueAxesFixed(fixed);
        chart->update();
    });
    connect(ui->btnTrendRemoveCursor, &QPushButton::clicked, this, [this] {
        chart->setSecondCursorTime(std::nullopt);
        chart->update();
    });
    connect(exportCommands, &QMenu::aboutToShow, this, [this] { rowsBetweenCursors->setEnabled(hasBothCursors()); });
    connect(ui->btnTrendPause, &QPushButton::toggled, this, [this](bool paused) {
        if (paused)
            heldEnd = chart->viewEnd();
        updateView();
        chart->update();
    });
    connect(ui->btnTrendLive, &QPushButton::clicked, this, &TrendView::onBackToLive);
    connect(ui->btnTrendOpenLog, &QPushButton::clicked, this, &TrendView::onOpenLog);
    connect(ui->btnTrendReplay, &QPushButton::clicked, this, &TrendView::replayRequested);
    connect(ui->scrTrendTime, &QScrollBar::valueChanged, this, &TrendView::onScroll);
    connect(progressTimer, &QTimer::timeout, this, [this] {
        if (loader && progress)
            progress->setValue(loader->progress());
    });
}

bool TrendView::isPaused() const {
    return ui->btnTrendPause->isChecked();
}

std::shared_ptr<const CaptureLogContent> TrendView::reviewedLog() const {
    return review ? review->shared() : nullptr;
}

void TrendView::followRow(std::size_t row) {
    if (!review || row >= review->size())
        return;
    const double time = static_cast<double>(review->timeAt(row));
    chart->setCursorTime(time);
    const double span = chart->viewSpan();
    if (time < chart->viewEnd() - span || time > chart->viewEnd()) {
        // The row in the middle of the view.
        heldEnd = time + span / 2;
        chart->setView(heldEnd, span);
        updateScrollBar();
    }
    if (chart->isVisible())
        chart->update();
}

const TrendSource* TrendView::source() const {
    if (review)
        return review.get();
    return &live;
}

void TrendView::setCalibration(const CalibrationData& calibration) {
    hasPoints = sensorsWithPoints(calibration);
    // The chart writes the unit over its value axis and into its readout at
    // every paint: a unit wider than the screen shows no more of itself there
    // and is cut to the screen's width.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int widest = screen ? screen->geometry().width() : 4096;
    unit = QFontMetrics(chart->font()).elidedText(QString::fromStdString(calibration.unit()), Qt::ElideRight, widest);
    updateTraces();
}

void TrendView::setStatisticsThreshold(double threshold) {
    statisticsThreshold = threshold;
    if (review) {
        review->setThreshold(threshold);
        chart->update();
    }
}

void TrendView::addFrames(const std::deque<InputFrame>& frames, const CalibrationData& calibration) {
    for (const InputFrame& frame : frames) {
        InputFrame kept = calibration.calibrateFrame(frame);
        const ShownFrame shown = shownFrame(frame, kept, hasPoints);
        for (std::size_t index = 0; index < 64; ++index)
            kept.sensors[index / 8][index % 8] = static_cast<float>(shown.values[index]);
        store.append(kept, trendStatistics(frameStatistics(shown.values, shown.included, statisticsThreshold)));
    }
}

void TrendView::markCapture(TrendMark::Kind kind, std::int64_t time) {
    liveMarks.push_back({static_cast<double>(time), kind});
}

void TrendView::refresh() {
    if (review)
        return;
    // Marks older than the history go with it.
    if (store.size() > 0) {
        const double oldest = static_cast<double>(store.timeAt(0));
        liveMarks.erase(std::remove_if(liveMarks.begin(), liveMarks.end(),
                                       [oldest](const TrendMark& mark) { return mark.time < oldest; }),
                        liveMarks.end());
    }
    chart->setMarks(liveMarks);
    updateView();
    if (!isPaused() && chart->isVisible())
        chart->repaint();
}

double TrendView::currentSpan() const {
    return spanOf(ui->cmbTrendSpan->currentData().value<qint64>());
}

double TrendView::longestSpan() const {
    double longest = 1.0;
    for (int i = 0; i < ui->cmbTrendSpan->count(); ++i)
        longest = std::max(longest, spanOf(ui->cmbTrendSpan->itemData(i).value<qint64>()));
    return longest;
}

double TrendView::spanOf(qint64 span) const {
    const TrendSource* shown = source();
    if (span == wholeLog) {
        const std::size_t count = shown->size();
        return count > 0
                   ? windowHolding(static_cast<double>(shown->timeAt(0)), static_cast<double>(shown->timeAt(count - 1)))
                         .span
                   : 1.0;
    }
    if (review && !review->hasTimeStamps()) {
        // Rows: the span at the log's sample rate.
        const double rate = review->content().header.sampleRate > 0 ? review->content().header.sampleRate : 1.0;
        return std::max(1.0, std::round(static_cast<double>(span) / 1000.0 * rate));
    }
    return static_cast<double>(span);
}

void TrendView::updateView() {
    const TrendSource* shown = source();
    const double span = zoomedSpan.value_or(currentSpan());
    double end = heldEnd;
    const std::size_t count = shown->size();
    if (!review && !isPaused())
        end = count > 0 ? static_cast<double>(shown->timeAt(count - 1)) : 0.0;
    if (review && !zoomedSpan && ui->cmbTrendSpan->currentData().value<qint64>() == wholeLog && count > 0)
        end = latestEnd();
    chart->setView(end, span);
    chart->setLongestSpan(longestSpan());
    updateScrollBar();
}

void TrendView::onViewRequested(double end, double span) {
    const TrendSource* shown = source();
    const std::size_t count = shown->size();
    if (count == 0)
        return;
    // A log's rows lie half a row inside its view, as in the whole log.
    const double first = static_cast<double>(shown->timeAt(0)) - (review ? 0.5 : 0.0);
    zoomedSpan = span;
    heldEnd = TrendZoom::keptEnd(end, span, first, latestEnd());
    // Zooming or moving a live chart holds it where the user put it.
    if (!review && !isPaused()) {
        const QSignalBlocker blocker(ui->btnTrendPause);
        ui->btnTrendPause->setChecked(true);
    }
    updateView();
    chart->update();
}

void TrendView::onFit() {
    zoomedSpan.reset();
    if (ui->chkTrendFixedValues->isChecked())
        ui->chkTrendFixedValues->setChecked(false);
    updateView();
    chart->update();
}

bool TrendView::hasBothCursors() const {
    return chart->cursorTime() && chart->secondCursorTime();
}

void TrendView::updateCursorReadout() {
    const TrendDifference difference = chart->difference();
    ui->btnTrendRemoveCursor->setVisible(chart->secondCursorTime().has_value());
    if (difference.second.time.isEmpty()) {
        // The chart's column is narrow at the window's start size: the
        // gestures are told in the tool tip only.
        ui->lblTrendCursors->clear();
        ui->lblTrendCursors->setToolTip(tr("Wheel: zoom. Drag: move. Right button or Shift: zoom to a box. "
                                           "Click: a second cursor."));
        return;
    }
    // The times here; the values in the tool tip, and the differences also in
    // the cursor's box in the chart: with the log's details beside it, the
    // chart's column is too narrow for a row of values.
    const QString gap = QStringLiteral("   ");
    QString text = tr("Cursor 2: %1").arg(difference.second.time);
    QString tip = text + gap + difference.second.values.join(gap);
    if (!difference.time.isEmpty()) {
        const QString from = tr("From cursor 2 to the cursor: %1").arg(difference.time);
        text += QLatin1Char('\n') + from;
        tip += QLatin1Char('\n') + from + gap + difference.values.join(gap);
    }
    ui->lblTrendCursors->setText(text);
    ui->lblTrendCursors->setToolTip(tip);
}

double TrendView::latestEnd() const {
    const TrendSource* shown = source();
    const std::size_t count = shown->size();
    if (count == 0)
        return 0.0;
    const double last = static_cast<double>(shown->timeAt(count - 1));
    // A log's last row lies inside the view, not on its open end.
    return review ? windowHolding(static_cast<double>(shown->timeAt(0)), last).end : last;
}

void TrendView::updateScrollBar() {
    const TrendSource* shown = source();
    const std::size_t count = shown->size();
    const QScopedValueRollback<bool> guard(updatingScroll, true);
    if (count == 0) {
        ui->scrTrendTime->setRange(0, 0);
        return;
    }
    const double first = static_cast<double>(shown->timeAt(0));
    const double last = latestEnd();
    const double span = chart->viewSpan();
    // The view's end runs from one span after the first sample to the last,
    // which the furthest step reaches.
    scrollOrigin = first + span;
    scrollUnit = std::max(1.0, std::ceil((last - first) / 1e6));
    const int maximum = static_cast<int>(std::max(0.0, std::ceil((last - scrollOrigin) / scrollUnit)));
    ui->scrTrendTime->setRange(0, maximum);
    ui->scrTrendTime->setPageStep(std::max(1, static_cast<int>(span / scrollUnit)));
    ui->scrTrendTime->setSingleStep(std::max(1, static_cast<int>(span / 10 / scrollUnit)));
    ui->scrTrendTime->setValue(static_cast<int>(std::lround((chart->viewEnd() - scrollOrigin) / scrollUnit)));
}

void TrendView::onScroll(int value) {
    if (updatingScroll)
        return;
    // Scrolling back holds the chart where the user put it.
    if (!review && !isPaused()) {
        const QScopedValueRollback<bool> guard(updatingScroll, true);
        ui->btnTrendPause->setChecked(true);
    }
    heldEnd = scrollOrigin + value * scrollUnit;
    chart->setView(heldEnd, chart->viewSpan());
    chart->update();
}

TrendTrace TrendView::traceOf(int channel) const {
    TrendTrace trace;
    trace.channel = channel;
    trace.name = channelName(channel);
    if (channel == TrendChannel::counter) {
        trace.unit = tr("Counter");
        trace.whole = true;
    } else if (channel == activeChannel) {
        trace.unit = tr("sensors");
        trace.whole = true;
    } else if (channel >= centreColumnChannel && isStatistic(channel)) {
        trace.unit = tr("column/row");
    } else if (isStatistic(channel)) {
        trace.unit = review ? review->statisticsUnit() : anySensor(hasPoints) ? unit : QStringLiteral("%");
    } else if (channel >= TrendChannel::firstAnalog) {
        trace.unit = tr("V");
    } else if (review) {
        trace.unit = review->unit(channel);
    } else {
        trace.unit = hasPoints[static_cast<std::size_t>(channel)] ? unit : QStringLiteral("%");
    }
    return trace;
}

void TrendView::updateTraces() {
    std::vector<TrendTrace> traces;
    for (const int channel : channelsInListOrder()) {
        if (toggles[static_cast<std::size_t>(channel)]->isChecked() && (!review || review->hasChannel(channel)))
            traces.push_back(traceOf(channel));
    }
    chart->setTraces(traces);
}

void TrendView::onOpenLog() {
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Open capture log"), QString(), tr("CSV files (*.csv);;All files (*)"));
    if (!path.isEmpty())
        openLog(path);
}

void TrendView::setLogReader(LogLoader::Reader read) {
    logReader = std::move(read);
}

void TrendView::openLog(const QString& path) {
    if (loader)
        return;
    loader = new LogLoader(path, this, logReader);
    connect(loader, &LogLoader::finished, this, &TrendView::onLogRead);
    progress = new QProgressDialog(tr("Reading %1 ...").arg(QFileInfo(path).fileName()), tr("Cancel"), 0, 1000, this);
    progress->setWindowTitle(tr("Open log"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(300);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    connect(progress, &QProgressDialog::canceled, this, &TrendView::onCancelLog);
    progress->setValue(0);
    progressTimer->start();
    loader->start();
}

void TrendView::endLoading() {
    progressTimer->stop();
    // Gone before any message shows: a window-modal dialog left over it
    // would take its clicks.
    progress->hide();
    progress->deleteLater();
    progress = nullptr;
    loader->deleteLater();
    loader = nullptr;
}

void TrendView::onCancelLog() {
    // The reading may hang in the system; its thread is left to end on its
    // own, and the next log can be opened at once.
    if (!loader)
        return;
    loader->cancel();
    endLoading();
    emit logDone();
}

void TrendView::onLogRead() {
    std::shared_ptr<CaptureLogContent> log = loader->takeLog();
    const std::optional<KivraTolm::CaptureLogError> error = loader->error();
    endLoading();
    if (log) {
        showReview(std::move(log));
    } else if (error) {
        QStringList details{tr("File: %1").arg(shownPath(error->path()))};
        if (error->line() > 0)
            details << tr("Line: %1").arg(error->line());
        if (!error->reason().isEmpty())
            details << tr("Reason: %1").arg(error->reason());
        QMessageBox* box =
            newPlainMessageBox(QMessageBox::Critical, tr("Error"), error->message(), QMessageBox::Ok, this);
        box->setDetailedText(details.join(QLatin1Char('\n')));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    emit logDone();
}

void TrendView::showReview(std::shared_ptr<CaptureLogContent> log) {
    review = std::make_unique<LogTrendSource>(log);
    review->setThreshold(statisticsThreshold);
    const bool timed = review->hasTimeStamps();
    chart->setSource(review.get(), timed ? TrendChart::TimeAxis::LocalTime : TrendChart::TimeAxis::RowNumber);

    // Ticked channels the log lacks stay ticked for live; when none of the
    // ticked ones is in the log, the log's first channels are shown.
    bool anyShown = false;
    for (const int channel : channelsInListOrder()) {
        QAbstractButton* button = toggles[static_cast<std::size_t>(channel)];
        button->setEnabled(review->hasChannel(channel));
        anyShown = anyShown || (button->isChecked() && review->hasChannel(channel));
    }
    int added = 0;
    for (const int channel : channelsInListOrder()) {
        if (anyShown || added >= tracesOfANewLog)
            break;
        if (review->hasChannel(channel)) {
            const QSignalBlocker blocker(toggles[static_cast<std::size_t>(channel)]);
            toggles[static_cast<std::size_t>(channel)]->setChecked(true);
            ++added;
        }
    }
    updateTraces();

    // The trigger moment, and the rows before it shaded.
    const CaptureLogContent& content = review->content();
    std::vector<TrendMark> marks;
    std::optional<std::pair<double, double>> shade;
    if (content.rowCount > 0) {
        const qint64 rows = static_cast<qint64>(content.rowCount);
        const qint64 before = std::clamp<qint64>(content.rowsBeforeTrigger(), 0, rows);
        if (timed) {
            marks.push_back({static_cast<double>(content.header.triggerTime), TrendMark::Trigger});
            if (before > 0)
                shade = std::make_pair(static_cast<double>(content.timestamps.front()),
                                       static_cast<double>(content.timestamps[static_cast<std::size_t>(before - 1)]));
        } else {
            marks.push_back({static_cast<double>(before), TrendMark::Trigger});
            if (before > 0)
                shade = std::make_pair(0.0, static_cast<double>(before));
        }
    }
    chart->setMarks(marks);
    chart->setShade(shade);

    if (ui->cmbTrendSpan->findData(QVariant::fromValue<qint64>(wholeLog)) < 0)
        ui->cmbTrendSpan->addItem(tr("Whole log"), QVariant::fromValue<qint64>(wholeLog));
    {
        const QSignalBlocker blocker(ui->cmbTrendSpan);
        ui->cmbTrendSpan->setCurrentIndex(ui->cmbTrendSpan->findData(QVariant::fromValue<qint64>(wholeLog)));
    }
    ui->btnTrendPause->setEnabled(false);
    heldEnd = latestEnd();
    onFit();

    QString source = tr("Log %1: %2 rows").arg(QDir::toNativeSeparators(content.path)).arg(content.rowCount);
    if (content.lastRowIncomplete())
        source += tr(" - the last row was incomplete and is not shown");
    ui->lblTrendSource->setText(source);
    ui->lblTrendSource->setToolTip(source);
    ui->lblTrendDetails->setText(tr("Reason: %1\n").arg(CaptureLogText::quoted(content.header.reason)) +
                                 descriptionText(content.description));
    ui->groupBoxTrendDetails->show();
    ui->btnTrendExport->show();
    chart->update();
    emit reviewChanged();

    const QStringList notes = reviewNotes(content);
    if (!notes.isEmpty()) {
        QMessageBox* box = newPlainMessageBox(QMessageBox::Information, tr("Information"),
                                              notes.join(QStringLiteral("\n\n")), QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
}

QString TrendView::descriptionText(const LogDescription& description) {
    const QString limit = QLocale().formattedDataSize(LogDescription::sizeLimit);
    switch (description.state) {
    case LogDescription::State::Missing:
        return tr("No description file beside the log.");
    case LogDescription::State::TooLarge:
        return tr("The description file (%1) is larger than %2 and is not shown.")
            .arg(QLocale().formattedDataSize(description.size), limit);
    case LogDescription::State::Unreadable:
        return tr("The description file cannot be read: %1.").arg(description.problem);
    case LogDescription::State::NotJson:
        return tr("The description file is not JSON: %1.").arg(description.problem);
    case LogDescription::State::Read:
        break;
    }
    QStringList lines;
    lines << tr("Board: %1").arg(description.emulated ? tr("%1 (emulated)").arg(description.board) : description.board);
    lines << tr("Calibration: %1")
                 .arg(description.calibration.isEmpty()
                          ? tr("none")
                          : tr("%1 (unit %2)").arg(description.calibration, description.unit));
    lines << tr("Trigger: %1 at %2").arg(description.reason, description.triggered);
    if (description.rows)
        lines << tr("Rows: %1").arg(*description.rows);
    lines << tr("Gaps: %1 (%2 ms without frames)").arg(description.gaps).arg(description.missingMs);
    return lines.join(QLatin1Char('\n'));
}

QStringList TrendView::reviewNotes(const CaptureLogContent& content) {
    const QString path = QDir::toNativeSeparators(content.path);
    const int rows = static_cast<int>(std::min<std::size_t>(content.rowCount, INT_MAX));
    const qint64 lastLine = static_cast<qint64>(content.rowCount) + 2;
    QStringList notes;
    switch (content.tail) {
    case KivraTolm::LogTailKind::None:
        break;
    case KivraTolm::LogTailKind::Row:
        notes << tr("The last row of %1 was incomplete, as when a capture is cut short. Rows shown: %n.", nullptr, rows)
                     .arg(path);
        break;
    case KivraTolm::LogTailKind::ZeroBytes:
        notes << tr("The rest of %1 after line %2 (%3) is zero bytes, not text, as when a file is extended but never "
                    "written. Rows shown: %n.",
                    nullptr, rows)
                     .arg(path)
                     .arg(lastLine)
                     .arg(QLocale().formattedDataSize(content.tailBytes));
        break;
    case KivraTolm::LogTailKind::NotText:
        notes << tr("The rest of %1 after line %2 (%3) is not text and is left out. Rows shown: %n.", nullptr, rows)
                     .arg(path)
                     .arg(lastLine)
                     .arg(QLocale().formattedDataSize(content.tailBytes));
        break;
    }
    if (content.noValues > 0)
        notes << tr("Fields of %1 without a value (nan, inf or beyond the float range): %n. The traces break there.",
                    nullptr, static_cast<int>(std::min<std::size_t>(content.noValues, INT_MAX)))
                     .arg(path);
    if (content.timeGoesBack())
        notes << tr("The time stamps of %1 go back at line %2, so the log is shown against its row numbers.")
                     .arg(path)
                     .arg(content.timeBackLine);
    return notes;
}

void TrendView::onBackToLive() {
    if (review) {
        review.reset();
        chart->setSource(&live, TrendChart::TimeAxis::LocalTime);
        chart->setShade(std::nullopt);
        for (QAbstractButton* button : toggles)
            button->setEnabled(true);
        const int whole = ui->cmbTrendSpan->findData(QVariant::fromValue<qint64>(wholeLog));
        if (whole >= 0) {
            const QSignalBlocker blocker(ui->cmbTrendSpan);
            ui->cmbTrendSpan->removeItem(whole);
            ui->cmbTrendSpan->setCurrentIndex(defaultSpanIndex);
        }
        ui->groupBoxTrendDetails->hide();
        ui->btnTrendExport->hide();
        ui->lblTrendSource->setText(tr("Live"));
        ui->lblTrendSource->setToolTip(QString());
        ui->btnTrendPause->setEnabled(true);
        chart->setCursorTime(std::nullopt);
        emit reviewChanged();
    }
    {
        const QSignalBlocker blocker(ui->btnTrendPause);
        ui->btnTrendPause->setChecked(false);
    }
    updateTraces();
    chart->setMarks(liveMarks);
    onFit();
}

QString TrendView::askExportPath(const QString& title, const QString& nameSuffix, const QString& filter,
                                 const QString& extension) {
    if (!review)
        return {};
    const QFileInfo log(review->content().path);
    const QString suggested = log.dir().filePath(log.completeBaseName() + nameSuffix + extension);
    QString path = QFileDialog::getSaveFileName(this, title, suggested, filter);
    if (!path.isEmpty() && !path.endsWith(extension))
        path += extension;
    return path;
}

void TrendView::onExportStatistics() {
    const QString path =
        askExportPath(tr("Export the statistics"), tr("-statistics"), tr("CSV files (*.csv)"), QStringLiteral(".csv"));
    if (path.isEmpty())
        return;
    const QString problem = exportStatistics(path);
    if (!problem.isEmpty())
        showPlainMessage(this, QMessageBox::Critical, tr("Error"),
                         tr("The statistics cannot be written to %1.").arg(shownPath(path)), problem);
}

QString TrendView::exportStatistics(const QString& path) const {
    if (!review)
        return tr("No log is reviewed.");
    return writeStatisticsCsv(*review, statisticsThreshold, path);
}

void TrendView::onExportChart(bool pdf) {
    const QString path =
        pdf ? askExportPath(tr("Export the chart"), tr("-chart"), tr("PDF files (*.pdf)"), QStringLiteral(".pdf"))
            : askExportPath(tr("Export the chart"), tr("-chart"), tr("PNG pictures (*.png)"), QStringLiteral(".png"));
    if (path.isEmpty())
        return;
    const QString problem = pdf ? exportChartPdf(path) : exportChartPicture(path);
    if (!problem.isEmpty())
        showPlainMessage(this, QMessageBox::Critical, tr("Error"),
                         tr("The chart cannot be written to %1.").arg(shownPath(path)), problem);
}

void TrendView::onExportRows(bool betweenCursors) {
    const QString path = askExportPath(tr("Export rows of the log"), betweenCursors ? tr("-excerpt") : tr("-rows"),
                                       tr("CSV files (*.csv)"), QStringLiteral(".csv"));
    if (path.isEmpty())
        return;
    const QString problem = exportRows(path, betweenCursors);
    if (!problem.isEmpty())
        showPlainMessage(this, QMessageBox::Critical, tr("Error"),
                         tr("The rows cannot be written to %1.").arg(shownPath(path)), problem);
}

QString TrendView::exportChartPicture(const QString& path) const {
    QImageWriter writer(path, "png");
    return writer.write(chart->grab().toImage()) ? QString() : writer.errorString();
}

QString TrendView::exportChartPdf(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        // At the chart's own resolution its texts keep their size against
        // its lines; the page scales both alike and stays vector graphics.
        writer.setResolution(chart->logicalDpiY());
        writer.setTitle(ui->lblTrendSource->text());
        QPainter painter;
        if (!painter.begin(&writer))
            return tr("The PDF page cannot be drawn.");
        const double scale = std::min(static_cast<double>(writer.width()) / chart->width(),
                                      static_cast<double>(writer.height()) / chart->height());
        painter.scale(scale, scale);
        chart->render(&painter);
    }
    return commitSaveFile(file);
}

QString TrendView::exportRows(const QString& path, bool betweenCursors) const {
    if (!review)
        return tr("No log is reviewed.");
    std::size_t from = 0;
    std::size_t to = review->size();
    if (betweenCursors && hasBothCursors() && to > 0) {
        const auto range = TrendZoom::rowsBetween(
            to, [this](std::size_t i) { return review->timeAt(i); }, *chart->cursorTime(), *chart->secondCursorTime());
        from = range.first;
        to = range.second;
    }
    return writeLogExcerpt(review->content(), from, to, path);
}
