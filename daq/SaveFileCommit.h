#pragma once

#include <QSaveFile>
#include <QString>

// Puts a QSaveFile in place of its target; the reason when it cannot.
// QSaveFile::commit() reports success when the flush of its last buffered
// bytes failed (a full disk), and leaves a short file in place: the flush
// is checked first, and without a commit the old file stays.
inline QString commitSaveFile(QSaveFile& file) {
    if (!file.flush() || !file.commit())
        return file.errorString();
    return {};
}
