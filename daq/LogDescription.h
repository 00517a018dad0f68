#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The description file beside a capture log (the log's name + ".json"), read
// back for the review: the few fields worth showing, never the whole text. A
// file larger than sizeLimit is not read at all, so a huge or hostile one
// costs neither time nor memory.
struct LogDescription {
    enum class State { Missing, Read, TooLarge, Unreadable, NotJson };
    static constexpr qint64 sizeLimit = 1 << 20; // 1 MiB; the programs write a few kB

    State state = State::Missing;
    qint64 size = 0;
    QString problem; // Unreadable, NotJson: why

    // Texts as quoted from the file (control characters escaped, cut short).
    QString board; // bus, address and identifier
    bool emulated = false;
    QString calibration; // its path; empty: none was loaded
    // The calibration file as written, to find it again: its path unquoted
    // and the SHA-256 (hex) of the bytes in effect.
    QString calibrationPath;
    QByteArray calibrationSha256;
    QString unit;
    QString reason;    // the trigger's reason
    QString triggered; // the trigger's moment, ISO 8601
    std::optional<qint64> rows;
    std::optional<qint64> preTriggerRows;
    int gaps = 0;
    qint64 missingMs = 0; // over all gaps
};

// Reads the description of the log at `logPath`. Never throws.
LogDescription readLogDescription(const QString& logPath);
