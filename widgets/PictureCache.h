#pragma once

#include <QImage>
#include <QSize>

#include <functional>

class QPainter;

// Whether a device pixel ratio maps whole logical pixels to whole device
// pixels. At a fractional ratio (a desktop scaling rounded with PassThrough)
// pictures made at the device's pixels would not lie on them and lines of
// one logical pixel not on whole pixels: the views then paint everything.
bool isWholePixelRatio(qreal ratio);

// The bottom layer of a view's picture, which changes only with its size and
// the theme (a background with its grid), painted once into an image and then
// copied at every paint.
//
// Only an opaque layer is kept: copied, it gives the very pixels painting it
// would give. A translucent one would be composed over what lies beneath in
// another order than painting it there, a shade off here and there, so it is
// painted every time.
class PictureCache {
public:
    using PaintFunction = std::function<void(QPainter&)>;

    // A picture larger than this (a view on a very large screen) is painted
    // every time instead of being kept.
    static constexpr qint64 defaultMaxBytes = 64 * 1024 * 1024;

    explicit PictureCache(qint64 maxBytes = defaultMaxBytes)
        : maxBytes(maxBytes) {}

    // Paints the layer into `painter` at the origin, from the image when the
    // cache is enabled and `opaque` (the layer covers every pixel with an
    // opaque colour), else directly.
    void draw(QPainter& painter, QSize size, bool opaque, const PaintFunction& paintPicture);

    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled; }
    // The bytes of the picture kept.
    qint64 byteCost() const { return image.sizeInBytes(); }

private:
    qint64 maxBytes;
    bool isCurrent(QSize size, qreal ratio) const;

    bool enabled = true;
    QImage image;
    QSize imageSize;
    qreal imageRatio = 0.0;
    int themeSerial = -1;
};
