#include "ProgressLine.h"

#include <algorithm>
#include <cmath>

#include <unistd.h>

namespace {

constexpr qint64 refreshMs = 200;

// "42 s", "1:05 min", "2:00:10 h".
QString timeText(qint64 seconds) {
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    const QLatin1Char zero('0');
    const qint64 minutes = seconds / 60 % 60;
    if (seconds < 3600)
        return QStringLiteral("%1:%2 min").arg(minutes).arg(seconds % 60, 2, 10, zero);
    return QStringLiteral("%1:%2:%3 h").arg(seconds / 3600).arg(minutes, 2, 10, zero).arg(seconds % 60, 2, 10, zero);
}

} // namespace

QString ProgressLine::recordingText(int rows, int total, double rowsPerSecond) {
    if (total <= 0)
        return QStringLiteral("Recording: %1 rows").arg(rows);
    QString text = QStringLiteral("Recording: %1 of %2 rows").arg(rows).arg(total);
    if (rowsPerSecond > 0) {
        // Whole seconds, rounded up: "0 s" only once every row is there.
        const double left = std::ceil(std::max(total - rows, 0) / rowsPerSecond);
        text += QStringLiteral(", %1 left").arg(timeText(static_cast<qint64>(left)));
    }
    return text;
}

ProgressLine::ProgressLine(bool on)
    : on(on) {}

void ProgressLine::show(const QString& text, bool now) {
    if (!on || text == last)
        return;
    if (!now && shown && sinceShown.elapsed() < refreshMs)
        return;
    // Back to the start of the line, the text, and the rest of the old text erased.
    put("\r" + text.toLocal8Bit() + "\033[K");
    last = text;
    shown = true;
    sinceShown.start();
}

void ProgressLine::clear() {
    if (!on || !shown)
        return;
    put("\r\033[K");
    shown = false;
    last.clear();
}

void ProgressLine::finish() {
    if (!on || !shown)
        return;
    put("\n");
    shown = false;
    last.clear();
}

void ProgressLine::put(const QByteArray& bytes) {
    [[maybe_unused]] const ssize_t n =
        ::write(STDERR_FILENO, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
