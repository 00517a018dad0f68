#include "TrendChart.h"

#include "Theme.h"
#include "TrendZoom.h"
#include "ValueText.h"

#include <QDateTime>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int margin = 8;
constexpr int axisWidth = 64;
constexpr int swatchWidth = 14;
constexpr int legendGap = 12;
// Tick labels at least this far apart.
constexpr int timeLabelSpacing = 110;
constexpr int valueLabelSpacing = 40;
// A press that moves less than this is a click, and a box narrower than
// this zooms nothing.
constexpr int dragDistance = 4;

QColor traceColor(const Theme& theme, std::size_t index) {
    if (theme.traceColors.isEmpty())
        return theme.text;
    return theme.traceColors[static_cast<int>(index % static_cast<std::size_t>(theme.traceColors.size()))];
}

} // namespace

TrendChart::TrendChart(QWidget* parent)
    : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(320, 200);
}

void TrendChart::setSource(const TrendSource* newSource, TimeAxis kind) {
    source = newSource;
    timeAxis = kind;
    cursor.reset();
    second.reset();
    drag.reset();
    emit cursorsChanged();
}

void TrendChart::setTraces(const std::vector<TrendTrace>& newTraces) {
    traces = newTraces;
    emit cursorsChanged();
}

void TrendChart::setView(double newEnd, double newSpan) {
    end = newEnd;
    span = newSpan > 0.0 ? newSpan : 1.0;
}

void TrendChart::setMarks(const std::vector<TrendMark>& newMarks) {
    marks = newMarks;
}

void TrendChart::setShade(std::optional<std::pair<double, double>> range) {
    shade = range;
}

void TrendChart::setCursorTime(std::optional<double> time) {
    cursor = time;
    emit cursorsChanged();
}

void TrendChart::setSecondCursorTime(std::optional<double> time) {
    second = time;
    emit cursorsChanged();
}

void TrendChart::setValueAxesFixed(bool fixed) {
    fixedValues = false;
    // Held where they are now.
    if (fixed)
        fixedAxes = valueAxes();
    fixedValues = fixed;
}

double TrendChart::shortestSpan(double time) const {
    if (!source)
        return TrendZoom::fewestFrames;
    const auto timeAt = [this](std::size_t i) {
        return source->timeAt(i);
    };
    return TrendZoom::fewestFrames * TrendZoom::framePeriod(TrendZoom::timesAround(source->size(), timeAt, time));
}

QStringList TrendChart::axisUnits() const {
    QStringList units;
    for (const TrendTrace& trace : traces) {
        if (!units.contains(trace.unit))
            units.append(trace.unit);
    }
    return units;
}

QRect TrendChart::plotRect() const {
    const QFontMetrics metrics(font());
    // The legend: one line of swatches and names, wrapped to the width.
    int rows = traces.empty() ? 0 : 1;
    int x = 0;
    for (const TrendTrace& trace : traces) {
        const int item = swatchWidth + 4 + metrics.horizontalAdvance(trace.name) + legendGap;
        if (x > 0 && x + item > width() - 2 * margin) {
            ++rows;
            x = 0;
        }
        x += item;
    }
    const int legendHeight = rows * (metrics.height() + 2) + (rows > 0 ? 4 : 0);
    // Axes alternate: first left, second right, third left outside the first.
    const int axes = static_cast<int>(axisUnits().size());
    const int leftAxes = (axes + 1) / 2;
    const int rightAxes = axes / 2;
    const int left = margin + std::max(leftAxes, 1) * axisWidth;
    const int right = width() - margin - rightAxes * axisWidth;
    // Room above the plot for the units over the value axes.
    const int top = margin + legendHeight + metrics.height() + 4;
    const int bottom = height() - margin - metrics.height() - 6;
    return QRect(QPoint(left, top), QPoint(std::max(left + 1, right - 1), std::max(top + 1, bottom - 1)));
}

ColumnScale TrendChart::columnScale() const {
    const QRect plot = plotRect();
    ColumnScale scale;
    scale.columns = std::max(plot.width(), 1);
    scale.msPerColumn = span / scale.columns;
    scale.start = end - span;
    return scale;
}

double TrendChart::timeAtX(double x) const {
    const QRect plot = plotRect();
    return end - span + (x - plot.left()) * span / std::max(plot.width(), 1);
}

