#pragma once

#include <QString>

#include <atomic>
#include <cstddef>
#include <string>

// Opens a regular file for reading, or gives -1 and the reason. Anything
// else (a FIFO, a device) is refused before it is opened, since opening a
// FIFO waits for a writer; the descriptor is non-blocking besides, and
// checked again once open, in case the name was swapped in between.
int openRegularFile(const QString& path, QString& reason);

// What follows the last line feed of a file.
struct LogTail {
    qint64 lineEnd = 0; // just after the last line feed; where the tail starts
    bool zeros = false; // the tail is zero bytes only (as a file extended but never written)
    bool text = true;   // the tail holds no control characters besides tab and CR
};

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
    // The bytes after the last line feed at or after `from` (from `from`
    // when there is none).
    LogTail tail(qint64 from) const;
    // Line feeds in [begin, end); stops early, with a partial count, once
    // `stop` is set.
    std::size_t countLines(qint64 begin, qint64 end, const std::atomic<bool>& stop) const;

private:
    // Where the bytes stored at or after `from` end; the file's size unless
    // it ends in a hole.
    qint64 dataEnd(qint64 from) const;

    QString filePath;
    int fd = -1;
    qint64 fileSize = 0;
    QString errorMessage;
};
