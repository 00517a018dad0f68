#include "CsvFormat.h"

#include "SensorList.h"

#include <QDateTime>

#include <charconv>

namespace {

void appendInteger(std::string& out, std::uint64_t value) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

} // namespace

CsvFormat::CsvFormat(const TriggerSettings& settings)
    : settings(settings) {
    for (const SensorPosition& sensor : sensorsWhere(settings.logSensor, true))
        loggedSensors.push_back(sensor.index());
}

std::string CsvFormat::headerLine(const QString& reason, std::uint64_t triggerTime) const {
    std::string line = "# Sample rate: ";
    appendFixed8(line, settings.sampleRate);
    line += " Hz, Pre trigger: " + std::to_string(settings.preTriggerSamples);
    line += ", Reason: " + reason.toStdString();
    line += ", Trigger start time: " + dateTimeText(triggerTime).toStdString();
    line += " (" + std::to_string(triggerTime) + ")\n";
    return line;
}

std::string CsvFormat::columnLine() const {
    QString line;
    if (settings.logTimestamp)
        line += QStringLiteral("TimeStamp (ms);");
    for (int index : loggedSensors)
        line +=
            QStringLiteral("Sensor %1 (%2);")
                .arg(QString::fromStdString(SensorPosition::fromIndex(index).name()), columnUnit(settings.unit[index]));
    for (int i = 0; i < 4; ++i)
        if (settings.logAnalog[i])
            line += QStringLiteral("AIn%1 (V);").arg(i);
    if (settings.logDigital)
        line += QStringLiteral("Digital port (bits);");
    if (settings.logCounter)
        line += QStringLiteral("Counter;");
    line += QLatin1Char('\n');
    return line.toStdString();
}

void CsvFormat::appendRow(std::string& out, const KivraTolm::InputFrame& frame) const {
    if (settings.logTimestamp) {
        appendInteger(out, frame.timestamp);
        out += ';';
    }
    for (int index : loggedSensors) {
        appendFixed8(out, frame.sensors[index / 8][index % 8]);
        out += ';';
    }
    for (int i = 0; i < 4; ++i) {
        if (settings.logAnalog[i]) {
            appendFixed8(out, frame.analog[i]);
            out += ';';
        }
    }
    if (settings.logDigital) {
        appendInteger(out, frame.digital);
        out += ';';
    }
    if (settings.logCounter) {
        appendInteger(out, frame.counter);
        out += ';';
    }
    out += '\n';
}

void CsvFormat::appendFixed8(std::string& out, double value) {
    // Large enough for any double: sign, 309 integer digits, point, 8 decimals.
    char buffer[330];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 8).ptr);
}

QString CsvFormat::columnUnit(QString unit) {
    unit.replace(QLatin1Char(';'), QLatin1Char(','));
    unit.replace(QLatin1Char('\r'), QLatin1Char(' '));
    unit.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return unit;
}

QString dateTimeText(std::uint64_t msSinceEpoch) {
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(msSinceEpoch))
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}
