#include "ValueText.h"

QString valueText(double value, const QString& unit) {
    if (unit.isEmpty())
        return QStringLiteral("%L1").arg(value, 0, 'f', 2);
    return QStringLiteral("%L1 %2").arg(value, 0, 'f', 2).arg(unit);
}
