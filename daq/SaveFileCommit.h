#pragma once

#include <QSaveFile>
#include <QString>

#include <string>

// Writes `text` whole and empties it, so that an export can go out in
// blocks; false when the file took less.
inline bool writeBlock(QSaveFile& file, std::string& text) {
    const bool written = file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
    text.clear();
    return written;
}

// Puts a QSaveFile in place of its target; the reason when it cannot.
// QSaveFile::commit() reports success when the flush of its last buffered
// bytes failed (a full disk), and leaves a short file in place: the flush
// is checked first, and without a commit the old file stays.
inline QString commitSaveFile(QSaveFile& file) {
    if (!file.flush() || !file.commit())
        return file.errorString();
    return {};
}
