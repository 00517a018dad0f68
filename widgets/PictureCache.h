#pragma once

#include <QImage>
#include <QSize>

#include <functional>

class QPainter;

// A part of a view's picture that changes only with its size and the theme
// (a background, the cell outlines), painted once and then copied at every
// paint.
class PictureCache {
public:
    using PaintFunction = std::function<void(QPainter&)>;

    // Paints the picture into `painter` (at the origin) through the cache.
    // `opaque` tells that the picture covers every pixel with an opaque colour.
    void draw(QPainter& painter, QSize size, bool opaque, const PaintFunction& paintPicture);

    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled; }

private:
    bool isCurrent(QSize size, qreal ratio) const;

    bool enabled = true;
    QImage image;
    QSize imageSize;
    qreal imageRatio = 0.0;
    int themeSerial = -1;
};
