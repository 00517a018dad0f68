#include "GridGeometry.h"

#include "SensorPosition.h"
#include "ValueText.h"

#include <QChar>

#include <algorithm>
#include <cmath>

namespace GridGeometry {

QRectF cellRect(QSize size, int column, int row) {
    const int side = std::max(std::min(size.width(), size.height()) - 8, 0);
    const double step = side * 0.125;
    const double x0 = (size.width() - side) * 0.5;
    const double y0 = (size.height() - side) * 0.5;
    return QRectF(x0 + column * step, y0 + row * step, step, step).adjusted(2.0, 2.0, -2.0, -2.0);
}

int greyLevel(double intensity) {
    // Clamped before the conversion so that huge readings cannot overflow.
    const double grey = std::trunc(intensity * 255.0);
    if (std::isnan(grey))
        return 0;
    return int(std::clamp(grey, 0.0, 255.0));
}

QString cellText(int column, int row, double value, const QString& unit) {
    return cellText(column, row, valueText(value, unit));
}

QString cellText(int column, int row, const QString& line) {
    return QStringLiteral("%1\n%2").arg(QString::fromStdString(SensorPosition{column, row}.name()), line);
}

QVector<int> verticalLineXs(int width, int spacing) {
    QVector<int> xs;
    if (spacing <= 0)
        return xs;
    for (int x = 0; x < width; x += spacing)
        xs.append(x);
    return xs;
}

QVector<int> horizontalLineYs(int height, int spacing) {
    QVector<int> ys;
    if (spacing <= 0)
        return ys;
    for (int y = height - 1; y >= 0; y -= spacing)
        ys.append(y);
    return ys;
}

} // namespace GridGeometry
