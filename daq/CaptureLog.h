#pragma once

#include <QString>

#include <string>

// The capture log file. Each block is appended with one open-append-close, so
// the file is complete up to the last block and no handle stays open. Rows
// that cannot be written stay in memory and go out with the next block.
class CaptureLog {
public:
    explicit CaptureLog(QString fileName);

    // Queues the text of `rows` rows (header text counts 0 rows) and writes
    // everything queued. Returns false while writing fails.
    bool append(std::string text, int rows);
    // Writes what is still queued.
    bool flush();

    const QString& fileName() const { return m_fileName; }
    int rowsWritten() const { return m_rowsWritten; }
    int rowsPending() const { return m_rowsPending; }
    bool hasPending() const { return !m_pending.empty(); }
    // Why the last write failed; empty after a successful one.
    const QString& error() const { return m_error; }

private:
    QString m_fileName;
    std::string m_pending;
    int m_rowsPending = 0;
    int m_rowsWritten = 0;
    QString m_error;
};
