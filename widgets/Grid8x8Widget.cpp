#include "Grid8x8Widget.h"

#include "GridGeometry.h"
#include "Theme.h"
#include "ViewColours.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace {

const double outlineWidth = 1.0;

bool validCell(int column, int row) {
    return column >= 0 && column < 8 && row >= 0 && row < 8;
}

QPen viewPen(const QColor& colour, double width) {
    return QPen(QBrush(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

} // namespace

Grid8x8Widget::Grid8x8Widget(QWidget* parent)
    : QWidget(parent)
    , font(currentTheme().fontFamily, currentTheme().fontSize)
    , smallFont(currentTheme().fontFamily, std::max(currentTheme().fontSize - 3, 1)) {}

Grid8x8Widget::~Grid8x8Widget() = default;

const GridCell& Grid8x8Widget::cell(int column, int row) const {
    return cells.at(column + row * 8);
}

void Grid8x8Widget::setPaintCacheEnabled(bool enabled) {
    backgroundCache.setEnabled(enabled);
    outlineCache.setEnabled(enabled);
    labelTextCached = enabled;
}

void Grid8x8Widget::animate() {
    repaint();
}

void Grid8x8Widget::updateSensor(int column, int row, double intensity, double value) {
    if (!validCell(column, row))
        return;
    GridCell& c = cells[column + row * 8];
    c.intensity = intensity;
    c.value = value;
}

void Grid8x8Widget::setCalibration(int column, int row, bool has) {
    if (!validCell(column, row))
        return;
    cells[column + row * 8].hasCalibration = has;
}

void Grid8x8Widget::setUnit(const QString& unit) {
    for (GridCell& c : cells)
        c.unit = unit;
}

void Grid8x8Widget::setCellShown(int column, int row, GridCellShown shown) {
    if (validCell(column, row))
        cells[column + row * 8].shown = shown;
}

QString Grid8x8Widget::cellText(int column, int row) const {
    const GridCell& c = cells[column + row * 8];
    if (c.shown == GridCellShown::NotLogged)
        return GridGeometry::cellText(column, row, tr("not logged"));
    if (c.hasCalibration)
        return GridGeometry::cellText(column, row, c.value, c.unit);
    return GridGeometry::cellText(column, row, c.intensity * 100.0, QStringLiteral("%"));
}

bool Grid8x8Widget::fitsLabelFont(const QRectF& rect, const QString& text) const {
    const QFontMetricsF metrics(font);
    return rect.width() > metrics.boundingRect(rect, Qt::AlignCenter, text).width();
}

QFont Grid8x8Widget::fontFor(int column, int row) const {
    const QRectF rect = GridGeometry::cellRect(size(), column, row);
    return fitsLabelFont(rect, cellText(column, row)) ? font : smallFont;
}

void Grid8x8Widget::paintEvent(QPaintEvent*) {
    const Theme& theme = currentTheme();
    const bool opaque = theme.graphBottom.alpha() == 255;
    // An opaque background covers every pixel: what lies behind the widget
    // need not be painted first.
    if (testAttribute(Qt::WA_OpaquePaintEvent) != opaque)
        setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The frame, painted last, lies on the background alone when the cells
    // keep clear of it, and then comes with the background's picture.
    const bool framed = backgroundCache.isEnabled() && opaque && frameClearOfCells();
    backgroundCache.draw(painter, size(), opaque, [this, framed](QPainter& p) {
        paintBackground(p);
        if (framed)
            paintFrame(p);
    });

    painter.setFont(font);
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row)
            paintCell(painter, column, row);
    }
    if (outlinesComposable())
        outlineCache.draw(painter, rect(), size(), [this](QPainter& p) { paintOutlines(p); });
    else
        paintOutlines(painter);
    if (!framed)
        paintFrame(painter);
}

// The cells keep 4 pixels from the shorter sides and more from the longer
// ones, their outlines and texts stay inside them, and the frame reaches a
// pixel into the widget; only a widget too small for the margins lets them
// meet.
bool Grid8x8Widget::frameClearOfCells() const {
    return std::min(width(), height()) >= 24 && isWholePixelRatio(devicePixelRatioF());
}