double TrendChart::xAtTime(double time) const {
    const QRect plot = plotRect();
    return plot.left() + (time - (end - span)) * std::max(plot.width(), 1) / span;
}

std::vector<std::vector<ColumnExtent>> TrendChart::traceColumns() const {
    const ColumnScale scale = columnScale();
    std::vector<std::vector<ColumnExtent>> result(traces.size());
    const std::size_t count = source ? source->size() : 0;
    const auto timeAt = [this](std::size_t i) {
        return source->timeAt(i);
    };
    // Only the samples the view covers are read.
    const std::size_t from = count ? firstSampleFrom(count, timeAt, scale.start) : 0;
    const std::size_t to = count ? firstSampleFrom(count, timeAt, end + scale.msPerColumn) : 0;
    for (std::size_t t = 0; t < traces.size(); ++t) {
        result[t].assign(static_cast<std::size_t>(scale.columns), ColumnExtent());
        if (from < to)
            source->reduce(traces[t].channel, from, to, scale, result[t]);
    }
    return result;
}

std::vector<bool> TrendChart::gapColumns() const {
    const ColumnScale scale = columnScale();
    std::vector<std::pair<std::int64_t, std::int64_t>> gaps;
    const std::size_t count = source ? source->size() : 0;
    if (count > 0) {
        const auto timeAt = [this](std::size_t i) {
            return source->timeAt(i);
        };
        const std::size_t from = firstSampleFrom(count, timeAt, scale.start);
        const std::size_t to = firstSampleFrom(count, timeAt, end + scale.msPerColumn);
        for (const std::size_t i : source->gapsIn(from, to)) {
            if (i > 0)
                gaps.emplace_back(source->timeAt(i - 1), source->timeAt(i));
        }
    }
    return columnsAfterGaps(scale, gaps);
}

std::vector<TrendValueAxis> TrendChart::valueAxes() const {
    return valueAxes(traceColumns());
}

std::vector<TrendValueAxis> TrendChart::valueAxes(const std::vector<std::vector<ColumnExtent>>& columns) const {
    std::vector<TrendValueAxis> axes = automaticAxes(columns);
    if (!fixedValues)
        return axes;
    // A unit ticked since the axes were held follows the view.
    for (TrendValueAxis& axis : axes) {
        const auto held =
            std::find_if(fixedAxes.begin(), fixedAxes.end(), [&](const auto& a) { return a.unit == axis.unit; });
        if (held != fixedAxes.end())
            axis.range = held->range;
    }
    return axes;
}

std::vector<TrendValueAxis> TrendChart::automaticAxes(const std::vector<std::vector<ColumnExtent>>& columns) const {
    std::vector<TrendValueAxis> axes;
    std::vector<std::pair<double, double>> extremes;
    for (std::size_t t = 0; t < traces.size(); ++t) {
        auto found = std::find_if(axes.begin(), axes.end(), [&](const auto& a) { return a.unit == traces[t].unit; });
        std::size_t index = static_cast<std::size_t>(found - axes.begin());
        if (found == axes.end()) {
            TrendValueAxis axis;
            axis.unit = traces[t].unit;
            axis.left = axes.size() % 2 == 0;
            axes.push_back(axis);
            extremes.push_back({std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()});
        }
        for (const ColumnExtent& extent : columns[t]) {
            if (extent.empty)
                continue;
            extremes[index].first = std::min(extremes[index].first, extent.min);
            extremes[index].second = std::max(extremes[index].second, extent.max);
        }
    }
    const int plotHeight = plotRect().height();
    for (std::size_t i = 0; i < axes.size(); ++i) {
        const bool seen = extremes[i].first <= extremes[i].second;
        // A little room, so that no extreme lies on the plot's frame.
        const double pad = (extremes[i].second - extremes[i].first) * 0.02;
        axes[i].range = seen ? TrendAxis::niceRange(extremes[i].first - pad, extremes[i].second + pad,
                                                    std::max(plotHeight / valueLabelSpacing, 2))
                             : TrendAxis::niceRange(0.0, 1.0, 2);
    }
    return axes;
}

QString TrendChart::traceValueText(const TrendTrace& trace, double value) const {
    if (trace.whole)
        return QString::number(static_cast<qlonglong>(std::llround(value)));
    return ::valueText(value, trace.unit);
}

