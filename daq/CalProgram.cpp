#include "CalProgram.h"

QString calProgramPath(const QString& daqProgramPath) {
    const int nameStart = daqProgramPath.lastIndexOf(QLatin1Char('/')) + 1;
    QString name = daqProgramPath.mid(nameStart);
    return daqProgramPath.left(nameStart) + name.replace(QLatin1String("-daq-"), QLatin1String("-cal-"));
}

QStringList calProgramArguments(const QString& bus, const QString& address, const QString& calibrationFile) {
    QStringList arguments{QStringLiteral("use=%1/%2").arg(bus, address)};
    if (!calibrationFile.isEmpty())
        arguments << QStringLiteral("cfg=") + calibrationFile;
    return arguments;
}
