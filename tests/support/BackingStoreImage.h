// What a view left in its window's backing store, and how far that is from
// a whole paint of the same state. The backing store is read as it is: no
// paint event is sent, so a view that repaints only part of itself is seen
// with whatever the toolkit kept of the rest.
#pragma once

#include <QBackingStore>
#include <QImage>
#include <QPaintDevice>
#include <QWidget>
#include <QtGlobal>

#include <algorithm>
#include <cstdlib>

// The view's pixels in the backing store (device pixels), or a null image
// when the platform's backing store is not an image (the offscreen and the
// X11 platforms' are).
inline QImage backingStoreImage(const QWidget& view) {
    const QWidget* window = view.window();
    QBackingStore* store = window->backingStore();
    if (!store || store->paintDevice()->devType() != QInternal::Image)
        return {};
    const QImage& whole = *static_cast<QImage*>(store->paintDevice());
    const qreal ratio = whole.devicePixelRatio();
    const QRect logical(view.mapTo(window, QPoint(0, 0)), view.size());
    const QRect device(qRound(logical.x() * ratio), qRound(logical.y() * ratio), qRound(logical.width() * ratio),
                       qRound(logical.height() * ratio));
    return whole.copy(device).convertToFormat(QImage::Format_RGB32);
}

// The view painted whole, as `QWidget::render` paints it, at the pixel ratio
// of its screen.
inline QImage wholePaint(QWidget& view) {
    const qreal ratio = view.devicePixelRatioF();
    QImage image(qRound(view.width() * ratio), qRound(view.height() * ratio), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::magenta);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The largest difference of one colour channel between two images of one
// size; -1 when their sizes differ.
inline int largestChannelDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return -1;
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    int largest = 0;
    for (int y = 0; y < left.height(); ++y) {
        const QRgb* l = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const QRgb* r = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            largest = std::max({largest, std::abs(qRed(l[x]) - qRed(r[x])), std::abs(qGreen(l[x]) - qGreen(r[x])),
                                std::abs(qBlue(l[x]) - qBlue(r[x]))});
        }
    }
    return largest;
}
