#include "CaptureLog.h"

#include <QFile>

#include <utility>

CaptureLog::CaptureLog(QString fileName)
    : m_fileName(std::move(fileName)) {}

bool CaptureLog::append(std::string text, int rows) {
    if (m_pending.empty())
        m_pending = std::move(text);
    else
        m_pending += text;
    m_rowsPending += rows;
    return flush();
}

bool CaptureLog::flush() {
    if (m_pending.empty())
        return true;
    QFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        m_error = file.errorString();
        return false;
    }
    const qint64 before = file.size();
    const qint64 written = file.write(m_pending.data(), static_cast<qint64>(m_pending.size()));
    const bool flushed = file.flush();
    if (written != static_cast<qint64>(m_pending.size()) || !flushed) {
        m_error = file.errorString();
        // A partial block would leave a torn row; cut it off and try the
        // whole block again next time.
        file.resize(before);
        return false;
    }
    file.close();
    m_pending.clear();
    m_rowsWritten += m_rowsPending;
    m_rowsPending = 0;
    m_error.clear();
    return true;
}