// At a pixel ratio of 2, stroking the outlines is most of the paint. They
// can come from a picture composed over the cells (OverlayCache) when every
// pixel of theirs is blended once: Qt fills each outline as one path when its
// pen is wider than a device pixel (its hairline stroker for thinner pens
// blends pixels twice where segments meet), and cells of at least a pixel
// keep the outlines 3 pixels apart.
bool Grid8x8Widget::outlinesComposable() const {
    return outlineWidth * devicePixelRatioF() > 1.0 && std::min(width(), height()) >= 8 + 8 * 5;
}

void Grid8x8Widget::paintFrame(QPainter& painter) const {
    painter.setPen(viewPen(currentTheme().highlightedText, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

// Fitted in the small font, which a text too wide for the cell takes.
QString Grid8x8Widget::shownText(int column, int row) const {
    const GridCell& c = cells[column + row * 8];
    if (!c.hasCalibration || c.shown == GridCellShown::NotLogged)
        return cellText(column, row);
    const QString& unit = cellUnit.unit(c.unit, smallFont, GridGeometry::cellRect(size(), column, row).width());
    const QString text = GridGeometry::cellText(column, row, c.value, unit);
    if (!cellUnit.isCut())
        return text;
    const int lineBreak = text.indexOf(QLatin1Char('\n'));
    return text.left(lineBreak + 1) + cellUnit.label(text.mid(lineBreak + 1));
}

// Expects the label font in the painter and leaves it there.
void Grid8x8Widget::paintCell(QPainter& painter, int column, int row) {
    const QRectF rect = GridGeometry::cellRect(size(), column, row);
    const QString text = shownText(column, row);
    const GridCell& c = cells[column + row * 8];
    const bool cut = c.hasCalibration && c.shown != GridCellShown::NotLogged && cellUnit.isCut();
    const int grey = GridGeometry::greyLevel(c.intensity);
    const Theme& theme = currentTheme();
    if (c.shown == GridCellShown::Reading) {
        painter.fillRect(rect, QColor(grey, grey, grey));
        painter.setPen(viewPen(grey < 128 ? ViewColours::cellTextOnDark() : ViewColours::cellTextOnLight(), 1.0));
    } else {
        painter.fillRect(rect, theme.window);
        painter.setPen(viewPen(c.shown == GridCellShown::ValueOnly ? theme.text : theme.disabled, 1.0));
    }
    if (!labelTextCached) {
        painter.setFont(!cut && fitsLabelFont(rect, text) ? font : smallFont);
        painter.drawText(rect, Qt::AlignCenter, text);
        painter.setFont(font);
        return;
    }
    // Measured with the lines it is then drawn with, when it fits.
    if (!cut && rect.width() > labelText->width(painter, rect, text)) {
        labelText->draw(painter, rect, text);
        return;
    }
    painter.setFont(smallFont);
    labelText->draw(painter, rect, text);
    painter.setFont(font);
}

void Grid8x8Widget::paintOutlines(QPainter& painter) const {
    painter.setPen(viewPen(ViewColours::cellOutline(), outlineWidth));
    painter.setBrush(Qt::NoBrush);
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row)
            painter.drawRoundedRect(GridGeometry::cellRect(size(), column, row), 8, 8, Qt::RelativeSize);
    }
}

void Grid8x8Widget::paintBackground(QPainter& painter) const {
    const Theme& theme = currentTheme();
    painter.fillRect(QRectF(0, 0, width(), height()), theme.graphBottom);
    painter.setPen(viewPen(theme.gridColor, theme.gridMinorWidth));
    for (int x : GridGeometry::verticalLineXs(width(), theme.gridSpacing))
        painter.drawLine(QLineF(x, 0, x, height()));
    for (int y : GridGeometry::horizontalLineYs(height(), theme.gridSpacing))
        painter.drawLine(QLineF(0, y, width(), y));
}
