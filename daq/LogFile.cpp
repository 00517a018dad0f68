#include "LogFile.h"

#include "CaptureLogReader.h"

#include "CaptureLogText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Empty for a regular file.
QString notRegular(const struct stat& status) {
    if (S_ISREG(status.st_mode))
        return QString();
    if (S_ISDIR(status.st_mode))
        return systemReason(EISDIR);
    return CaptureLogText::tr("not a regular file (a FIFO, a socket or a device)");
}

} // namespace

int openRegularFile(const QString& path, QString& reason) {
    const QByteArray name = QFile::encodeName(path);
    struct stat status = {};
    if (::stat(name.constData(), &status) != 0) {
        reason = systemReason(errno);
        return -1;
    }
    reason = notRegular(status);
    if (!reason.isEmpty())
        return -1;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = systemReason(errno);
        return -1;
    }
    if (::fstat(fd, &status) != 0)
        reason = systemReason(errno);
    else
        reason = notRegular(status);
    if (!reason.isEmpty()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

LogFile::LogFile(const QString& path)
    : filePath(path) {
    fd = openRegularFile(path, errorMessage);
    struct stat status = {};
    if (fd >= 0 && ::fstat(fd, &status) == 0)
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
            const QString reason = systemReason(errno);
            const QString message =
                CaptureLogText::tr("\"%1\" cannot be read: %2.").arg(QDir::toNativeSeparators(filePath), reason);
            throw KivraTolm::CaptureLogError(message, filePath, 0, reason);
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

qint64 LogFile::dataEnd(qint64 from) const {
    // A file extended but never written ends in a hole, which reads as zeros
    // without being stored: skipped rather than read, however large.
    for (off_t hole = ::lseek(fd, from, SEEK_HOLE); hole >= 0 && hole < fileSize;) {
        const off_t data = ::lseek(fd, hole, SEEK_DATA);
        if (data < 0)
            return errno == ENXIO ? hole : fileSize;
        hole = ::lseek(fd, data, SEEK_HOLE);
    }
    return fileSize;
}

LogTail LogFile::tail(qint64 from) const {
    constexpr qint64 piece = 64 * 1024;
    std::vector<char> buffer(piece);
    LogTail found{from, true, true};
    for (qint64 end = dataEnd(from); end > from;) {
        const qint64 begin = std::max(from, end - piece);
        const qint64 got = readInto(buffer.data(), begin, end - begin);
        const auto* feed = static_cast<const char*>(::memrchr(buffer.data(), '\n', static_cast<std::size_t>(got)));
        const char* const tailStart = feed ? feed + 1 : buffer.data();
        const char* const tailEnd = buffer.data() + got;
        found.zeros = found.zeros && std::all_of(tailStart, tailEnd, [](char c) { return c == 0; });
        found.text = found.text && std::none_of(tailStart, tailEnd, [](char c) {
                         const auto byte = static_cast<unsigned char>(c);
                         return (byte < 0x20 && c != '\t' && c != '\r') || byte == 0x7f;
                     });
        if (feed) {
            found.lineEnd = begin + (feed - buffer.data()) + 1;
            break;
        }
        end = begin;
    }
    if (found.lineEnd == fileSize)
        found.zeros = false;
    return found;
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