TrendReadout TrendChart::readout() const {
    TrendReadout result;
    if (!cursor || !source || source->size() == 0)
        return result;
    const std::size_t count = source->size();
    const std::size_t index = nearestSample(
        count, [this](std::size_t i) { return source->timeAt(i); }, *cursor);
    const std::int64_t time = source->timeAt(index);
    result.time = timeAxis == TimeAxis::LocalTime
                      ? QDateTime::fromMSecsSinceEpoch(time).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
                      : tr("Row %1").arg(time);
    for (const TrendTrace& trace : traces) {
        const double value = source->valueAt(trace.channel, index);
        result.values.append(trace.name + QStringLiteral(": ") +
                             (std::isfinite(value) ? traceValueText(trace, value) : tr("no value")));
    }
    return result;
}

TrendDifference TrendChart::difference() const {
    TrendDifference result;
    if (!second || !source || source->size() == 0)
        return result;
    const std::size_t count = source->size();
    const auto timeAt = [this](std::size_t i) {
        return source->timeAt(i);
    };
    const std::size_t to = nearestSample(count, timeAt, *second);
    const std::int64_t time = source->timeAt(to);
    result.second.time = timeAxis == TimeAxis::LocalTime
                             ? QDateTime::fromMSecsSinceEpoch(time).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
                             : tr("Row %1").arg(time);
    for (const TrendTrace& trace : traces) {
        const double value = source->valueAt(trace.channel, to);
        result.second.values.append(trace.name + QStringLiteral(": ") +
                                    (std::isfinite(value) ? traceValueText(trace, value) : tr("no value")));
    }
    if (!cursor)
        return result;
    const std::size_t from = nearestSample(count, timeAt, *cursor);
    const auto signedText = [](double difference, const QString& text) {
        return difference > 0 ? QStringLiteral("+") + text : text;
    };
    const double dt = static_cast<double>(source->timeAt(from) - time);
    result.time =
        signedText(dt, timeAxis == TimeAxis::LocalTime ? tr("%1 s").arg(QLocale().toString(dt / 1000.0, 'f', 3))
                                                       : tr("%1 rows").arg(dt));
    for (const TrendTrace& trace : traces) {
        const double dv = source->valueAt(trace.channel, from) - source->valueAt(trace.channel, to);
        result.values.append(trace.name + QStringLiteral(": ") +
                             (std::isfinite(dv) ? signedText(dv, traceValueText(trace, dv)) : tr("no value")));
    }
    return result;
}

void TrendChart::paintEvent(QPaintEvent*) {
    const Theme& theme = currentTheme();
    QPainter painter(this);
    painter.fillRect(rect(), theme.window);
    const QRect plot = plotRect();
    painter.fillRect(plot, theme.graphBottom);
    if (shade) {
        const double x0 = std::max<double>(xAtTime(shade->first), plot.left());
        const double x1 = std::min<double>(xAtTime(shade->second), plot.right() + 1);
        if (x1 > x0)
            painter.fillRect(QRectF(x0, plot.top(), x1 - x0, plot.height()),
                             QColor(theme.highlight.red(), theme.highlight.green(), theme.highlight.blue(), 48));
    }
    const std::vector<std::vector<ColumnExtent>> columns = traceColumns();
    const std::vector<TrendValueAxis> axes = valueAxes(columns);
    paintTimeAxis(painter, plot);
    paintValueAxes(painter, plot, axes);
    paintMarks(painter, plot);
    paintTraces(painter, plot, axes, columns);
    painter.setPen(theme.text);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    paintLegend(painter);
    paintSecondCursor(painter, plot);
    paintCursor(painter, plot);
    paintBand(painter, plot);
}

void TrendChart::paintTimeAxis(QPainter& painter, const QRect& plot) const {
    const Theme& theme = currentTheme();
    const int maxTicks = std::max(plot.width() / timeLabelSpacing, 1);
    const double start = end - span;
    QVector<double> ticks;
    std::int64_t step = 1;
    double valueStep = 1.0;
    if (timeAxis == TimeAxis::LocalTime) {
        step = TrendAxis::timeStep(span, maxTicks);
        const int offset = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(start)).offsetFromUtc();
        for (const std::int64_t tick : TrendAxis::timeTicks(start, end, step, offset))
            ticks.append(static_cast<double>(tick));
    } else {
        valueStep = std::max(1.0, TrendAxis::niceStep(span, maxTicks));
        ticks = TrendAxis::valueTicks(
            {std::ceil(start / valueStep) * valueStep, std::floor(end / valueStep) * valueStep, valueStep});
    }
    const QFontMetrics metrics(font());
    for (const double tick : ticks) {
        const double x = xAtTime(tick);
        if (x < plot.left() || x > plot.right())
            continue;
        painter.setPen(QPen(theme.gridColor, 1.0));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(theme.text);
        const QString label = timeAxis == TimeAxis::LocalTime
                                  ? TrendAxis::timeLabel(static_cast<std::int64_t>(tick), step)
                                  : TrendAxis::valueLabel(tick, valueStep);
        const int w = metrics.horizontalAdvance(label);
        // Centred under its tick, but never cut by the widget's edge.
        const double left = std::clamp(x - w / 2.0, 0.0, static_cast<double>(width() - w - 1));
        painter.drawText(QPointF(left, plot.bottom() + 4 + metrics.ascent()), label);
    }
}

