#pragma once

#include "InputFrame.h"
#include "LogLoader.h"
#include "ShownFrame.h"
#include "TrendChart.h"
#include "TrendSources.h"
#include "TrendStore.h"

#include <QString>
#include <QWidget>

#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class CalibrationData;
class QAbstractButton;
class QAction;
class QMenu;
class QProgressDialog;
class QTimer;

// The Trend tab of the DAQ window: every frame of the live acquisition as
// traces over the last 10 s, 1 min or 10 min, with pause, scrolling back,
// zooming and two cursors; or a capture log read back into the same chart. The window hands
// it the frames of each tick (addFrames) and calls refresh once per tick.
namespace Ui {
class TrendView;
}

class TrendView : public QWidget {
    Q_OBJECT

public:
    explicit TrendView(QWidget* parent = nullptr);
    ~TrendView() override;

    // What the sensors show: calibrated values in the calibration's unit,
    // raw readings as % for sensors without points.
    void setCalibration(const CalibrationData& calibration);
    // The threshold of the active sensors in the statistics channels, in the
    // unit the statistics are shown in; frames from now on and a reviewed
    // log take it.
    void setStatisticsThreshold(double threshold);
    // Raw frames of one tick, oldest first; each is kept.
    void addFrames(const std::deque<KivraTolm::InputFrame>& frames, const CalibrationData& calibration);
    // A capture's trigger moment or end on the time axis (ms since 1970).
    void markCapture(TrendMark::Kind kind, std::int64_t time);
    // Moves a live chart to the newest frame and repaints it when shown.
    void refresh();

    // Reads a log in the background behind a progress dialog; the chart
    // shows it when done.
    void openLog(const QString& path);
    // What reads the logs; readCaptureLog unless set (tests give a stalled one).
    void setLogReader(LogLoader::Reader read);
    bool isReviewing() const { return review != nullptr; }
    bool isLoading() const { return loader != nullptr; }
    bool isPaused() const;
    // The log under review; null while live.
    std::shared_ptr<const KivraTolm::CaptureLogContent> reviewedLog() const;
    // A replay's row: the cursor on it, the view moved to hold it.
    void followRow(std::size_t row);
    // Row `row` of the log under review as the statistics see it.
    ShownFrame reviewedRow(std::size_t row) const { return review->shownRow(row); }

    const KivraTolm::TrendStore& history() const { return store; }
    TrendChart* trendChart() const { return chart; }
    QAbstractButton* traceButton(int channel) const { return toggles[static_cast<std::size_t>(channel)]; }
    // "Export" of a reviewed log; others add their entries.
    QMenu* exportMenu() const { return exportCommands; }
    // The statistics of every row of the reviewed log as CSV; the message of
    // what went wrong, empty when written.
    QString exportStatistics(const QString& path) const;
    // The chart as it is shown, as a PNG picture of its size or on an A4
    // page (landscape) of a PDF file; what went wrong, empty when written.
    QString exportChartPicture(const QString& path) const;
    QString exportChartPdf(const QString& path) const;
    // The rows of the reviewed log as a log of their own (writeLogExcerpt):
    // from the row one cursor reads to the row the other reads when both are
    // shown and `betweenCursors` is set, else all.
    QString exportRows(const QString& path, bool betweenCursors) const;
    // The spans offered, in ms.
    static std::vector<std::int64_t> spans();

public slots:
    void onOpenLog();
    void onBackToLive();
    void onExportStatistics();
    // The span chosen and the value axes following the traces again.
    void onFit();

signals:
    // A log was shown, or failed, or its reading was cancelled.
    void logDone();
    // The review began, or ended, or shows another log.
    void reviewChanged();
    // "Replay" for the log under review.
    void replayRequested();

private:
    void connectSignals();
    void onLogRead();
    void onCancelLog();
    void endLoading();
    // The description's fields as the details show them.
    static QString descriptionText(const LogDescription& description);
    // What the user is told about a log just shown (a cut tail, fields without
    // a value, time stamps that go back); empty when all is well.
    static QStringList reviewNotes(const KivraTolm::CaptureLogContent& content);
    void showReview(std::shared_ptr<KivraTolm::CaptureLogContent> log);
    void updateTraces();
    void updateView();
    void updateScrollBar();
    void onScroll(int value);
    double currentSpan() const;
    // A span item (ms, or wholeLog) in the chart's units.
    double spanOf(qint64 item) const;
    // The widest span offered.
    double longestSpan() const;
    void onViewRequested(double end, double span);
    void updateCursorReadout();
    bool hasBothCursors() const;
    // A file name for an export beside the reviewed log; empty when cancelled.
    QString askExportPath(const QString& title, const QString& nameSuffix, const QString& filter,
                          const QString& extension);
    void onExportChart(bool pdf);
    void onExportRows(bool betweenCursors);
    // The furthest end of the view: the newest frame, or just past a log's last row.
    double latestEnd() const;
    TrendTrace traceOf(int channel) const;
    const TrendSource* source() const;

    std::unique_ptr<Ui::TrendView> ui;
    TrendChart* chart = nullptr;
    std::array<QAbstractButton*, KivraTolm::TrendChannel::count> toggles = {};
    KivraTolm::TrendStore store;
    LiveTrendSource live{store};
    std::unique_ptr<LogTrendSource> review;
    SensorFlags hasPoints = {};
    double statisticsThreshold = 0.0;
    QMenu* exportCommands = nullptr;
    QAction* rowsBetweenCursors = nullptr;
    // The span the user zoomed to; none: the span chosen.
    std::optional<double> zoomedSpan;
    QString unit;
    std::vector<TrendMark> liveMarks;
    // The end of the view while paused or reviewing.
    double heldEnd = 0.0;
    // Scroll bar units in ms (or rows) and the scroll bar's origin.
    double scrollUnit = 1.0;
    double scrollOrigin = 0.0;
    bool updatingScroll = false;
    LogLoader::Reader logReader;
    LogLoader* loader = nullptr;
    QProgressDialog* progress = nullptr;
    QTimer* progressTimer = nullptr;
};
