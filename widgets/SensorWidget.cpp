#include "SensorWidget.h"

#include "Theme.h"
#include "ValueText.h"
#include "ViewColours.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Bottom rows where bars, point lines and the trigger handle may meet the
// frame.
const int frameStripRows = 2;
const double frameWidth = 1.0;

bool validIndex(int index) {
    return index >= 0 && index < 8;
}

QFont labelFont(const Theme& theme) {
    return QFont(theme.fontFamily, theme.fontSize);
}

QColor fillColour(const Theme& theme, int state) {
    switch (state) {
    case 0:
        return theme.barDimColor;
    case 2:
        return theme.barHoverColor;
    default:
        return theme.barColor;
    }
}

} // namespace

SensorWidget::SensorWidget(QWidget* parent)
    : QWidget(parent) {
    setMouseTracking(true);
}

bool SensorWidget::isTriggerSelected(int index) const {
    return validIndex(index) && bars[index].triggerSelected;
}

const SensorBar& SensorWidget::bar(int index) const {
    return bars.at(index);
}

void SensorWidget::setPaintCacheEnabled(bool enabled) {
    backgroundCache.setEnabled(enabled);
    framedBackgroundCache.setEnabled(enabled);
    frameStripCache.setEnabled(enabled);
    labelTextCached = enabled;
}

void SensorWidget::animate() {
    repaint();
}

void SensorWidget::resetTriggerState() {
    for (SensorBar& b : bars)
        b.triggerSelected = false;
    triggerLevelSet = false;
    triggerLevel = 0.0f;
}

void SensorWidget::updateSensor(int index, double intensity, double value) {
    if (!validIndex(index))
        return;
    bars[index].intensity = intensity;
    bars[index].value = value;
}

void SensorWidget::updateCalibrationPoints(int index, const SensorPoints& points) {
    if (!validIndex(index))
        return;
    bars[index].points = points;
}

void SensorWidget::setSingleMode(bool single, int row) {
    if (single) {
        if (!validIndex(row))
            return;
        shownBars = {row};
    } else {
        shownBars = {0, 1, 2, 3, 4, 5, 6, 7};
    }
}

void SensorWidget::enableSensor(int index, bool enable) {
    if (!validIndex(index))
        return;
    bars[index].state = enable ? 1 : 0;
}

void SensorWidget::setTriggerLevelVisible(bool enable) {
    triggerLevelVisible = enable;
}

void SensorWidget::setTriggerLevelDisabled(bool disable) {
    triggerLevelDisabled = disable;
}

void SensorWidget::setTriggerLevel(float level) {
    triggerLevel = level;
    triggerLevelSet = true;
}

void SensorWidget::enableCalibrationPoints(bool enable) {
    calibrationPointsEnabled = enable;
}

void SensorWidget::setUnit(const QString& unit) {
    for (SensorBar& b : bars)
        b.unit = unit;
}

void SensorWidget::setBarNotLogged(int index, bool notLogged) {
    if (validIndex(index))
        bars[index].notLogged = notLogged;
}

SensorGeometry SensorWidget::geometry() const {
    return SensorGeometry(size(), shownBars.size(), layout);
}

bool SensorWidget::triggerUsable() const {
    return triggerLevelVisible && anyBarHasPoints(bars);
}

void SensorWidget::paintEvent(QPaintEvent*) {
    const Theme& theme = currentTheme();
    const bool opaque = theme.graphTop.alpha() == 255 && theme.graphBottom.alpha() == 255;
    // An opaque background covers every pixel: what lies behind the widget
    // need not be painted first.
    if (testAttribute(Qt::WA_OpaquePaintEvent) != opaque)
        setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool framed = opaque && framedBackgroundCache.isEnabled() && frameWithBackground();
    const QRect frameStrip(0, height() - frameStripRows, width(), frameStripRows);
    if (framed) {
        framedBackgroundCache.draw(painter, size(), opaque, [this, &frameStrip](QPainter& p) {
            paintBackground(p);
            p.setClipRect(QRect(0, 0, width(), frameStrip.top()));
            paintFrame(p);
        });
    } else {
        backgroundCache.draw(painter, size(), opaque, [this](QPainter& p) { paintBackground(p); });
    }

    const SensorGeometry geo = geometry();
    const double scale = sensorScale(bars, shownBars);
    painter.setFont(labelFont(theme));
    for (int index : shownBars)
        paintBar(painter, geo, index, scale);
    if (triggerUsable())
        paintTrigger(painter, geo, scale);
    if (hoverTextVisible)
        paintHoverText(painter, geo);

    if (!framed) {
        paintFrame(painter);
    } else if (frameStripComposable()) {
        frameStripCache.draw(painter, frameStrip, size(), [this, &frameStrip](QPainter& p) {
            p.setClipRect(frameStrip, Qt::IntersectClip);
            paintFrame(p);
        });
    } else {
        painter.setClipRect(frameStrip, Qt::IntersectClip);
        paintFrame(painter);
    }
}