void TrendChart::paintValueAxes(QPainter& painter, const QRect& plot, const std::vector<TrendValueAxis>& axes) const {
    const Theme& theme = currentTheme();
    const QFontMetrics metrics(font());
    int leftIndex = 0;
    int rightIndex = 0;
    for (std::size_t i = 0; i < axes.size(); ++i) {
        const TrendValueAxis& axis = axes[i];
        const int slot = axis.left ? leftIndex++ : rightIndex++;
        const int lineX = axis.left ? plot.left() - slot * axisWidth : plot.right() + slot * axisWidth;
        painter.setPen(theme.text);
        painter.drawLine(lineX, plot.top(), lineX, plot.bottom());
        const double height = axis.range.high - axis.range.low;
        for (const double tick : TrendAxis::valueTicks(axis.range)) {
            const double y = plot.bottom() - (tick - axis.range.low) / height * plot.height();
            if (i == 0) {
                painter.setPen(QPen(theme.gridColor, 1.0));
                painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
                painter.setPen(theme.text);
            }
            const QString label = TrendAxis::valueLabel(tick, axis.range.step);
            const int w = metrics.horizontalAdvance(label);
            const double x = axis.left ? lineX - 5 - w : lineX + 5;
            painter.drawLine(QPointF(lineX, y), QPointF(axis.left ? lineX - 3 : lineX + 3, y));
            painter.drawText(QPointF(x, y + metrics.ascent() / 2.0 - 1),
                             metrics.elidedText(label, Qt::ElideLeft, axisWidth - 8));
        }
        const int w = metrics.horizontalAdvance(axis.unit);
        const double unitBaseline = plot.top() - metrics.ascent() / 2.0 - 4;
        painter.drawText(QPointF(lineX - w / 2.0, unitBaseline), axis.unit);
    }
}

void TrendChart::paintTraces(QPainter& painter, const QRect& plot, const std::vector<TrendValueAxis>& axes,
                             const std::vector<std::vector<ColumnExtent>>& columns) const {
    const Theme& theme = currentTheme();
    const std::vector<bool> gaps = gapColumns();
    painter.save();
    painter.setClipRect(plot);
    QVector<QLine> lines;
    QVector<QRect> strokes;
    for (std::size_t t = 0; t < traces.size(); ++t) {
        const auto axis =
            std::find_if(axes.begin(), axes.end(), [&](const auto& a) { return a.unit == traces[t].unit; });
        const double low = axis->range.low;
        const double scale = plot.height() / (axis->range.high - axis->range.low);
        const auto yOf = [&](double value) {
            // Far outside the plot is clipped anyway; keeps the int in range.
            const double y = plot.bottom() - (value - low) * scale;
            return static_cast<int>(std::lround(std::clamp(y, plot.top() - 10.0, plot.bottom() + 10.0)));
        };
        lines.clear();
        strokes.clear();
        int previousX = -1;
        int previousY = 0;
        // A gap of the acquisition, or a sample without a value, since the
        // last drawn column: not joined.
        bool broken = false;
        for (std::size_t c = 0; c < columns[t].size(); ++c) {
            const ColumnExtent& extent = columns[t][c];
            broken = broken || extent.noValue || (c < gaps.size() && gaps[c]);
            if (extent.empty)
                continue;
            const int x = plot.left() + static_cast<int>(c);
            int top = yOf(extent.max);
            int bottom = yOf(extent.min);
            if (broken)
                previousX = -1;
            if (previousX == x - 1) {
                // Next to the previous column: one stroke that also reaches
                // where that column ended.
                top = std::min(top, previousY);
                bottom = std::max(bottom, previousY);
            } else if (previousX >= 0) {
                lines.append(QLine(previousX, previousY, x, yOf(extent.first)));
            }
            strokes.append(QRect(x, top, 1, bottom - top + 1));
            previousX = x;
            previousY = yOf(extent.last);
            // Which side of the column's values it lies on is not kept:
            // both sides break.
            broken = extent.noValue;
        }
        const QColor colour = traceColor(theme, t);
        // Vertical strokes as one-pixel rectangles: the raster engine fills
        // them directly, much faster than it strokes as many lines.
        for (const QRect& stroke : strokes)
            painter.fillRect(stroke, colour);
        QPen pen(colour, 1.0);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawLines(lines);
    }
    painter.restore();
}

