#include "PictureCache.h"

#include "Theme.h"

#include <QPaintDevice>
#include <QPainter>

#include <cmath>

bool isWholePixelRatio(qreal ratio) {
    return ratio >= 1.0 && ratio == std::floor(ratio);
}

void PictureCache::setEnabled(bool enable) {
    enabled = enable;
    if (!enabled)
        image = QImage();
}

bool PictureCache::isCurrent(QSize size, qreal ratio) const {
    return !image.isNull() && imageSize == size && imageRatio == ratio && themeSerial == currentThemeSerial();
}

void PictureCache::draw(QPainter& painter, QSize size, bool opaque, const PaintFunction& paintPicture) {
    if (size.isEmpty())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels = size * ratio;
    const bool tooLarge = 4 * qint64(pixels.width()) * pixels.height() > maxBytes;
    if (!enabled || !opaque || !isWholePixelRatio(ratio) || tooLarge) {
        if (tooLarge)
            image = QImage();
        painter.save();
        paintPicture(painter);
        painter.restore();
        return;
    }
    if (!isCurrent(size, ratio)) {
        image = QImage(pixels, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        QPainter cachePainter(&image);
        cachePainter.setRenderHints(painter.renderHints());
        paintPicture(cachePainter);
        imageSize = size;
        imageRatio = ratio;
        themeSerial = currentThemeSerial();
    }
    painter.drawImage(QPointF(0, 0), image);
}
