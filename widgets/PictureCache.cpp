#include "PictureCache.h"

#include "Theme.h"

#include <QPaintDevice>
#include <QPainter>

void PictureCache::setEnabled(bool enable) {
    enabled = enable;
}

bool PictureCache::isCurrent(QSize size, qreal ratio) const {
    return !image.isNull() && imageSize == size && imageRatio == ratio && themeSerial == currentThemeSerial();
}

void PictureCache::draw(QPainter& painter, QSize size, bool opaque, const PaintFunction& paintPicture) {
    if (size.isEmpty())
        return;
    // Disabled, the picture is still painted into an image and copied, so
    // that the pixels are the same; it is only painted anew every time.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (!enabled || !isCurrent(size, ratio)) {
        // A translucent picture is composed on transparent pixels here and
        // over what lies beneath when copied.
        image = QImage(size * ratio, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        if (!opaque)
            image.fill(Qt::transparent);
        QPainter cachePainter(&image);
        cachePainter.setRenderHints(painter.renderHints());
        paintPicture(cachePainter);
        imageSize = size;
        imageRatio = ratio;
        themeSerial = currentThemeSerial();
    }
    painter.drawImage(QPointF(0, 0), image);
}
