#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>

// The capture log file. Each block is appended with one open-append-close, so
// the file is complete up to the last block and no handle stays open. Rows
// that cannot be written stay in memory and go out with the next block.
//
// Writes go straight to the kernel and every one is checked. After a short
// write (a full disk, a file-size limit) the file is cut back to its size
// after the last complete block; when even that fails, the bytes that did
// arrive are remembered and only the rest is written later, so a block is
// completed but never repeated and no row is ever torn.
//
// What waits in memory is bounded: a block that would take it beyond
// maxPendingBytes is dropped and its rows counted as lost.
class CaptureLog {
public:
    static constexpr std::size_t maxPendingBytes = 64u << 20;

    explicit CaptureLog(QString fileName);
    // A log on an already open descriptor (standard output): never opened,
    // cut back or closed here.
    static CaptureLog onDescriptor(int fd, QString name);

    // Queues the text of `rows` rows (header text counts 0 rows) and writes
    // everything queued. Returns false while writing fails.
    bool append(std::string text, int rows);
    // Writes what is still queued.
    bool flush();

    const QString& fileName() const { return logFileName; }
    int rowsWritten() const { return writtenRows; }
    int rowsPending() const { return pendingRows; }
    // Rows dropped because too much waited in memory.
    int rowsLost() const { return lostRows; }
    // The text still waiting, from its first byte (also what part of it
    // may have reached the file).
    const std::string& pendingText() const { return pending; }
    // Test seam: a smaller bound.
    void setPendingLimit(std::size_t bytes) { pendingLimit = bytes; }
    bool hasPending() const { return !pending.empty(); }
    // Why the last write failed; empty after a successful one.
    const QString& error() const { return errorMessage; }

private:
    bool writePending(int fd);
    void fail(int error);

    QString logFileName;
    int logFd = -1; // a descriptor given by the caller, or -1: open the file each time
    std::string pending;
    std::size_t pendingDone = 0;    // bytes of pending already in the file
    std::int64_t completeSize = -1; // file size after the last complete block; -1: not known yet
    int pendingRows = 0;
    int writtenRows = 0;
    int lostRows = 0;
    std::size_t pendingLimit = maxPendingBytes;
    QString errorMessage;
};