// The frame is painted last, over whatever lies on the widget's edges. Only
// the bottom rows (bars, point lines, the trigger handle) and the hover box
// ever reach them; elsewhere the frame lies on the background alone and can
// come with the background's picture. Clipping the frame's outline changes no
// pixel it keeps: its lines lie on whole pixels.
bool SensorWidget::frameWithBackground() const {
    return !hoverTextVisible && width() >= layout.leftMargin + layout.rightMargin && height() > frameStripRows &&
           isWholePixelRatio(devicePixelRatioF());
}

// At a pixel ratio of 2, stroking the frame costs as much as all the bars,
// however little of it the strip keeps. It can come from a picture composed
// over the strip (OverlayCache) when every pixel of it is blended once: Qt
// fills the frame as one path when its pen is wider than a device pixel; its
// hairline stroker for thinner pens blends the corners twice.
bool SensorWidget::frameStripComposable() const {
    return frameWidth * devicePixelRatioF() > 1.0;
}

void SensorWidget::paintFrame(QPainter& painter) const {
    painter.setPen(QPen(ViewColours::frame(), frameWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0, 0, width(), height()));
}

void SensorWidget::paintBackground(QPainter& painter) const {
    const Theme& theme = currentTheme();
    QLinearGradient gradient(0, 0, 0, 250);
    gradient.setColorAt(0, theme.graphTop);
    gradient.setColorAt(1, theme.graphBottom);
    painter.fillRect(QRectF(0, 0, width(), height()), gradient);

    const QVector<int> ys = SensorGeometry::horizontalGridYs(height(), theme.gridSpacing);
    for (int k = 0; k < ys.size(); ++k) {
        painter.setPen(QPen(theme.gridColor, k % 10 == 0 ? theme.gridMajorWidth : theme.gridMinorWidth));
        painter.drawLine(QLineF(0, ys[k], width(), ys[k]));
    }
    painter.setPen(QPen(theme.gridColor, theme.gridMinorWidth));
    for (int x : SensorGeometry::verticalGridXs(width(), theme.gridSpacing))
        painter.drawLine(QLineF(x, 0, x, height()));
}

void SensorWidget::paintBar(QPainter& painter, const SensorGeometry& geo, int index, double scale) const {
    const Theme& theme = currentTheme();
    const SensorBar& b = bars[index];
    const QColor fill = fillColour(theme, b.state);

    if (!b.notLogged) {
        painter.setPen(QPen(b.state == 0 ? theme.barBorderDim : theme.barBorder, theme.barBorderWidth));
        if (b.intensity > 1.1) {
            QColor top = ViewColours::overRange();
            top.setAlpha(fill.alpha());
            QLinearGradient gradient(0, geo.barAreaTop(), 0, geo.barAreaTop() + 250);
            gradient.setColorAt(0, top);
            gradient.setColorAt(1, fill);
            painter.setBrush(QBrush(gradient));
        } else {
            painter.setBrush(QBrush(fill));
        }
        painter.drawRect(geo.barRect(index, barFraction(b, scale)));
    }

    painter.setPen(QPen(b.notLogged ? theme.disabled : fill, 1.0));
    drawLabel(painter, geo.textRect(index), shownText(geo, index));

    if (calibrationPointsEnabled && !b.points.isEmpty()) {
        // One call for all: the lines come out as from one call each.
        QVector<QLine> lines;
        lines.reserve(b.points.size());
        for (const auto& point : b.points)
            lines.append(geo.pointLine(index, point.second, scale));
        painter.setPen(QPen(theme.pointColor, theme.pointWidth));
        painter.drawLines(lines);
    }
}

QString SensorWidget::shownText(int index) const {
    return validIndex(index) ? shownText(geometry(), index) : QString();
}

// In the label font, which paintEvent() sets for the bars.
QString SensorWidget::shownText(const SensorGeometry& geo, int index) const {
    const SensorBar& b = bars[index];
    if (b.notLogged)
        return tr("not logged");
    const QString& unit = labelUnit.unit(b.unit, labelFont(currentTheme()), geo.textRect(index).width());
    return labelUnit.label(barText(b, unit));
}

void SensorWidget::drawLabel(QPainter& painter, const QRectF& rect, const QString& text) const {
    if (labelTextCached)
        labelText->draw(painter, rect, text);
    else
        painter.drawText(rect, Qt::AlignCenter, text);
}

