#include "BarPainter.h"

#include <QPaintDevice>
#include <QPainter>

#include <cmath>

namespace {

// Rows around a bar's top that are painted directly: the antialiased top
// edge, its outline and the outline's corners.
const int topRows = 3;
// Room around the full-height bar for antialiased edges and the outline.
const int margin = 2;
// More looks than a graph of 8 bars shows at once means something changes
// all the time; start over rather than grow.
const size_t maxSprites = 48;

void paintDirect(QPainter& painter, const QRectF& rect, const BarPainter::Look& look) {
    painter.setPen(look.border);
    painter.setBrush(look.fill);
    painter.drawRect(rect);
}

} // namespace

void BarPainter::setCacheEnabled(bool enabled) {
    cacheEnabled = enabled;
    sprites.clear();
}

void BarPainter::prepare(QSize newSize, int newThemeSerial) {
    if (newSize != size || newThemeSerial != themeSerial || !cacheEnabled)
        sprites.clear();
    size = newSize;
    themeSerial = newThemeSerial;
}

const BarPainter::Sprite& BarPainter::sprite(const QRectF& fullRect, const Look& look, qreal ratio) {
    for (const Sprite& s : sprites) {
        if (s.fullRect == fullRect && s.look == look && s.ratio == ratio)
            return s;
    }
    if (sprites.size() >= maxSprites)
        sprites.clear();

    Sprite s;
    s.fullRect = fullRect;
    s.look = look;
    s.ratio = ratio;
    s.origin = QPoint(int(std::floor(fullRect.left())) - margin, int(std::floor(fullRect.top())) - margin);
    const QSize extent(int(std::ceil(fullRect.right())) + margin - s.origin.x(),
                       int(std::ceil(fullRect.bottom())) + margin - s.origin.y());
    s.image = QImage(extent * ratio, QImage::Format_ARGB32_Premultiplied);
    s.image.setDevicePixelRatio(ratio);
    s.image.fill(Qt::transparent);
    QPainter painter(&s.image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-s.origin);
    paintDirect(painter, fullRect, look);
    painter.end();
    sprites.push_back(s);
    return sprites.back();
}

void BarPainter::paint(QPainter& painter, const QRectF& fullRect, const QRectF& rect, const Look& look) {
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const int firstCopiedRow = int(std::floor(rect.top())) + topRows;
    const int bottomRow = int(std::ceil(fullRect.bottom())) + margin;
    // Low bars, bars below the bottom, graphs too small for a bar area and
    // fractional pixel ratios are painted whole.
    if (!fullRect.isValid() || rect.height() <= 0 || firstCopiedRow >= bottomRow - 2 * margin ||
        ratio != std::round(ratio)) {
        paintDirect(painter, rect, look);
        return;
    }
    const Sprite& s = sprite(fullRect, look, ratio);
    const int width = int(s.image.width() / ratio);

    painter.save();
    painter.setClipRect(QRect(s.origin.x(), s.origin.y(), width, firstCopiedRow - s.origin.y()), Qt::IntersectClip);
    paintDirect(painter, rect, look);
    painter.restore();

    const int rows = bottomRow - firstCopiedRow;
    const QRect source(0, int((firstCopiedRow - s.origin.y()) * ratio), s.image.width(), int(rows * ratio));
    painter.drawImage(QRect(s.origin.x(), firstCopiedRow, width, rows), s.image, source);
    if (!cacheEnabled)
        sprites.clear();
}
