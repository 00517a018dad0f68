#include "SensorGeometry.h"

#include "ValueText.h"

#include <algorithm>
#include <cmath>
#include <limits>

double sensorScale(const SensorBars& bars, const QVector<int>& shownBars) {
    const double smallest = std::numeric_limits<double>::min();
    double scale = smallest;
    for (int index : shownBars) {
        const SensorPoints& points = bars[index].points;
        if (points.isEmpty())
            continue;
        const double x = points.last().first;
        const double y = points.last().second;
        const double contribution = (x > -0.00001 && x < 0.00001) ? smallest : (1.2 / x) * y;
        scale = std::max(scale, contribution);
    }
    return scale;
}

bool anyBarHasPoints(const SensorBars& bars) {
    return std::any_of(bars.begin(), bars.end(), [](const SensorBar& bar) { return !bar.points.isEmpty(); });
}

double barFraction(const SensorBar& bar, double scale) {
    const double f = bar.points.isEmpty() ? bar.intensity / 1.2 : bar.value / scale;
    if (std::isnan(f))
        return 0.0;
    return std::clamp(f, -1.0, 1.0);
}

QString barText(const SensorBar& bar) {
    return barText(bar, bar.unit);
}

QString barText(const SensorBar& bar, const QString& unit) {
    if (bar.points.isEmpty())
        return valueText(float(bar.value * 100), QStringLiteral("%"));
    return valueText(float(bar.value), unit);
}

double effectiveTriggerLevel(bool levelSet, double level, double scale) {
    return levelSet ? level : 0.5 * scale;
}

SensorGeometry::SensorGeometry(QSize size, int shownCount, const SensorLayout& layout)
    : size(size)
    , shownCount(shownCount)
    , layout(layout) {}

QRectF SensorGeometry::barRect(int index, double fraction) const {
    const double areaWidth = size.width() - layout.leftMargin - layout.rightMargin;
    const double width = shownCount == 1 ? areaWidth : areaWidth * 0.125;
    const double x = shownCount == 1 ? layout.leftMargin : index * width + layout.leftMargin;
    const double p = barAreaHeight();
    return QRectF(x, layout.topMargin + (1.0 - fraction) * p, width, fraction * p);
}

QRect SensorGeometry::textRect(int index) const {
    const int line = shownCount == 1 ? 0 : index;
    return QRect(layout.leftMargin, layout.labelTop + line * layout.labelHeight,
                 size.width() - layout.leftMargin - layout.rightMargin, layout.labelHeight);
}

double SensorGeometry::valueY(double value, double scale) const {
    double h = value / scale;
    h = std::isnan(h) ? 0.0 : std::clamp(h, -1.0, 1.0);
    return barAreaHeight() * (1.0 - h) + layout.topMargin;
}

QLine SensorGeometry::pointLine(int index, double pointValue, double scale) const {
    const QRectF full = fullBarRect(index);
    const int y = int(valueY(pointValue, scale));
    return QLine(int(full.left() + 1), y, int(full.right() - 1), y);
}

double SensorGeometry::triggerY(double level, double scale) const {
    double g = std::min(level / scale, 1.0);
    if (std::isnan(g))
        g = 0.0;
    return (1.0 - g) * barAreaHeight() + layout.topMargin;
}

double SensorGeometry::levelAt(double y, double scale) const {
    return (1.0 - (y - layout.topMargin) / barAreaHeight()) * scale;
}

int SensorGeometry::clampedTriggerY(int mouseY) const {
    return std::max(std::min(mouseY, size.height() - 2), layout.topMargin);
}

QLine SensorGeometry::triggerLine(double triggerY) const {
    const int y = int(triggerY);
    return QLine(layout.handleX + layout.handleWidth, y, size.width() - 2 * layout.handleX, y);
}

QRectF SensorGeometry::handleRect(double triggerY) const {
    return QRectF(layout.handleX, triggerY - layout.handleHeight / 2, layout.handleWidth, layout.handleHeight);
}

QPolygonF SensorGeometry::marker(int index, double triggerY) const {
    const double c = fullBarRect(index).center().x();
    return QPolygonF({QPointF(c - layout.markerHalfWidth, triggerY - layout.markerHeight),
                      QPointF(c + layout.markerHalfWidth, triggerY - layout.markerHeight), QPointF(c, triggerY - 1)});
}

bool SensorGeometry::inMarkerBand(int mouseY, double triggerY) const {
    return triggerY - layout.markerHeight <= mouseY && mouseY <= triggerY;
}

bool SensorGeometry::spansX(int index, int x) const {
    const QRectF full = fullBarRect(index);
    return full.left() <= x && x <= full.right();
}

QRectF SensorGeometry::hoverBox(int hoverTextY, int fontSize) const {
    return QRectF(0, hoverTextY - 2 * fontSize, size.width(), 2 * fontSize);
}

QVector<int> SensorGeometry::horizontalGridYs(int height, int spacing) {
    QVector<int> ys;
    if (spacing <= 0)
        return ys;
    for (int y = height - 1; y > 0; y -= spacing)
        ys.append(y);
    return ys;
}

QVector<int> SensorGeometry::verticalGridXs(int width, int spacing) {
    QVector<int> xs;
    if (spacing <= 0)
        return xs;
    for (int x = 1; x < width; x += spacing)
        xs.append(x);
    return xs;
}
