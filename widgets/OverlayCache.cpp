#include "OverlayCache.h"

#include "PictureCache.h"
#include "Theme.h"

#include <QPaintDevice>
#include <QPainter>

void OverlayCache::setEnabled(bool enable) {
    enabled = enable;
    if (!enabled)
        image = QImage();
}

void OverlayCache::draw(QPainter& painter, const QRect& area, QSize key, const PaintFunction& paintLayer) {
    if (area.isEmpty())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels = area.size() * ratio;
    const bool tooLarge = 4 * qint64(pixels.width()) * pixels.height() > maxBytes;
    if (!enabled || !isWholePixelRatio(ratio) || tooLarge) {
        if (tooLarge)
            image = QImage();
        painter.save();
        paintLayer(painter);
        painter.restore();
        return;
    }
    if (image.isNull() || imageArea != area || imageRatio != ratio || imageKey != key ||
        themeSerial != currentThemeSerial()) {
        image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        QPainter layerPainter(&image);
        layerPainter.setRenderHints(painter.renderHints());
        // A shift by whole pixels: the shapes cover the same parts of pixels.
        layerPainter.translate(-area.topLeft());
        paintLayer(layerPainter);
        imageArea = area;
        imageRatio = ratio;
        imageKey = key;
        themeSerial = currentThemeSerial();
    }
    painter.drawImage(area.topLeft(), image);
}
