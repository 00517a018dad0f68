#include "ProgressLine.h"

#include <unistd.h>

namespace {
constexpr qint64 refreshMs = 200;
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