void SensorWidget::paintTrigger(QPainter& painter, const SensorGeometry& geo, double scale) const {
    const Theme& theme = currentTheme();
    const QColor lineColour = triggerLevelDisabled ? theme.disabled : theme.triggerLineColor;
    const QColor markerColour = triggerLevelDisabled ? theme.disabled : theme.triggerMarkerColor;
    const double y = geo.triggerY(effectiveTriggerLevel(triggerLevelSet, triggerLevel, scale), scale);

    painter.setPen(QPen(lineColour, 1.0));
    painter.drawLine(geo.triggerLine(y));
    for (int index : shownBars) {
        const SensorBar& b = bars[index];
        if (b.state == 0 || b.points.isEmpty())
            continue;
        painter.setBrush(b.triggerSelected ? QBrush(markerColour) : QBrush(Qt::NoBrush));
        painter.drawPolygon(geo.marker(index, y));
    }
    painter.setBrush(QBrush(lineColour, Qt::Dense4Pattern));
    painter.drawRect(geo.handleRect(y));
}

void SensorWidget::paintHoverText(QPainter& painter, const SensorGeometry& geo) const {
    const Theme& theme = currentTheme();
    const QRectF box = geo.hoverBox(hoverTextY, theme.fontSize);
    painter.fillRect(box, theme.base);
    painter.setPen(QPen(theme.text, 1.0));
    painter.setFont(labelFont(theme));
    painter.drawText(box, Qt::AlignCenter, hoverText);
    painter.setPen(QPen(theme.window, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
}

void SensorWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->pos();
    hoverTextVisible = false;
    const SensorGeometry geo = geometry();
    const double scale = sensorScale(bars, shownBars);

    for (int index : shownBars) {
        SensorBar& b = bars[index];
        const bool inBar = geo.fullBarRect(index).contains(pos);
        const bool hovered = inBar || geo.textRect(index).contains(pos);
        if (b.state == 1 || b.state == 2)
            b.state = hovered ? 2 : 1;
        if (!inBar || !calibrationPointsEnabled)
            continue;
        for (const auto& point : b.points) {
            const double py = geo.valueY(point.second, scale);
            if (pos.y() - layout.pointTolerance < py && py < pos.y() + layout.pointTolerance) {
                hoverTextVisible = true;
                hoverText =
                    hoverValueText(float(point.second), b.unit, QStringLiteral("%1% = %2").arg(int(point.first * 100)));
                hoverTextY = pos.y() - 3;
            }
        }
    }

    if (!triggerUsable())
        return;
    const int y = geo.clampedTriggerY(pos.y());
    if (dragging) {
        triggerLevelSet = true;
        triggerLevel = float(geo.levelAt(y, scale));
    }
    const double level = effectiveTriggerLevel(triggerLevelSet, triggerLevel, scale);
    if (dragging || geo.handleRect(geo.triggerY(level, scale)).contains(pos)) {
        // The level the line shows, also before the user has fixed one.
        hoverTextVisible = true;
        hoverText = hoverValueText(float(level), bars[0].unit, QStringLiteral("%1"));
        hoverTextY = y - 10;
    }
}

// `pattern` with its last place taken by the value text, its unit cut to the
// hover box as the text lines cut theirs.
QString SensorWidget::hoverValueText(double value, const QString& unit, const QString& pattern) {
    const QString& shown = hoverUnit.unit(unit, labelFont(currentTheme()), width());
    return hoverUnit.label(pattern.arg(valueText(value, shown)));
}

void SensorWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !triggerUsable() || triggerLevelDisabled)
        return;
    const QPoint pos = event->pos();
    const SensorGeometry geo = geometry();
    const double scale = sensorScale(bars, shownBars);
    const double level = effectiveTriggerLevel(triggerLevelSet, triggerLevel, scale);
    const double lineY = geo.triggerY(level, scale);
    if (geo.handleRect(lineY).contains(pos))
        dragging = true;
    if (!geo.inMarkerBand(pos.y(), lineY))
        return;
    for (int index : shownBars) {
        SensorBar& b = bars[index];
        // Only bars that show a marker can be selected: a selection the user
        // cannot see would still fire the trigger.
        if (b.state == 0 || b.points.isEmpty() || !geo.spansX(index, pos.x()))
            continue;
        b.triggerSelected = !b.triggerSelected;
        triggerLevel = float(level);
        triggerLevelSet = true;
    }
}

void SensorWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !triggerLevelVisible || !dragging)
        return;
    dragging = false;
    hoverTextVisible = false;
}

void SensorWidget::leaveEvent(QEvent*) {
    for (SensorBar& b : bars) {
        if (b.state == 2)
            b.state = 1;
    }
}