void TrendChart::paintMarks(QPainter& painter, const QRect& plot) const {
    const Theme& theme = currentTheme();
    for (const TrendMark& mark : marks) {
        const double x = xAtTime(mark.time);
        if (x < plot.left() || x > plot.right())
            continue;
        painter.setPen(
            QPen(theme.triggerLineColor, 1.5, mark.kind == TrendMark::Trigger ? Qt::SolidLine : Qt::DashLine));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        const QString label = mark.kind == TrendMark::Trigger ? tr("Trigger") : tr("End");
        painter.drawText(QPointF(x + 3, plot.bottom() - 4), label);
        // A small flag on the time axis.
        painter.setBrush(theme.triggerLineColor);
        painter.drawPolygon(QPolygonF(
            {QPointF(x, plot.bottom()), QPointF(x - 4, plot.bottom() + 6), QPointF(x + 4, plot.bottom() + 6)}));
        painter.setBrush(Qt::NoBrush);
    }
}

void TrendChart::paintLegend(QPainter& painter) const {
    const Theme& theme = currentTheme();
    const QFontMetrics metrics(font());
    int x = margin;
    int y = margin;
    for (std::size_t t = 0; t < traces.size(); ++t) {
        const int item = swatchWidth + 4 + metrics.horizontalAdvance(traces[t].name) + legendGap;
        if (x > margin && x + item > width() - margin) {
            x = margin;
            y += metrics.height() + 2;
        }
        painter.fillRect(QRect(x, y + metrics.height() / 2 - 2, swatchWidth, 4), traceColor(theme, t));
        painter.setPen(theme.text);
        painter.drawText(QPointF(x + swatchWidth + 4, y + metrics.ascent()), traces[t].name);
        x += item;
    }
}

QStringList TrendChart::cursorBoxLines() const {
    const TrendReadout shown = readout();
    if (shown.time.isEmpty())
        return {};
    QStringList lines = shown.values;
    lines.prepend(shown.time);
    // The differences sit beside the values they belong to, where the chart
    // has room for them; the row under the chart often has not.
    const TrendDifference from = difference();
    if (from.time.isEmpty() || from.values.size() != shown.values.size())
        return lines;
    const QString delta = QStringLiteral("   \u0394 ");
    lines[0] += delta + from.time;
    for (int i = 0; i < from.values.size(); ++i) {
        const QString& name = traces[static_cast<std::size_t>(i)].name;
        lines[i + 1] += delta + from.values[i].mid(name.size() + 2);
    }
    return lines;
}

void TrendChart::paintCursor(QPainter& painter, const QRect& plot) const {
    const QStringList lines = cursorBoxLines();
    if (lines.isEmpty())
        return;
    const Theme& theme = currentTheme();
    const double x = xAtTime(*cursor);
    painter.setPen(QPen(theme.text, 1.0, Qt::DotLine));
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    const QFontMetrics metrics(font());
    int w = 0;
    for (const QString& line : lines)
        w = std::max(w, metrics.horizontalAdvance(line));
    const int lineHeight = metrics.height();
    QRect box(0, plot.top() + 4, w + 12, lineHeight * lines.size() + 8);
    box.moveLeft(x + 8 + box.width() < plot.right() ? static_cast<int>(x) + 8 : static_cast<int>(x) - 8 - box.width());
    painter.setPen(theme.text);
    painter.setBrush(theme.base);
    painter.drawRect(box);
    for (int i = 0; i < lines.size(); ++i) {
        painter.setPen(i == 0 ? theme.text : traceColor(theme, static_cast<std::size_t>(i - 1)));
        painter.drawText(QPointF(box.left() + 6, box.top() + 4 + i * lineHeight + metrics.ascent()), lines[i]);
    }
}

