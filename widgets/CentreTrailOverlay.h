#pragma once

#include <QWidget>

#include <cstdint>
#include <deque>

// The centre of the load and its trail over the last two seconds, drawn over
// the 8 x 8 grid as a transparent child of it that covers it exactly. It
// draws nothing of the grid and needs none of its pixels: each new centre
// repaints the area of the old and the new trail, and the grid beneath
// paints itself.
class CentreTrailOverlay : public QWidget {
    Q_OBJECT

public:
    struct Point {
        std::int64_t time = 0; // ms
        bool hasCentre = false;
        double column = 0.0; // sensor units, 0.0 = A .. 7.0 = H
        double row = 0.0;    // 0.0 = row 1 .. 7.0 = row 8
    };
    static constexpr std::int64_t trailMs = 2000;

    explicit CentreTrailOverlay(QWidget* grid);

    // The newest centre; points older than two seconds before it go.
    void addCentre(const Point& point);
    void clear();
    const std::deque<Point>& trail() const { return points; }
    // Where a position in sensor units lies in the widget (the grid's cells).
    QPointF placeOf(double column, double row) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QRect trailBounds() const;

    std::deque<Point> points;
};
