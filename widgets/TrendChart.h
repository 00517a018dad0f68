#pragma once

#include "TrendAxis.h"
#include "TrendSource.h"

#include <QRect>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <optional>
#include <vector>

// A moment marked on the time axis: a capture's trigger or its end.
struct TrendMark {
    enum Kind { Trigger, End };
    double time = 0.0;
    Kind kind = Trigger;
};

// What the cursor shows: the time of the sample nearest to it and each
// trace's value there, in trace order.
struct TrendReadout {
    QString time;
    QStringList values;
};

// The second cursor: what it reads and, while the first cursor is shown too,
// the differences from the second to the first in time and in each trace's
// value, in trace order ("A1: +0.25 kg").
struct TrendDifference {
    TrendReadout second;
    QString time;
    QStringList values;
};

// One value axis: the traces of one unit.
struct TrendValueAxis {
    QString unit;
    TrendAxis::ValueRange range;
    bool left = true;
};

// The traces of a TrendSource over a window of time, painted by hand: one
// stroke per pixel column from the column's smallest to its largest sample,
// one value axis per unit, the time axis in local time (or row numbers),
// marks, a shaded range, a legend and a cursor that follows the mouse.
//
// The wheel zooms the time axis around the pointer, a drag moves it, a box
// drawn with the right button (or with Shift) zooms to the box's times and
// holds the value axes at its values, and a click sets a second cursor.
// The chart only asks for the views (viewRequested); the owner applies them
// with setView, sets what to show and calls repaint or update.
class TrendChart : public QWidget {
    Q_OBJECT

public:
    enum class TimeAxis { LocalTime, RowNumber };

    explicit TrendChart(QWidget* parent = nullptr);

    // Not owned; must outlive its use here (setSource(nullptr) before).
    void setSource(const TrendSource* source, TimeAxis kind);
    void setTraces(const std::vector<TrendTrace>& traces);
    const std::vector<TrendTrace>& currentTraces() const { return traces; }
    // Shows [end - span, end] (ms, or rows).
    void setView(double end, double span);
    double viewEnd() const { return end; }
    double viewSpan() const { return span; }
    void setMarks(const std::vector<TrendMark>& marks);
    const std::vector<TrendMark>& currentMarks() const { return marks; }
    // A range painted in the background, such as a log's pre-trigger rows.
    void setShade(std::optional<std::pair<double, double>> range);
    std::optional<std::pair<double, double>> currentShade() const { return shade; }

    // The cursor at a time; nothing hides it.
    void setCursorTime(std::optional<double> time);
    std::optional<double> cursorTime() const { return cursor; }
    // Empty when no cursor is shown or no trace has a sample.
    TrendReadout readout() const;
    // The second cursor. While it is set, the first one stays where the
    // pointer left the plot, so that both can be read and used.
    void setSecondCursorTime(std::optional<double> time);
    std::optional<double> secondCursorTime() const { return second; }
    // Empty without a second cursor.
    TrendDifference difference() const;
    // What the cursor's box says: the readout's time and values, each
    // followed by its difference from the second cursor while that is set.
    QStringList cursorBoxLines() const;

    // The widest view the wheel asks for.
    void setLongestSpan(double span) { longest = span; }
    // The narrowest: TrendZoom::fewestFrames frames of the source near `time`.
    double shortestSpan(double time) const;
    // Value axes held at their present ranges, or following what the view
    // shows (the default).
    void setValueAxesFixed(bool fixed);
    bool valueAxesFixed() const { return fixedValues; }

    // Where things go: the plot area inside the axes, legend and margins.
    QRect plotRect() const;
    // The value axes of the traces, in trace order of their units, with the
    // ranges of what the view shows.
    std::vector<TrendValueAxis> valueAxes() const;
    // The units of the traces, each once, in the order of the traces.
    QStringList axisUnits() const;
    // The columns of each trace for the current view and plot width.
    std::vector<std::vector<ColumnExtent>> traceColumns() const;
    // The columns the traces are not joined into across a gap of the source.
    std::vector<bool> gapColumns() const;
    double timeAtX(double x) const;
    double xAtTime(double time) const;

signals:
    // A view asked for by the wheel, a drag or a box.
    void viewRequested(double end, double span);
    // A box held the value axes.
    void valueAxesHeld();
    // Either cursor moved, came or went, or the traces they read changed.
    void cursorsChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // A press of a button in the plot until its release.
    struct Drag {
        bool box = false;
        QPoint start;
        QPoint now;
        TrendWindow from;
        bool moved = false;
        // The pixels between start and now, both included, whichever way
        // the pointer went (QRect::normalized() differs between Qt 5 and 6).
        QRect band() const {
            return QRect(QPoint(std::min(start.x(), now.x()), std::min(start.y(), now.y())),
                         QPoint(std::max(start.x(), now.x()), std::max(start.y(), now.y())));
        }
    };

    std::vector<TrendValueAxis> automaticAxes(const std::vector<std::vector<ColumnExtent>>& columns) const;
    void finishBox(const Drag& box);
    void paintSecondCursor(QPainter& painter, const QRect& plot) const;
    void paintBand(QPainter& painter, const QRect& plot) const;
    ColumnScale columnScale() const;
    std::vector<TrendValueAxis> valueAxes(const std::vector<std::vector<ColumnExtent>>& columns) const;
    QString traceValueText(const TrendTrace& trace, double value) const;
    void paintTimeAxis(QPainter& painter, const QRect& plot) const;
    void paintValueAxes(QPainter& painter, const QRect& plot, const std::vector<TrendValueAxis>& axes) const;
    void paintTraces(QPainter& painter, const QRect& plot, const std::vector<TrendValueAxis>& axes,
                     const std::vector<std::vector<ColumnExtent>>& columns) const;
    void paintMarks(QPainter& painter, const QRect& plot) const;
    void paintLegend(QPainter& painter) const;
    void paintCursor(QPainter& painter, const QRect& plot) const;

    const TrendSource* source = nullptr;
    TimeAxis timeAxis = TimeAxis::LocalTime;
    std::vector<TrendTrace> traces;
    double end = 0.0;
    double span = 10000.0;
    std::vector<TrendMark> marks;
    std::optional<std::pair<double, double>> shade;
    std::optional<double> cursor;
    std::optional<double> second;
    double longest = 600000.0;
    bool fixedValues = false;
    std::vector<TrendValueAxis> fixedAxes;
    std::optional<Drag> drag;
};
