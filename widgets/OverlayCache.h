#pragma once

#include <QImage>
#include <QRect>

#include <functional>

class QPainter;

// A layer of antialiased shapes that lies over content changing from paint
// to paint (the grid's cell outlines, the bar graph's frame), which changes
// only with the view's size and the theme: painted once into a transparent
// premultiplied image at the device's pixel ratio and then composed over the
// content at every paint.
//
// Painting a solid colour over a pixel at a coverage c gives
// colour·c + pixel·(1 − alpha·c); painted onto transparency, the layer keeps
// colour·c, which composed gives the same sum in the same integer steps.
// That holds while the layer blends each pixel once: its shapes must not
// overlap one another (two blends in the layer are not one blend of their
// sum). Painting it directly does not need the condition and costs the
// stroking and rasterising the image saves: at a pixel ratio of 2 a pen of
// one pixel leaves Qt's fast path for hairlines.
class OverlayCache {
public:
    using PaintFunction = std::function<void(QPainter&)>;

    // A picture larger than this (a view on a very large screen) is painted
    // every time instead of being kept.
    static constexpr qint64 defaultMaxBytes = 64 * 1024 * 1024;

    explicit OverlayCache(qint64 maxBytes = defaultMaxBytes)
        : maxBytes(maxBytes) {}

    // Paints the layer, which lies within `area` of the view, into
    // `painter`: composed from the image when the cache is enabled, else
    // directly. `paintLayer` paints in the view's coordinates; `key` tells
    // apart layers of the same area that differ otherwise (such as the view's
    // size).
    void draw(QPainter& painter, const QRect& area, QSize key, const PaintFunction& paintLayer);

    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled; }
    // The bytes of the picture kept.
    qint64 byteCost() const { return image.sizeInBytes(); }

private:
    qint64 maxBytes;
    bool enabled = true;
    QImage image;
    QRect imageArea;
    qreal imageRatio = 0.0;
    QSize imageKey;
    int themeSerial = -1;
};
