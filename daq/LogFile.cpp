#include "LogFile.h"

#include "CaptureLogReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

LogFile::LogFile(const QString& path)
    : filePath(path) {
    fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat status = {};
    if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd);
        fd = -1;
        errno = EISDIR;
    }
    if (fd < 0) {
        errorMessage = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    fileSize = status.st_size;
}

LogFile::~LogFile() {
    if (fd >= 0)
        ::close(fd);
}

qint64 LogFile::readInto(char* buffer, qint64 offset, qint64 length) const {
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, buffer + done, static_cast<std::size_t>(length - done), offset + done);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const QString message =
                QCoreApplication::translate("CaptureLogReader", "\"%1\" cannot be read: %2.")
                    .arg(QDir::toNativeSeparators(filePath), QString::fromLocal8Bit(std::strerror(errno)));
            throw KivraTolm::CaptureLogError(message, filePath, 0);
        }
        done += got;
    }
    return done;
}

std::string LogFile::read(qint64 offset, qint64 length) const {
    std::string text(static_cast<std::size_t>(length), '\0');
    text.resize(static_cast<std::size_t>(readInto(text.data(), offset, length)));
    return text;
}

qint64 LogFile::nextLineStart(qint64 from, qint64 end) const {
    constexpr qint64 piece = 64 * 1024;
    std::vector<char> buffer(piece);
    for (qint64 at = from; at < end; at += piece) {
        const qint64 got = readInto(buffer.data(), at, std::min(piece, end - at));
        if (const void* feed = std::memchr(buffer.data(), '\n', static_cast<std::size_t>(got)))
            return at + (static_cast<const char*>(feed) - buffer.data()) + 1;
        if (got < std::min(piece, end - at))
            break;
    }
    return end;
}

qint64 LogFile::lastLineEnd(qint64 from) const {
    constexpr qint64 piece = 64 * 1024;
    std::vector<char> buffer(piece);
    for (qint64 end = fileSize; end > from;) {
        const qint64 begin = std::max(from, end - piece);
        const qint64 got = readInto(buffer.data(), begin, end - begin);
        if (const void* feed = ::memrchr(buffer.data(), '\n', static_cast<std::size_t>(got)))
            return begin + (static_cast<const char*>(feed) - buffer.data()) + 1;
        end = begin;
    }
    return from;
}

std::size_t LogFile::countLines(qint64 begin, qint64 end, const std::atomic<bool>& stop) const {
    std::vector<char> buffer(static_cast<std::size_t>(std::min(chunkSize, std::max<qint64>(end - begin, 1))));
    std::size_t lines = 0;
    for (qint64 at = begin; at < end && !stop.load(std::memory_order_relaxed);) {
        const qint64 got = readInto(buffer.data(), at, std::min<qint64>(static_cast<qint64>(buffer.size()), end - at));
        if (got == 0)
            break;
        const char* p = buffer.data();
        const char* const last = p + got;
        while (const void* feed = std::memchr(p, '\n', static_cast<std::size_t>(last - p))) {
            ++lines;
            p = static_cast<const char*>(feed) + 1;
        }
        at += got;
    }
    return lines;
}
