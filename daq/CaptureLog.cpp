#include "CaptureLog.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CaptureLog::CaptureLog(QString fileName)
    : m_fileName(std::move(fileName)) {}

CaptureLog CaptureLog::onDescriptor(int fd, QString name) {
    CaptureLog log(std::move(name));
    log.m_fd = fd;
    return log;
}

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
    if (m_fd >= 0)
        return writePending(m_fd);

    const QByteArray path = QFile::encodeName(m_fileName);
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        fail(errno);
        return false;
    }
    if (m_completeSize < 0) {
        struct stat status {};
        m_completeSize = ::fstat(fd, &status) == 0 ? status.st_size : 0;
    }
    bool written = writePending(fd);
    if (!written && m_pendingDone > 0 && ::ftruncate(fd, m_completeSize) == 0)
        m_pendingDone = 0; // cut back: the whole block goes again
    if (::close(fd) != 0 && written) {
        // The bytes are in the file as far as the kernel told; report the
        // failure but don't write them a second time.
        fail(errno);
        written = false;
    }
    return written;
}

bool CaptureLog::writePending(int fd) {
    while (m_pendingDone < m_pending.size()) {
        const ssize_t n = ::write(fd, m_pending.data() + m_pendingDone, m_pending.size() - m_pendingDone);
        if (n > 0) {
            m_pendingDone += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        fail(n < 0 ? errno : ENOSPC);
        return false;
    }
    if (m_completeSize >= 0)
        m_completeSize += static_cast<std::int64_t>(m_pending.size());
    m_pending.clear();
    m_pendingDone = 0;
    m_rowsWritten += m_rowsPending;
    m_rowsPending = 0;
    m_error.clear();
    return true;
}

void CaptureLog::fail(int error) {
    m_error = QString::fromLocal8Bit(std::strerror(error));
}
