#pragma once

#include <QString>

// Keeps two live captures out of one log file. The lock is a record lock on
// the log's folder, at a place given by the log's name, held through an open
// descriptor: the kernel lets it go when the process ends in any way, and no
// file is made beside the log. The folder and the name are those of the
// file the path leads to after every link, so a capture through a link and
// one through the real path meet.
class CaptureFileLock {
public:
    CaptureFileLock() = default;
    ~CaptureFileLock();
    CaptureFileLock(CaptureFileLock&& other) noexcept;
    CaptureFileLock& operator=(CaptureFileLock&& other) noexcept;
    CaptureFileLock(const CaptureFileLock&) = delete;
    CaptureFileLock& operator=(const CaptureFileLock&) = delete;

    // Takes the lock of the log `logFile` (which need not exist yet).
    static CaptureFileLock take(const QString& logFile);

    bool isHeld() const { return folderFd >= 0; }
    // Another capture holds it.
    bool inUse() const { return heldElsewhere; }
    // Why it could not be taken when it is not in use (the folder cannot be
    // opened).
    const QString& error() const { return errorMessage; }

private:
    int folderFd = -1;
    bool heldElsewhere = false;
    QString errorMessage;
};
