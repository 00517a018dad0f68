#include "GreyScaleBar.h"

#include "GridGeometry.h"
#include "Theme.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int barWidth = 16;
constexpr int margin = 4;
constexpr int tickLength = 4;
constexpr int steps = 4; // labels at 0, 25, 50, 75, 100 %

QString percentText(int percent) {
    return QStringLiteral("%L1 %").arg(percent);
}

} // namespace

GreyScaleBar::GreyScaleBar(QWidget* parent)
    : QWidget(parent) {
    setToolTip(tr("Grey level of the grid's cells: the raw reading from 0 % (black) to 100 % (white). "
                  "The mark at the top counts the cells at 100 % or above."));
}

void GreyScaleBar::setReadings(const KivraTolm::InputFrame& raw) {
    int count = 0;
    for (const auto& row : raw.sensors) {
        for (const float reading : row)
            count += GridGeometry::greyLevel(reading) == 255 ? 1 : 0;
    }
    if (count == atTop)
        return;
    atTop = count;
    update();
}

QString GreyScaleBar::markText() const {
    return atTop > 0 ? QStringLiteral("%L1").arg(atTop) : QString();
}

QSize GreyScaleBar::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const int labels = metrics.horizontalAdvance(percentText(100));
    return {margin + barWidth + tickLength + 2 + labels + margin, 200};
}

QSize GreyScaleBar::minimumSizeHint() const {
    return {sizeHint().width(), 6 * fontMetrics().height()};
}

QRect GreyScaleBar::barRect() const {
    // Room for the mark above the bar and for half a label below it.
    const int line = fontMetrics().height();
    return QRect(margin, margin + line + barWidth / 2, barWidth, height() - 2 * margin - 2 * line - barWidth / 2);
}

void GreyScaleBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Theme& theme = currentTheme();
    const QRect bar = barRect();
    if (bar.height() <= 0)
        return;

    QLinearGradient gradient(bar.bottomLeft(), bar.topLeft());
    gradient.setColorAt(0.0, QColor(0, 0, 0));
    gradient.setColorAt(1.0, QColor(255, 255, 255));
    painter.fillRect(bar, gradient);
    painter.setPen(QPen(theme.text, 1.0));
    painter.drawRect(QRectF(bar).adjusted(0.5, 0.5, -0.5, -0.5));

    const QFontMetrics metrics = fontMetrics();
    for (int step = 0; step <= steps; ++step) {
        const int percent = 100 * step / steps;
        const int y = bar.bottom() - (bar.height() - 1) * step / steps;
        painter.drawLine(bar.right() + 1, y, bar.right() + tickLength, y);
        const QRect label(bar.right() + tickLength + 2, y - metrics.height() / 2, width(), metrics.height());
        painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, percentText(percent));
    }

    // The mark: a triangle on the top of the bar and the count above it.
    if (atTop > 0) {
        const double half = barWidth / 2.0;
        QPainterPath triangle;
        triangle.moveTo(bar.left(), bar.top() - 1);
        triangle.lineTo(bar.right() + 1, bar.top() - 1);
        triangle.lineTo(bar.left() + half, bar.top() - half);
        triangle.closeSubpath();
        painter.fillPath(triangle, theme.text);
        const QRect text(0, margin, width(), metrics.height());
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("%1 %2").arg(QChar(0x25B2), markText()));
    }
}
