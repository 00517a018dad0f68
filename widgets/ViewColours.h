#pragma once

#include <QColor>

// The few colours of the sensor views that stay the same in every theme.
namespace ViewColours {
inline QColor frame() {
    return QColor(0, 0, 0);
}
// Top of the gradient of an over-range bar, before it takes the bar's alpha.
inline QColor overRange() {
    return QColor(255, 0, 0);
}
inline QColor cellTextOnDark() {
    return QColor(255, 255, 255);
}
inline QColor cellTextOnLight() {
    return QColor(0, 0, 0);
}
inline QColor cellOutline() {
    return QColor(Qt::white);
}
} // namespace ViewColours
