#include "ProgressLine.h"

#include <unistd.h>

namespace {
constexpr qint64 refreshMs = 200;
}

ProgressLine::ProgressLine(bool on)
    : m_on(on) {}

void ProgressLine::show(const QString& text, bool now) {
    if (!m_on || text == m_last)
        return;
    if (!now && m_shown && m_sinceShown.elapsed() < refreshMs)
        return;
    // Back to the start of the line, the text, and the rest of the old text erased.
    put("\r" + text.toLocal8Bit() + "\033[K");
    m_last = text;
    m_shown = true;
    m_sinceShown.start();
}

void ProgressLine::clear() {
    if (!m_on || !m_shown)
        return;
    put("\r\033[K");
    m_shown = false;
    m_last.clear();
}

void ProgressLine::finish() {
    if (!m_on || !m_shown)
        return;
    put("\n");
    m_shown = false;
    m_last.clear();
}

void ProgressLine::put(const QByteArray& bytes) {
    [[maybe_unused]] const ssize_t n =
        ::write(STDERR_FILENO, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
