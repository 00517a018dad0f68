#include "CsvFormat.h"

#include "SensorList.h"

#include <QDateTime>

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

void appendInteger(std::string& out, std::uint64_t value) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// Exact fixed-point text of a single-precision value with 8 decimals, rounded
// half to even like printf. A float is m * 2^e with a 24-bit m, so m * 10^8
// fits in 64 bits and the rounding is plain integer arithmetic: about ten
// times faster than the general conversion, which matters at 64 sensors a row.
bool appendFloatFixed8(std::string& out, double value) {
    const auto single = static_cast<float>(value);
    if (static_cast<double>(single) != value || !std::isfinite(single) || std::fabs(single) >= 1e9f)
        return false;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    const int biasedExponent = static_cast<int>((bits >> 23) & 0xFF);
    const std::uint64_t m = (bits & 0x7FFFFF) | (biasedExponent ? 0x800000 : 0);
    const int shift = biasedExponent ? 150 - biasedExponent : 149;
    std::uint64_t scaled = m * 100000000ULL;
    if (shift <= 0) {
        scaled <<= -shift; // below 1e9 * 1e8 < 2^64
    } else if (shift >= 64) {
        scaled = 0; // below 2^51 / 2^64: far under half a unit
    } else {
        const std::uint64_t quotient = scaled >> shift;
        const std::uint64_t remainder = scaled - (quotient << shift);
        const std::uint64_t half = 1ULL << (shift - 1);
        scaled = quotient + ((remainder > half || (remainder == half && (quotient & 1))) ? 1 : 0);
    }
    // Written backwards into one buffer and appended at once: sign, at most
    // 9 integer digits, point, 8 decimals.
    char text[32];
    char* const end = text + sizeof text;
    char* p = end;
    std::uint64_t fraction = scaled % 100000000ULL;
    for (int i = 0; i < 8; ++i, fraction /= 10)
        *--p = static_cast<char>('0' + fraction % 10);
    *--p = '.';
    std::uint64_t integer = scaled / 100000000ULL;
    do {
        *--p = static_cast<char>('0' + integer % 10);
        integer /= 10;
    } while (integer != 0);
    if (std::signbit(single))
        *--p = '-';
    out.append(p, static_cast<std::size_t>(end - p));
    return true;
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
        line += QStringLiteral("Sensor %1 (%2);")
                    .arg(QString::fromStdString(SensorPosition::fromIndex(index).name()), settings.unit[index]);
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
    if (appendFloatFixed8(out, value))
        return;
    // Large enough for any double: sign, 309 integer digits, point, 8 decimals.
    char buffer[330];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 8).ptr);
}

QString dateTimeText(std::uint64_t msSinceEpoch) {
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(msSinceEpoch))
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}
