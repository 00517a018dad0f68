#include "LogExcerpt.h"

#include "CsvFormat.h"
#include "SaveFileCommit.h"

#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>

using KivraTolm::LogColumnKind;

namespace {

// Rows are written in blocks of about this size.
constexpr std::size_t blockBytes = 1 << 20;

void appendInteger(std::string& out, long long value) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    out += ';';
}

void appendRow(std::string& out, const KivraTolm::CaptureLogContent& log, std::size_t row) {
    std::size_t valueColumn = 0;
    for (const KivraTolm::LogColumn& column : log.columns) {
        switch (column.kind) {
        case LogColumnKind::TimeStamp:
            appendInteger(out, log.timestamps[row]);
            break;
        case LogColumnKind::Sensor:
        case LogColumnKind::Analog:
            // A field without a value is written "nan", which reads back as none.
            CsvFormat::appendFixed8(out, log.values[valueColumn++][row]);
            out += ';';
            break;
        case LogColumnKind::Digital:
            appendInteger(out, log.digital[row]);
            break;
        case LogColumnKind::Counter:
            appendInteger(out, log.counters[row]);
            break;
        }
    }
    out += '\n';
}

} // namespace

QString writeLogExcerpt(const KivraTolm::CaptureLogContent& log, std::size_t from, std::size_t to,
                        const QString& path) {
    to = std::min(to, log.rowCount);
    from = std::min(from, to);
    TriggerSettings settings;
    settings.sampleRate = log.header.sampleRate;
    const qint64 before =
        std::clamp<qint64>(log.rowsBeforeTrigger() - static_cast<qint64>(from), 0, static_cast<qint64>(to - from));
    settings.preTriggerSamples = static_cast<std::int32_t>(std::min<qint64>(before, INT32_MAX));
    std::string text =
        CsvFormat(settings).headerLine(log.header.reason, static_cast<std::uint64_t>(log.header.triggerTime));
    for (const KivraTolm::LogColumn& column : log.columns)
        text += column.title.toStdString() + ';';
    text += '\n';

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    for (std::size_t row = from; row < to; ++row) {
        appendRow(text, log, row);
        if (text.size() >= blockBytes && !writeBlock(file, text))
            return file.errorString();
    }
    if (!writeBlock(file, text))
        return file.errorString();
    return commitSaveFile(file);
}
