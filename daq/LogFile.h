#pragma once

#include <QString>

#include <atomic>
#include <cstddef>
#include <string>

// A capture log opened for reading by several threads at once: every read
// names its offset (pread), so the threads share one descriptor. The size is
// taken once at opening; a log that a running capture still appends to is
// read up to that size.
class LogFile {
public:
    // Rows are read in pieces of this size; no row of a capture log comes
    // near it.
    static constexpr qint64 chunkSize = 4 << 20;

    explicit LogFile(const QString& path);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    bool isOpen() const { return fd >= 0; }
    QString error() const { return errorMessage; }
    qint64 size() const { return fileSize; }

    // Reads up to `length` bytes at `offset`; fewer only at the end of the
    // file. Throws KivraTolm::CaptureLogError when the system fails to read.
    qint64 readInto(char* buffer, qint64 offset, qint64 length) const;
    std::string read(qint64 offset, qint64 length) const;

    // The offset just after the first line feed at or after `from` and before
    // `end`; `end` when there is none.
    qint64 nextLineStart(qint64 from, qint64 end) const;
    // The offset just after the last line feed at or after `from`; `from`
    // when there is none.
    qint64 lastLineEnd(qint64 from) const;
    // Line feeds in [begin, end); stops early, with a partial count, once
    // `stop` is set.
    std::size_t countLines(qint64 begin, qint64 end, const std::atomic<bool>& stop) const;

private:
    QString filePath;
    int fd = -1;
    qint64 fileSize = 0;
    QString errorMessage;
};
