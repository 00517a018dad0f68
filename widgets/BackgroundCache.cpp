#include "BackgroundCache.h"

#include "Theme.h"

#include <QPaintDevice>
#include <QPainter>

void BackgroundCache::setEnabled(bool enable) {
    enabled = enable;
    if (!enabled)
        image = QImage();
}

bool BackgroundCache::isCurrent(QSize size, qreal ratio) const {
    return !image.isNull() && imageSize == size && imageRatio == ratio && themeSerial == currentThemeSerial();
}

void BackgroundCache::draw(QPainter& painter, QSize size, bool opaque, const PaintFunction& paintBackground) {
    if (!enabled || size.isEmpty()) {
        paintBackground(painter);
        return;
    }
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (!isCurrent(size, ratio)) {
        // A translucent background is composed on transparent pixels here and
        // over what lies beneath when copied.
        image = QImage(size * ratio, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        if (!opaque)
            image.fill(Qt::transparent);
        QPainter cachePainter(&image);
        cachePainter.setRenderHints(painter.renderHints());
        paintBackground(cachePainter);
        imageSize = size;
        imageRatio = ratio;
        themeSerial = currentThemeSerial();
    }
    painter.drawImage(QPointF(0, 0), image);
}