void TrendChart::paintSecondCursor(QPainter& painter, const QRect& plot) const {
    if (!second)
        return;
    const double x = xAtTime(*second);
    if (x < plot.left() || x > plot.right())
        return;
    const Theme& theme = currentTheme();
    painter.setPen(QPen(theme.text, 1.0, Qt::DashDotLine));
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    const QFontMetrics metrics(font());
    painter.drawText(QPointF(x + 3, plot.top() + metrics.ascent() + 2), QStringLiteral("2"));
}

void TrendChart::paintBand(QPainter& painter, const QRect& plot) const {
    if (!drag || !drag->box || !drag->moved)
        return;
    const Theme& theme = currentTheme();
    const QRect band = drag->band().intersected(plot);
    painter.setPen(QPen(theme.highlight, 1.0, Qt::DashLine));
    painter.setBrush(QColor(theme.highlight.red(), theme.highlight.green(), theme.highlight.blue(), 40));
    painter.drawRect(band);
    painter.setBrush(Qt::NoBrush);
}

void TrendChart::mousePressEvent(QMouseEvent* event) {
    const bool box = event->button() == Qt::RightButton ||
                     (event->button() == Qt::LeftButton && event->modifiers().testFlag(Qt::ShiftModifier));
    if (!plotRect().contains(event->pos()) || (!box && event->button() != Qt::LeftButton)) {
        QWidget::mousePressEvent(event);
        return;
    }
    drag = Drag{box, event->pos(), event->pos(), {end, span}, false};
}

void TrendChart::mouseMoveEvent(QMouseEvent* event) {
    const QRect plot = plotRect();
    const QPoint at = event->pos();
    if (plot.contains(at))
        cursor = timeAtX(at.x());
    else if (!second)
        cursor.reset();
    if (drag) {
        drag->now = at;
        drag->moved = drag->moved || (at - drag->start).manhattanLength() >= dragDistance;
        if (drag->moved && !drag->box) {
            const TrendWindow view = TrendZoom::panBy(drag->from, at.x() - drag->start.x(), plot.width());
            emit viewRequested(view.end, view.span);
        }
    }
    emit cursorsChanged();
    update();
}

void TrendChart::mouseReleaseEvent(QMouseEvent* event) {
    if (!drag) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    Drag done = *drag;
    drag.reset();
    done.now = event->pos();
    if (done.box && done.moved) {
        finishBox(done);
    } else if (!done.moved && !done.box) {
        second = timeAtX(done.start.x());
        emit cursorsChanged();
    }
    update();
}

void TrendChart::finishBox(const Drag& box) {
    const QRect plot = plotRect();
    const QRect band = box.band().intersected(plot);
    if (band.height() >= dragDistance) {
        // Each axis held at the values of the box's top and bottom.
        std::vector<TrendValueAxis> held = valueAxes();
        const int maxTicks = std::max(plot.height() / valueLabelSpacing, 2);
        for (TrendValueAxis& axis : held) {
            const double low = TrendZoom::valueAtY(axis.range, plot.top(), plot.height(), band.bottom() + 1);
            const double high = TrendZoom::valueAtY(axis.range, plot.top(), plot.height(), band.top());
            axis.range = TrendZoom::boxRange(low, high, maxTicks);
        }
        fixedAxes = held;
        fixedValues = true;
        emit valueAxesHeld();
    }
    if (band.width() >= dragDistance) {
        const double from = timeAtX(band.left());
        const double to = timeAtX(band.right() + 1);
        const TrendWindow view = TrendZoom::boxWindow(from, to, shortestSpan((from + to) / 2));
        emit viewRequested(view.end, view.span);
    }
}

void TrendChart::wheelEvent(QWheelEvent* event) {
    const QPointF at = event->position();
    const int turn = event->angleDelta().y();
    if (turn == 0 || !plotRect().contains(at.toPoint())) {
        event->ignore();
        return;
    }
    const double anchor = timeAtX(at.x());
    const TrendWindow view =
        TrendZoom::zoomAround({end, span}, anchor, TrendZoom::wheelFactor(turn), shortestSpan(anchor), longest);
    emit viewRequested(view.end, view.span);
    event->accept();
}

void TrendChart::leaveEvent(QEvent*) {
    if (!second)
        cursor.reset();
    emit cursorsChanged();
    update();
}
