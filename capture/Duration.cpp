#include "Duration.h"

#include <QRegularExpression>

#include <cmath>

namespace {

// Longer than any capture: 100 years.
constexpr double longestMs = 100.0 * 366 * 24 * 3600 * 1000;

std::optional<qint64> milliseconds(double ms) {
    if (!std::isfinite(ms) || ms < 0 || ms > longestMs)
        return std::nullopt;
    // The text is decimal: 1.001 s must not become 1000.999... ms.
    return static_cast<qint64>(ms + 1e-6);
}

} // namespace

std::optional<qint64> parseDuration(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^\\d+(\\.\\d+)?$"));
    static const QRegularExpression units(QStringLiteral("^(?:(\\d+)h)?(?:(\\d+)m)?(?:(\\d+(?:\\.\\d+)?)s)?$"));
    static const QRegularExpression clock(QStringLiteral("^(?:(\\d+):)?(\\d+):(\\d+(?:\\.\\d+)?)$"));

    if (plain.match(text).hasMatch())
        return milliseconds(text.toDouble() * 1000);
    QRegularExpressionMatch match = units.match(text);
    if (match.hasMatch() && !text.isEmpty()) {
        return milliseconds(
            (match.captured(1).toDouble() * 3600 + match.captured(2).toDouble() * 60 + match.captured(3).toDouble()) *
            1000);
    }
    match = clock.match(text);
    if (match.hasMatch()) {
        const double minutes = match.captured(2).toDouble();
        const double seconds = match.captured(3).toDouble();
        // With hours given, minutes and seconds stay below 60 as on a clock.
        if (!match.captured(1).isEmpty() && minutes >= 60)
            return std::nullopt;
        if (seconds >= 60)
            return std::nullopt;
        return milliseconds((match.captured(1).toDouble() * 3600 + minutes * 60 + seconds) * 1000);
    }
    return std::nullopt;
}
