#include "LogFileChoice.h"

#include "CaptureDescription.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

namespace {

bool present(const QString& path) {
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

} // namespace

LogFileChoice chooseLogFile(const FileNamePattern& pattern, const QDateTime& when) {
    LogFileChoice choice;
    if (!pattern.isNumbered()) {
        choice.fileName = pattern.name(0, when);
        choice.lock = CaptureFileLock::take(choice.fileName);
        return choice;
    }
    // A capture armed but not yet triggered holds its number without a file:
    // the lock is taken before the file is made.
    choice.fileName = pattern.create(
        when,
        [&](const QString& name) {
            if (present(descriptionFileName(name)))
                return false;
            choice.lock = CaptureFileLock::take(name);
            return !choice.lock.inUse();
        },
        choice.error);
    if (choice.error.isEmpty()) {
        QFile::remove(choice.fileName);
        if (!choice.lock.isHeld())
            choice.error = choice.lock.error();
    }
    choice.fresh = choice.error.isEmpty();
    if (!choice.fresh)
        choice.lock = CaptureFileLock();
    return choice;
}
