#include "CaptureLog.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CaptureLog::CaptureLog(QString fileName)
    : logFileName(std::move(fileName)) {}

CaptureLog CaptureLog::onDescriptor(int fd, QString name) {
    CaptureLog log(std::move(name));
    log.logFd = fd;
    return log;
}

bool CaptureLog::append(std::string text, int rows) {
    if (!pending.empty() && pending.size() + text.size() > pendingLimit) {
        lostRows += rows;
        return flush();
    }
    if (pending.empty())
        pending = std::move(text);
    else
        pending += text;
    pendingRows += rows;
    return flush();
}

bool CaptureLog::flush() {
    if (pending.empty())
        return true;
    if (logFd >= 0)
        return writePending(logFd);

    const QByteArray path = QFile::encodeName(logFileName);
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        fail(errno);
        return false;
    }
    if (completeSize < 0) {
        struct stat status {};
        completeSize = ::fstat(fd, &status) == 0 ? status.st_size : 0;
    }
    bool written = writePending(fd);
    if (!written && pendingDone > 0 && ::ftruncate(fd, completeSize) == 0)
        pendingDone = 0; // cut back: the whole block goes again
    if (::close(fd) != 0 && written) {
        // The bytes are in the file as far as the kernel told; report the
        // failure but don't write them a second time.
        fail(errno);
        written = false;
    }
    return written;
}

bool CaptureLog::writePending(int fd) {
    while (pendingDone < pending.size()) {
        const ssize_t n = ::write(fd, pending.data() + pendingDone, pending.size() - pendingDone);
        if (n > 0) {
            pendingDone += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        fail(n < 0 ? errno : ENOSPC);
        return false;
    }
    if (completeSize >= 0)
        completeSize += static_cast<std::int64_t>(pending.size());
    pending.clear();
    pendingDone = 0;
    writtenRows += pendingRows;
    pendingRows = 0;
    errorMessage.clear();
    return true;
}

void CaptureLog::fail(int error) {
    errorMessage = QString::fromLocal8Bit(std::strerror(error));
}
