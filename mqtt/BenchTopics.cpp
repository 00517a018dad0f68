#include "BenchTopics.h"

namespace {

QString topicLevel(QString text) {
    for (QChar& c : text) {
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#') || c == QLatin1Char(':') ||
            c.isSpace() || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    return text.isEmpty() ? QStringLiteral("_") : text;
}

} // namespace

QString defaultBenchPrefix(const QString& hostName, const QString& bus, const QString& address) {
    const QString board = bus == QLatin1String("usb") ? QStringLiteral("usb") : topicLevel(address);
    return QStringLiteral("kivratolm/") + topicLevel(hostName) + QLatin1Char('/') + board;
}

QString benchPrefixProblem(const QString& prefix) {
    if (prefix.isEmpty())
        return QStringLiteral("is empty");
    if (prefix.contains(QLatin1Char('+')) || prefix.contains(QLatin1Char('#')))
        return QStringLiteral("contains a wildcard (+ or #)");
    if (prefix.startsWith(QLatin1Char('/')) || prefix.endsWith(QLatin1Char('/')))
        return QStringLiteral("starts or ends with /");
    if (prefix.contains(QChar(0)))
        return QStringLiteral("contains a NUL character");
    if (prefix.toUtf8().size() > 1024)
        return QStringLiteral("is longer than 1024 bytes");
    return {};
}
