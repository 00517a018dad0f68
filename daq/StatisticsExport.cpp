#include "StatisticsExport.h"

#include "CsvFormat.h"
#include "FrameStatistics.h"
#include "SaveFileCommit.h"
#include "SensorPosition.h"
#include "TrendSources.h"

#include <QSaveFile>

#include <charconv>
#include <string>

namespace {

// Rows are written in blocks of about this size.
constexpr std::size_t blockBytes = 1 << 20;

void appendField(std::string& out, double value) {
    CsvFormat::appendFixed8(out, value);
    out += ';';
}

void appendInteger(std::string& out, long long value) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    out += ';';
}

} // namespace

QString writeStatisticsCsv(const LogTrendSource& log, double threshold, const QString& path) {
    const KivraTolm::CaptureLogContent& content = log.content();
    const QString unit = CsvFormat::columnUnit(log.statisticsUnit());
    const bool stamped = !content.timestamps.empty();
    int counted = 0;
    for (const bool included : log.countedSensors())
        counted += included ? 1 : 0;

    std::string text =
        "# Statistics of: " + content.path.toStdString() + ", Unit: " + unit.toStdString() + ", Threshold: ";
    CsvFormat::appendFixed8(text, threshold);
    text += ", Sensors counted: " + std::to_string(counted) + "\n";
    text += (stamped ? QStringLiteral("TimeStamp (ms);") : QStringLiteral("Row;")).toStdString();
    text += QStringLiteral("Sum (%1);Maximum (%1);Maximum sensor;Active sensors;Active mean (%1);"
                           "Centre column;Centre row;Centre sensor;\n")
                .arg(unit)
                .toStdString();

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    for (std::size_t row = 0; row < content.rowCount; ++row) {
        const ShownFrame shown = log.shownRow(row);
        const FrameStatistics statistics = frameStatistics(shown.values, shown.included, threshold);
        appendInteger(text, stamped ? static_cast<long long>(content.timestamps[row]) : static_cast<long long>(row));
        appendField(text, statistics.sum);
        if (statistics.maximumSensor >= 0) {
            appendField(text, statistics.maximum);
            text += SensorPosition::fromIndex(statistics.maximumSensor).name() + ';';
        } else {
            text += ";;";
        }
        appendInteger(text, statistics.activeCount);
        if (statistics.activeCount > 0)
            appendField(text, statistics.activeMean);
        else
            text += ';';
        if (statistics.hasCentre) {
            appendField(text, statistics.centreColumn);
            appendField(text, statistics.centreRow);
            text += centreSensorName(statistics) + ';';
        } else {
            text += ";;;";
        }
        text += '\n';
        if (text.size() >= blockBytes && !writeBlock(file, text))
            return file.errorString();
    }
    if (!writeBlock(file, text))
        return file.errorString();
    return commitSaveFile(file);
}
