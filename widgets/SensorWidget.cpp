#include "SensorWidget.h"

#include "Theme.h"
#include "ValueText.h"
#include "ViewColours.h"

#include <QBackingStore>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QVarLengthArray>

#include <algorithm>

namespace {

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

// The background: graphTop at the top, graphBottom from gradientEnd down.
const int gradientEnd = 250;

QLinearGradient backgroundGradient(const Theme& theme) {
    QLinearGradient gradient(0, 0, 0, gradientEnd);
    gradient.setColorAt(0, theme.graphTop);
    gradient.setColorAt(1, theme.graphBottom);
    return gradient;
}

// Whether `painter` paints into its widget's window (not a grab() or render()).
bool paintsOnScreen(const QWidget& widget, QPainter& painter) {
    QBackingStore* store = widget.window()->backingStore();
    return store && painter.paintEngine() && painter.paintEngine()->paintDevice() == store->paintDevice();
}

// Room for antialiased edges and pens around a shape.
const int edge = 2;

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

void SensorWidget::animate() {
    // A hidden widget is painted whole when it is shown again.
    if (!isVisible()) {
        wholeChanged = true;
        return;
    }
    parts = changedParts();
    wholeChanged = false;
    paintedSize = size();
    paintedRatio = devicePixelRatioF();
    paintedTheme = currentThemeSerial();
    staleRegion = QRegion();
    QRegion changed;
    for (const QRect& part : parts)
        changed += part;
    if (!changed.isEmpty()) {
        animating = true;
        repaint(changed);
        animating = false;
    }
    parts.clear();
}

// Bars and their texts each need a repaint only where they changed; a change
// of the scale moves every bar and is found bar by bar. The changed text
// lines, one above the other, are repainted as one rectangle, and each
// bar's span as one.
QVector<QRect> SensorWidget::changedParts() {
    const bool whole = wholeChanged || size() != paintedSize || devicePixelRatioF() != paintedRatio ||
                       currentThemeSerial() != paintedTheme;
    const SensorGeometry geo = geometry();
    const double scale = sensorScale(bars, shownBars);
    QVector<QRect> changed;
    for (const QRect& part : staleRegion)
        changed.append(part);
    QRectF texts;
    for (int index : shownBars) {
        PaintedBar now = paintedBar(geo, index, scale);
        PaintedBar& was = painted[index];
        const QRectF column = geo.fullBarRect(index);
        if (now.look != was.look) {
            // With its marker, which lies above the bar area when the level is at the top.
            changed.append(column.adjusted(-edge, -layout.markerHeight - edge, edge, edge).toAlignedRect());
        } else if (now.top != was.top) {
            const double top = std::min(now.top, was.top);
            changed.append(QRectF(column.left() - edge, top - edge, column.width() + 2 * edge,
                                  std::max(now.top, was.top) - top + 2 * edge)
                               .toAlignedRect());
        }
        if (!whole && (now.text != was.text || now.textColour != was.textColour)) {
            // In the font as the last paint's painter took it (a whole paint
            // comes first, and after each change of theme), so that drawing
            // uses this layout.
            const QRect line = geo.textRect(index);
            texts |= labelBox(line, laidOut(now.text, paintFont)) & QRectF(line);
            texts |= labelBox(line, laidOut(was.text, paintFont)) & QRectF(line);
        }
        was = now;
    }
    if (!texts.isEmpty())
        changed.append(texts.adjusted(-edge, -edge, edge, edge).toAlignedRect());
    if (whole)
        return {rect()};
    for (QRect& part : changed)
        part &= rect();
    changed.removeAll(QRect());
    return changed;
}

SensorWidget::PaintedBar SensorWidget::paintedBar(const SensorGeometry& geo, int index, double scale) const {
    const SensorBar& b = bars[index];
    const Theme& theme = currentTheme();
    PaintedBar p;
    const double fraction = barFraction(b, scale);
    p.top = geo.barAreaTop() + (1.0 - fraction) * geo.barAreaHeight();
    p.look = b.notLogged ? -1 : b.state * 2 + (b.intensity > 1.1 ? 1 : 0);
    p.text = shownText(geo, index);
    p.textColour = (b.notLogged ? theme.disabled : fillColour(theme, b.state)).rgba();
    return p;
}

// Labels laid out for recent texts, shared by the bar graphs: values repeat
// from tick to tick and from bar to bar, and laying a text out costs more
// than drawing it. Each is laid out in the font and at the pixel ratio it is
// first drawn with; QStaticText lays it out again when those differ.
std::shared_ptr<SensorWidget::Labels> SensorWidget::sharedLabels() {
    static std::weak_ptr<Labels> shared;
    std::shared_ptr<Labels> labels = shared.lock();
    if (!labels) {
        labels = std::make_shared<Labels>(2048);
        shared = labels;
    }
    return labels;
}

// `text` laid out in `font` at the widget's pixel ratio.
QStaticText SensorWidget::laidOut(const QString& text, const QFont& font) const {
    if (QStaticText* label = labels->object(text))
        return *label;
    auto* label = new QStaticText(text);
    label->setTextFormat(Qt::PlainText);
    const qreal ratio = devicePixelRatioF();
    label->prepare(QTransform::fromScale(ratio, ratio), font);
    labels->insert(text, label);
    return *label;
}

// Where drawText() with Qt::AlignCenter puts `label` in `line`.
QRectF SensorWidget::labelBox(const QRect& line, const QStaticText& label) {
    const QSizeF size = label.size();
    return QRectF(
        QPointF(line.left() + (line.width() - size.width()) / 2, line.top() + (line.height() - size.height()) / 2),
        size);
}

void SensorWidget::resetTriggerState() {
    for (SensorBar& b : bars)
        b.triggerSelected = false;
    triggerLevelSet = false;
    triggerLevel = 0.0f;
    wholeChanged = true;
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
    wholeChanged = true;
}

void SensorWidget::setSingleMode(bool single, int row) {
    if (single) {
        if (!validIndex(row))
            return;
        shownBars = {row};
    } else {
        shownBars = {0, 1, 2, 3, 4, 5, 6, 7};
    }
    wholeChanged = true;
}

void SensorWidget::enableSensor(int index, bool enable) {
    if (!validIndex(index))
        return;
    bars[index].state = enable ? 1 : 0;
}

void SensorWidget::setTriggerLevelVisible(bool enable) {
    triggerLevelVisible = enable;
    wholeChanged = true;
}

void SensorWidget::setTriggerLevelDisabled(bool disable) {
    triggerLevelDisabled = disable;
    wholeChanged = true;
}

void SensorWidget::setTriggerLevel(float level) {
    triggerLevel = level;
    triggerLevelSet = true;
}

void SensorWidget::enableCalibrationPoints(bool enable) {
    calibrationPointsEnabled = enable;
    wholeChanged = true;
}

void SensorWidget::setUnit(const QString& unit) {
    for (SensorBar& b : bars)
        b.unit = unit;
    wholeChanged = true;
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

std::tuple<bool, QString, int, bool, float, bool, int> SensorWidget::overlayState() const {
    int selected = 0;
    for (int index = 0; index < 8; ++index)
        selected |= bars[index].triggerSelected ? 1 << index : 0;
    return {hoverTextVisible, hoverText, hoverTextY, triggerLevelSet, triggerLevel, dragging, selected};
}

// Paints the parts of the event's region one rectangle at a time, each under
// a clip of that one rectangle: Qt clips spans to a rectangle cheaply, to a
// region of several rectangles line by line.
void SensorWidget::paintEvent(QPaintEvent* event) {
    const Theme& theme = currentTheme();
    const bool opaque = theme.graphTop.alpha() == 255 && theme.graphBottom.alpha() == 255;
    // An opaque background covers every pixel: what lies behind the widget
    // need not be painted first, and what the window keeps of the last paint
    // outside the region is this widget's own.
    if (testAttribute(Qt::WA_OpaquePaintEvent) != opaque)
        setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    if (background.size() != size() * devicePixelRatioF() || background.devicePixelRatio() != devicePixelRatioF() ||
        backgroundTheme != currentThemeSerial())
        paintBackgroundImage();
    QPainter painter(this);
    if (!animating && paintsOnScreen(*this, painter))
        staleRegion += event->region();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(labelFont(theme));
    paintFont = painter.font();
    const SensorGeometry geo = geometry();
    const double scale = sensorScale(bars, shownBars);
    // The parts animate() asked for, unbroken; then whatever else the
    // toolkit wants painted.
    QRegion rest = event->region();
    for (const QRect& part : qAsConst(parts)) {
        painter.setClipRect(part);
        paintPart(painter, part, geo, scale);
        rest -= part;
    }
    for (const QRect& part : rest) {
        if (rest.rectCount() > 1 || !parts.isEmpty())
            painter.setClipRect(part);
        paintPart(painter, part, geo, scale);
    }
}

// In the order of a whole paint: background, grid, bars with their texts and
// points, trigger, hover box, frame; what lies outside `part` is left out.
void SensorWidget::paintPart(QPainter& painter, const QRect& part, const SensorGeometry& geo, double scale) const {
    paintBackground(painter, part);
    for (int index : shownBars)
        paintBar(painter, part, geo, index, scale);
    if (triggerUsable()) {
        const double y = geo.triggerY(effectiveTriggerLevel(triggerLevelSet, triggerLevel, scale), scale);
        const int top = int(y) - layout.markerHeight - edge;
        if (QRect(0, top, width(), int(y) + layout.handleHeight / 2 + edge - top).intersects(part))
            paintTrigger(painter, geo, scale);
    }
    if (hoverTextVisible &&
        geo.hoverBox(hoverTextY, currentTheme().fontSize).adjusted(-edge, -edge, edge, edge).intersects(part))
        paintHoverText(painter, geo);
    if (!rect().adjusted(1, 1, -1, -1).contains(part))
        paintFrame(painter);
}

// The outline of (0, 0, W, H) with a pen of 1. Wider than a device pixel,
// Qt strokes it into the polygon of its four sides and fills that whole
// however little of it a part shows; filled one by one, the sides cost only
// their pixels.
void SensorWidget::paintFrame(QPainter& painter) const {
    const QColor frame = ViewColours::frame();
    const qreal w = width(), h = height();
    if (devicePixelRatioF() <= 1.0) {
        painter.setPen(QPen(frame, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(0, 0, w, h));
        return;
    }
    painter.fillRect(QRectF(-0.5, -0.5, w + 1, 1), frame);
    painter.fillRect(QRectF(-0.5, h - 0.5, w + 1, 1), frame);
    painter.fillRect(QRectF(-0.5, 0.5, 1, h - 1), frame);
    painter.fillRect(QRectF(w - 0.5, 0.5, 1, h - 1), frame);
}

// The background with its grid lines, painted once for a size, ratio and
// theme; a part of it is then copied, not blended again.
void SensorWidget::paintBackgroundImage() {
    const Theme& theme = currentTheme();
    const qreal ratio = devicePixelRatioF();
    const bool opaque = theme.graphTop.alpha() == 255 && theme.graphBottom.alpha() == 255;
    background = QImage(size() * ratio, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    background.setDevicePixelRatio(ratio);
    background.fill(Qt::transparent);
    QPainter painter(&background);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), backgroundGradient(theme));
    const int spacing = theme.gridSpacing;
    if (spacing > 0) {
        QVarLengthArray<QLineF, 64> minor, major;
        for (int x = 1; x < width(); x += spacing)
            minor.append(QLineF(x, 0, x, height()));
        // Line k from the bottom at height() - 1 - k * spacing, every tenth major.
        for (int k = 0, y = height() - 1; y > 0; ++k, y -= spacing)
            (k % 10 == 0 ? major : minor).append(QLineF(0, y, width(), y));
        painter.setPen(QPen(theme.gridColor, theme.gridMinorWidth));
        painter.drawLines(minor.data(), minor.size());
        painter.setPen(QPen(theme.gridColor, theme.gridMajorWidth));
        painter.drawLines(major.data(), major.size());
    }
    backgroundTheme = currentThemeSerial();
}

void SensorWidget::paintBackground(QPainter& painter, const QRect& part) const {
    const qreal ratio = devicePixelRatioF();
    painter.drawImage(part, background,
                      QRectF(part.x() * ratio, part.y() * ratio, part.width() * ratio, part.height() * ratio));
}

void SensorWidget::paintBar(QPainter& painter, const QRect& part, const SensorGeometry& geo, int index,
                            double scale) const {
    const Theme& theme = currentTheme();
    const SensorBar& b = bars[index];
    const QColor fill = fillColour(theme, b.state);
    const QRectF body = geo.barRect(index, barFraction(b, scale));

    if (!b.notLogged && body.normalized().adjusted(-edge, -edge, edge, edge).intersects(part)) {
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
        painter.drawRect(body);
    }

    const QRect line = geo.textRect(index);
    if (QRect(0, line.top() - edge, width(), line.height() + 2 * edge).intersects(part)) {
        const QStaticText label = laidOut(shownText(geo, index), painter.font());
        const QRectF box = labelBox(line, label);
        painter.setPen(QPen(b.notLogged ? theme.disabled : fill, 1.0));
        // Cut to the line when it does not fit, as drawText() cuts it.
        const bool fits = QRectF(line).contains(box);
        if (!fits)
            painter.setClipRect(line & part);
        painter.drawStaticText(box.topLeft(), label);
        if (!fits)
            painter.setClipRect(part);
    }

    if (calibrationPointsEnabled && !b.points.isEmpty() &&
        geo.fullBarRect(index).adjusted(-edge, -edge, edge, edge).intersects(part)) {
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

// In the label font.
QString SensorWidget::shownText(const SensorGeometry& geo, int index) const {
    const SensorBar& b = bars[index];
    if (b.notLogged)
        return tr("not logged");
    const QString& unit = labelUnit.unit(b.unit, labelFont(currentTheme()), geo.textRect(index).width());
    return labelUnit.label(barText(b, unit));
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
    const auto before = overlayState();
    mouseMoved(event->pos());
    wholeChanged = wholeChanged || overlayState() != before;
}

void SensorWidget::mouseMoved(QPoint pos) {
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
    wholeChanged = true;
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
    wholeChanged = true;
}

void SensorWidget::leaveEvent(QEvent*) {
    for (SensorBar& b : bars) {
        if (b.state == 2)
            b.state = 1;
    }
}
