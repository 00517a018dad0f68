#pragma once

#include "SensorBar.h"

#include <QLine>
#include <QPolygonF>
#include <QRect>
#include <QSize>
#include <QVector>

#include <array>

using SensorBars = std::array<SensorBar, 8>;

// Fixed geometry of the bar graph, in pixels.
struct SensorLayout {
    int leftMargin = 20;
    int rightMargin = 10;
    int topMargin = 130; // the text lines live above it
    int labelTop = 5;
    int labelHeight = 14;
    int pointTolerance = 4;
    int handleWidth = 6;
    int handleHeight = 8;
    int handleX = 4;
    int markerHalfWidth = 3;
    int markerHeight = 8; // also the band above the trigger line where a click toggles a marker
};

// The value that 120 % intensity has on the line through the origin and the
// last point, the largest over the shown bars with points; the smallest
// positive double when there is none.
double sensorScale(const SensorBars& bars, const QVector<int>& shownBars);

bool anyBarHasPoints(const SensorBars& bars);

// Filled fraction of the bar area: the raw reading against 120 % without
// points, else the calibrated value against the scale. At most 1; values
// below the bottom all look the same, so the fraction stops at -1 (which
// also keeps infinities and NaN out of the painter).
double barFraction(const SensorBar& bar, double scale);

// The text line of a bar: its reading in percent without points, else its
// calibrated value with the unit.
QString barText(const SensorBar& bar);
// The same with `unit` in place of the bar's unit (one cut to fit, UnitFit).
QString barText(const SensorBar& bar, const QString& unit);

// The level the trigger line shows: the user's once set, else half the scale.
double effectiveTriggerLevel(bool levelSet, double level, double scale);

// Where things are in a bar graph of a given size showing `shownCount` bars.
// Bars are addressed by their index (row), as in the shown-bar list.
class SensorGeometry {
public:
    SensorGeometry(QSize size, int shownCount, const SensorLayout& layout = SensorLayout());

    int barAreaTop() const { return layout.topMargin; }
    int barAreaHeight() const { return size.height() - layout.topMargin; }

    QRectF barRect(int index, double fraction) const;
    QRectF fullBarRect(int index) const { return barRect(index, 1.0); }
    QRect textRect(int index) const;

    // y of a value against the scale, never below the bar area's bottom by
    // more than its height.
    double valueY(double value, double scale) const;
    QLine pointLine(int index, double pointValue, double scale) const;

    double triggerY(double level, double scale) const;
    double levelAt(double y, double scale) const;
    // The mouse's y as the trigger handle follows it: inside the bar area.
    int clampedTriggerY(int mouseY) const;
    QLine triggerLine(double triggerY) const;
    QRectF handleRect(double triggerY) const;
    QPolygonF marker(int index, double triggerY) const;
    bool inMarkerBand(int mouseY, double triggerY) const;
    bool spansX(int index, int x) const;

    QRectF hoverBox(int hoverTextY, int fontSize) const;

    // Horizontal grid lines from the bottom edge up, then vertical ones from
    // the left; every tenth horizontal line (counting from the bottom) is major.
    static QVector<int> horizontalGridYs(int height, int spacing);
    static QVector<int> verticalGridXs(int width, int spacing);

private:
    QSize size;
    int shownCount;
    SensorLayout layout;
};
