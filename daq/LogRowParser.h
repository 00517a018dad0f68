#pragma once

#include "CaptureLogReader.h"

#include <QString>

#include <atomic>
#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class LogFile;

// What the parsers of one log share across their threads.
struct LogParseState {
    std::atomic<qint64> bytesDone{0};
    std::atomic<bool> cancelled{false};
    // The first piece that found a problem: later pieces stop, earlier ones
    // go on, since one of them may hold an earlier problem.
    std::atomic<int> firstBadPiece{INT_MAX};
    std::atomic<std::size_t> noValues{0}; // fields without a value, over all pieces
};

// A row that is not one of a capture log.
struct LogRowProblem {
    LogRowProblem(qint64 line, const QString& message, const QString& reason = QString())
        : line(line)
        , message(message)
        , reason(reason) {}

    qint64 line = 0; // 0: the file could not be read
    QString message; // without the file's name unless `line` is 0
    QString reason;  // line 0: the system's reason
};

// Parses the data rows of a capture log into the columns of a content whose
// vectors it sizes for `rowCount` rows. Pieces of the rows may be parsed at
// the same time on several threads: each writes only its own rows.
class LogRowParser {
public:
    LogRowParser(KivraTolm::CaptureLogContent& content, std::size_t rowCount);

    // The rows [firstRow, endRow) from the bytes [begin, end) of the file
    // (whole lines), as piece `piece` of the parse. `afterChunk` runs after
    // each chunk on the calling thread.
    std::optional<LogRowProblem> parse(const LogFile& file, qint64 begin, qint64 end, std::size_t firstRow,
                                       std::size_t endRow, int piece, LogParseState& state,
                                       const std::function<void()>& afterChunk = {}) const;

private:
    struct Target {
        KivraTolm::LogColumnKind kind;
        float* values = nullptr; // Sensor and Analog columns
    };

    // The fields of one row (without its line ending); false when a field
    // does not fit, `column` then tells which.
    bool parseRow(const char* begin, const char* end, std::size_t row, std::size_t& column,
                  std::size_t& noValues) const;
    LogRowProblem problemOf(const char* begin, const char* end, std::size_t row, std::size_t column) const;

    std::vector<Target> targets;
    std::vector<QString> titles;
    std::int64_t* timestamps = nullptr;
    std::int64_t* counters = nullptr;
    std::uint16_t* digital = nullptr;
};
