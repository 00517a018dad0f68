#pragma once

#include <QBrush>
#include <QImage>
#include <QPen>
#include <QRectF>

#include <vector>

class QPainter;

// Paints the bars of a bar graph: filled, outlined rectangles that grow up
// from the bottom edge of the bar area. Below its top a bar looks the same at
// every height, so that part is copied from a picture of the bar at full
// height, painted once per size, theme and look; only the rows around the top
// are painted each time. This saves the long antialiased outline edges, the
// bulk of a bar graph's paint.
class BarPainter {
public:
    struct Look {
        QBrush fill;
        QPen border;
        bool operator==(const Look& other) const { return fill == other.fill && border == other.border; }
    };

    // Paints `rect`, which shares its left, width and bottom with `fullRect`.
    void paint(QPainter& painter, const QRectF& fullRect, const QRectF& rect, const Look& look);

    // Without the cache the full-height pictures are painted at every call:
    // the same picture, at the full cost.
    void setCacheEnabled(bool enabled);
    // Forgets the pictures when the size or the theme changed.
    void prepare(QSize size, int themeSerial);

private:
    struct Sprite {
        QRectF fullRect;
        Look look;
        qreal ratio = 1.0;
        QImage image;
        QPoint origin; // widget position of the image's top left pixel
    };

    const Sprite& sprite(const QRectF& fullRect, const Look& look, qreal ratio);

    bool cacheEnabled = true;
    QSize size;
    int themeSerial = -1;
    std::vector<Sprite> sprites;
};
