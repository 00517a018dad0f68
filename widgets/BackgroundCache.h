#pragma once

#include <QImage>
#include <QSize>

#include <functional>

class QPainter;

// The part of a view's picture that changes only with its size and the
// theme, painted once and then copied at every paint.
class BackgroundCache {
public:
    using PaintFunction = std::function<void(QPainter&)>;

    // Paints the background into `painter` (at the origin) through the cache,
    // or directly when the cache is disabled. `opaque` tells that the
    // background covers every pixel with an opaque colour.
    void draw(QPainter& painter, QSize size, bool opaque, const PaintFunction& paintBackground);

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
