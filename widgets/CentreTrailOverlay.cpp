#include "CentreTrailOverlay.h"

#include "GridGeometry.h"

#include <QEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

namespace {

// Red and its outline in black and white read on every grey of the cells.
const QColor trailColour(230, 40, 40);
constexpr double markRadius = 7.0;
constexpr int fadeSteps = 4;

} // namespace

CentreTrailOverlay::CentreTrailOverlay(QWidget* grid)
    : QWidget(grid) {
    setObjectName(QStringLiteral("cmpCentreTrail"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(grid->rect());
    grid->installEventFilter(this);
}

bool CentreTrailOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

QPointF CentreTrailOverlay::placeOf(double column, double row) const {
    const QPointF first = GridGeometry::cellRect(size(), 0, 0).center();
    const QPointF last = GridGeometry::cellRect(size(), 7, 7).center();
    return {first.x() + (last.x() - first.x()) * column / 7.0, first.y() + (last.y() - first.y()) * row / 7.0};
}

void CentreTrailOverlay::addCentre(const Point& point) {
    const QRect before = trailBounds();
    points.push_back(point);
    while (!points.empty() && points.front().time <= point.time - trailMs)
        points.pop_front();
    // Time going back (the board started again): the old trail is no trail.
    while (points.size() > 1 && points.front().time > point.time)
        points.pop_front();
    const QRect area = before.united(trailBounds());
    if (!area.isEmpty())
        update(area);
}

void CentreTrailOverlay::clear() {
    const QRect before = trailBounds();
    points.clear();
    update(before);
}

QRect CentreTrailOverlay::trailBounds() const {
    QRectF bounds;
    for (const Point& point : points) {
        if (!point.hasCentre)
            continue;
        const QPointF at = placeOf(point.column, point.row);
        bounds = bounds.united(QRectF(at, at).adjusted(-0.5, -0.5, 0.5, 0.5));
    }
    if (bounds.isNull())
        return {};
    const double reach = markRadius + 3.0;
    return bounds.adjusted(-reach, -reach, reach, reach).toAlignedRect();
}

void CentreTrailOverlay::paintEvent(QPaintEvent*) {
    if (points.empty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The trail, broken where a frame had no centre, fading with age in a
    // few steps: one polyline per step and unbroken run.
    const std::int64_t newest = points.back().time;
    const auto stepOf = [newest](const Point& point) {
        return std::min(fadeSteps - 1, static_cast<int>((newest - point.time) * fadeSteps / trailMs));
    };
    QPolygonF run;
    int runStep = 0;
    const auto flush = [&] {
        if (run.size() > 1) {
            QColor colour = trailColour;
            colour.setAlphaF(1.0 - 0.8 * runStep / (fadeSteps - 1));
            painter.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPolyline(run);
        }
        run.clear();
    };
    for (const Point& point : points) {
        if (!point.hasCentre) {
            flush();
            continue;
        }
        const QPointF at = placeOf(point.column, point.row);
        const int step = stepOf(point);
        if (!run.isEmpty() && step != runStep) {
            const QPointF joint = run.last();
            flush();
            run << joint;
        }
        runStep = step;
        run << at;
    }
    flush();
    const Point& now = points.back();
    if (!now.hasCentre)
        return;
    const QPointF at = placeOf(now.column, now.row);
    painter.setPen(QPen(Qt::black, 3.0));
    painter.drawEllipse(at, markRadius, markRadius);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawEllipse(at, markRadius, markRadius);
    painter.setPen(QPen(trailColour, 2.0));
    painter.drawLine(at - QPointF(markRadius, 0), at + QPointF(markRadius, 0));
    painter.drawLine(at - QPointF(0, markRadius), at + QPointF(0, markRadius));
}
