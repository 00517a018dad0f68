#include "Grid8x8Widget.h"

#include "GridGeometry.h"
#include "Theme.h"
#include "ViewColours.h"

#include <QBackingStore>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

bool validCell(int column, int row) {
    return column >= 0 && column < 8 && row >= 0 && row < 8;
}

QPen viewPen(const QColor& colour, double width) {
    return QPen(QBrush(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

// `top` blended over the opaque `bottom`: the grid lines in one opaque
// colour, so that no translucent fill of many lines goes to the toolkit's
// thread pool (Qt 6).
QColor over(const QColor& top, const QColor& bottom) {
    const int alpha = top.alpha();
    auto mix = [alpha](int t, int b) {
        return (t * alpha + b * (255 - alpha) + 127) / 255;
    };
    return QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()), mix(top.blue(), bottom.blue()));
}

bool covers(const QRegion& region, const QRect& rect) {
    if (region.rectCount() == 1)
        return region.boundingRect().contains(rect);
    return QRegion(rect).subtracted(region).isEmpty();
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

void Grid8x8Widget::animate() {
    if (!isVisible())
        return;
    const bool whole =
        size() != paintedSize || devicePixelRatioF() != paintedRatio || currentThemeSerial() != paintedTheme;
    QRegion changed;
    int changedCells = 0;
    for (int i = 0; i < 64; ++i) {
        looks[i] = lookOf(i);
        if (!whole && !looks[i].showsAs(painted[i])) {
            changed += cellArea(i) | painted[i].textArea;
            ++changedCells;
        }
    }
    looksTaken = true;
    // Many cells cost less painted as the one rectangle around them than
    // one rectangle each.
    if (whole)
        repaint();
    else if (changedCells > 16)
        repaint(changed.boundingRect());
    else if (changedCells > 0)
        repaint(changed);
    looksTaken = false;
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

QFont Grid8x8Widget::fontFor(int column, int row) const {
    return lookOf(column + row * 8).small ? smallFont : font;
}

// What the cell shows; a text the last paint showed keeps its layout.
Grid8x8Widget::Look Grid8x8Widget::lookOf(int index) const {
    const GridCell& c = cells[index];
    Look look;
    look.shown = c.shown;
    look.grey = c.shown == GridCellShown::Reading ? GridGeometry::greyLevel(c.intensity) : 0;
    look.text = shownText(index % 8, index / 8);
    const Look& was = painted[index];
    if (was.grey >= 0 && was.text == look.text && size() == paintedSize && devicePixelRatioF() == paintedRatio) {
        look.small = was.small;
        look.lines = was.lines;
        look.at = was.at;
        look.clipped = was.clipped;
        look.textArea = was.textArea;
        return look;
    }
    const bool cut = c.hasCalibration && c.shown != GridCellShown::NotLogged && cellUnit.isCut();
    layOut(look, index, cut);
    return look;
}

std::shared_ptr<const QTextLayout> Grid8x8Widget::laidOut(const QString& line, const QFont& font) {
    auto layout = std::make_shared<QTextLayout>(line, font);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    layout->createLine().setLineWidth(0x01000000);
    layout->endLayout();
    return layout;
}

// The lines as drawText() places them: the second on the first whole pixel
// after the first and the font's leading, the two centred in the cell as a
// block, each line on its own advance. The value is shaped once for as long
// as it is shown, the name once for good.
void Grid8x8Widget::layOut(Look& look, int index, bool cut) const {
    const QRectF rect = GridGeometry::cellRect(size(), index % 8, index / 8);
    const int lineBreak = look.text.indexOf(QLatin1Char('\n'));
    const QString value = look.text.mid(lineBreak + 1);
    qreal width = 0.0;
    for (bool small : {false, true}) {
        if (!small && cut)
            continue;
        const QFont& shown = small ? smallFont : font;
        std::shared_ptr<const QTextLayout>& name = names[small][index];
        if (!name)
            name = laidOut(look.text.left(lineBreak), shown);
        look.lines = {name, laidOut(value, shown)};
        look.small = small;
        width = std::max(look.lines[0]->lineAt(0).naturalTextWidth(), look.lines[1]->lineAt(0).naturalTextWidth());
        if (small || rect.width() > width)
            break;
    }
    const QTextLine first = look.lines[0]->lineAt(0);
    const QTextLine second = look.lines[1]->lineAt(0);
    // Ascent and descent, not height(): Qt 6 rounds a line's height up.
    const qreal secondTop =
        std::ceil(first.ascent() + first.descent() + QFontMetricsF(look.small ? smallFont : font).leading());
    const qreal height = secondTop + second.ascent() + second.descent();
    const qreal top = rect.top() + (rect.height() - height) / 2;
    look.at = {QPointF(rect.left() + (rect.width() - first.horizontalAdvance()) / 2, top),
               QPointF(rect.left() + (rect.width() - second.horizontalAdvance()) / 2, top + secondTop)};
    const QRectF bounds(rect.left() + (rect.width() - width) / 2, top, width, height);
    look.clipped = !rect.contains(bounds);
    // Glyphs may reach a little past their advances.
    look.textArea = look.small ? bounds.adjusted(-2.0, -1.0, 2.0, 1.0).toAlignedRect() : QRect();
}

QRect Grid8x8Widget::cellArea(int index) const {
    const QRectF rect = GridGeometry::cellRect(size(), index % 8, index / 8);
    return rect.toAlignedRect() | looks[index].textArea;
}

void Grid8x8Widget::paintEvent(QPaintEvent* event) {
    // An opaque background covers every pixel: what lies behind the widget
    // need not be painted first.
    const bool opaque = currentTheme().graphBottom.alpha() == 255;
    if (testAttribute(Qt::WA_OpaquePaintEvent) != opaque)
        setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    if (!looksTaken) {
        for (int i = 0; i < 64; ++i)
            looks[i] = lookOf(i);
    }
    if (background.size() != size() * devicePixelRatioF() || background.devicePixelRatio() != devicePixelRatioF() ||
        pictureTheme != currentThemeSerial())
        paintPictures();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // One rectangle at a time: a clip of many rectangles costs more in the
    // raster engine than it saves.
    for (const QRect& area : event->region())
        paintArea(painter, area);
    // A paint into another device (render(), grab()) leaves the window as it was.
    QBackingStore* store = window()->backingStore();
    if (store && painter.paintEngine()->paintDevice() == store->paintDevice())
        notePainted(event->region());
}

// What stays the same from paint to paint: the background with its grid
// lines, and the cells' outlines on transparency, laid over the cells.
void Grid8x8Widget::paintPictures() {
    const Theme& theme = currentTheme();
    const qreal ratio = devicePixelRatioF();
    const bool opaque = theme.graphBottom.alpha() == 255;
    background = QImage(size() * ratio, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    background.setDevicePixelRatio(ratio);
    background.fill(Qt::transparent);
    QPainter painter(&background);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 0, width(), height()), theme.graphBottom);
    // The vertical lines in their colour over the background; the horizontal
    // ones blend as they are drawn, where they cross the vertical ones, but
    // as two rows a line, not the many spans the line drawing gives.
    painter.setPen(viewPen(opaque ? over(theme.gridColor, theme.graphBottom) : theme.gridColor, theme.gridMinorWidth));
    for (int x : GridGeometry::verticalLineXs(width(), theme.gridSpacing))
        painter.drawLine(QLineF(x, 0, x, height()));
    const double half = theme.gridMinorWidth / 2;
    for (int y : GridGeometry::horizontalLineYs(height(), theme.gridSpacing))
        painter.fillRect(QRectF(-half, y - half, width() + 2 * half, 2 * half), theme.gridColor);
    painter.end();

    outlines = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    outlines.setDevicePixelRatio(ratio);
    outlines.fill(Qt::transparent);
    painter.begin(&outlines);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(viewPen(ViewColours::cellOutline(), 1.0));
    for (int i = 0; i < 64; ++i)
        painter.drawRoundedRect(GridGeometry::cellRect(size(), i % 8, i / 8), 8, 8, Qt::RelativeSize);
    pictureTheme = currentThemeSerial();
}

QRectF Grid8x8Widget::devicePixels(const QRect& rect) const {
    const qreal ratio = devicePixelRatioF();
    return QRectF(rect.x() * ratio, rect.y() * ratio, rect.width() * ratio, rect.height() * ratio);
}

// The whole paint's steps within `area`: background, cells (fill, text),
// their outlines, frame.
void Grid8x8Widget::paintArea(QPainter& painter, const QRect& area) {
    painter.setClipRect(area);
    const QRectF source = devicePixels(area);
    painter.drawImage(area, background, source);
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            if (cellArea(column + row * 8).intersects(area))
                paintCell(painter, column + row * 8, area);
        }
    }
    painter.drawImage(area, outlines, source);
    // The frame reaches a pixel into the widget.
    if (!rect().adjusted(2, 2, -2, -2).contains(area)) {
        painter.setPen(viewPen(currentTheme().highlightedText, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, width() - 1, height() - 1);
    }
}

void Grid8x8Widget::paintCell(QPainter& painter, int index, const QRect& area) {
    const QRectF rect = GridGeometry::cellRect(size(), index % 8, index / 8);
    const Look& look = looks[index];
    const Theme& theme = currentTheme();
    const QColor fill = look.shown == GridCellShown::Reading ? QColor(look.grey, look.grey, look.grey) : theme.window;
    painter.fillRect(rect, fill);
    if (look.shown == GridCellShown::Reading)
        painter.setPen(viewPen(look.grey < 128 ? ViewColours::cellTextOnDark() : ViewColours::cellTextOnLight(), 1.0));
    else
        painter.setPen(viewPen(look.shown == GridCellShown::ValueOnly ? theme.text : theme.disabled, 1.0));
    // Cut to the cell when it does not fit, as drawText() cuts it.
    if (look.clipped)
        painter.setClipRect(rect, Qt::IntersectClip);
    for (int i = 0; i < 2; ++i)
        look.lines[i]->lineAt(0).draw(&painter, look.at[i]);
    if (look.clipped)
        painter.setClipRect(area);
}

// What the pixels show now: the whole widget when the region covered it, and
// each cell the region covered; a changed cell painted in part is drawn
// whole next.
void Grid8x8Widget::notePainted(const QRegion& region) {
    if (covers(region, rect())) {
        paintedSize = size();
        paintedRatio = devicePixelRatioF();
        paintedTheme = currentThemeSerial();
    }
    for (int i = 0; i < 64; ++i) {
        const QRect area = (cellArea(i) | painted[i].textArea) & rect();
        if (covers(region, area))
            painted[i] = looks[i];
        else if (region.intersects(area) && !looks[i].showsAs(painted[i]))
            painted[i].grey = -1;
    }
}
