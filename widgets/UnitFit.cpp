#include "UnitFit.h"

#include <QFontMetricsF>

#include <algorithm>

const QString& UnitFit::unit(const QString& unit, const QFont& font, qreal width) {
    // Equal units are mostly the same shared text: compared at once.
    if (width != measuredWidth || unit != full || font != measuredFont) {
        full = unit;
        measuredFont = font;
        measuredWidth = width;
        const QFontMetricsF metrics(font);
        cut = !unit.isEmpty() && metrics.horizontalAdvance(unit) > std::max(width, 0.0);
        fitted = cut ? metrics.elidedText(unit, Qt::ElideRight, width) : unit;
    }
    return fitted;
}

QString UnitFit::label(const QString& label) const {
    if (!cut)
        return label;
    return QFontMetricsF(measuredFont).elidedText(label, Qt::ElideRight, measuredWidth);
}
