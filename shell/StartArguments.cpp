#include "StartArguments.h"

StartArguments parseStartArguments(const QStringList& arguments) {
    const QString usePrefix = QStringLiteral("use=");
    const QString cfgPrefix = QStringLiteral("cfg=");

    StartArguments result;
    for (const QString& argument : arguments) {
        if (argument.startsWith(usePrefix, Qt::CaseSensitive)) {
            const QString device = argument.mid(usePrefix.size());
            // Exactly two pieces, empty ones included: bus "/" address.
            if (device.count(QLatin1Char('/')) == 1) {
                const int slash = device.indexOf(QLatin1Char('/'));
                result.bus = device.left(slash);
                result.address = device.mid(slash + 1);
            }
        } else if (argument.startsWith(cfgPrefix, Qt::CaseSensitive)) {
            result.calibrationFile = argument.mid(cfgPrefix.size());
        }
    }
    return result;
}
