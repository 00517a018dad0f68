#include "LogColumnLine.h"

#include "SensorPosition.h"

#include "CaptureLogText.h"

#include <QCoreApplication>

#include <set>
#include <utility>

namespace KivraTolm {

namespace {

constexpr std::string_view timeStampTitle = "TimeStamp (ms);";
constexpr std::string_view sensorPrefix = "Sensor ";
constexpr std::string_view analogPrefix = "AIn";
constexpr std::string_view analogSuffix = " (V);";
constexpr std::string_view digitalTitle = "Digital port (bits);";
constexpr std::string_view counterTitle = "Counter;";

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

QString text(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size()));
}

// The sensor of "Sensor A1 (" at the start of `text`.
std::optional<SensorPosition> sensorAtStart(std::string_view text) {
    if (!startsWith(text, sensorPrefix) || text.size() < sensorPrefix.size() + 4)
        return std::nullopt;
    const std::string_view name = text.substr(sensorPrefix.size(), 2);
    if (text.substr(sensorPrefix.size() + 2, 2) != " (" || name[0] < 'A' || name[0] > 'H')
        return std::nullopt;
    return SensorPosition::fromName(name);
}

std::optional<int> analogAtStart(std::string_view text) {
    if (!startsWith(text, analogPrefix) || text.size() < analogPrefix.size() + 1 + analogSuffix.size())
        return std::nullopt;
    const char digit = text[analogPrefix.size()];
    if (digit < '0' || digit > '3' || text.substr(analogPrefix.size() + 1, analogSuffix.size()) != analogSuffix)
        return std::nullopt;
    return digit - '0';
}

bool columnStartsAt(std::string_view rest) {
    return rest.empty() || startsWith(rest, timeStampTitle) || sensorAtStart(rest) || analogAtStart(rest) ||
           startsWith(rest, digitalTitle) || startsWith(rest, counterTitle);
}

} // namespace

std::optional<std::vector<LogColumn>> parseColumnLine(std::string_view line, QString& problem) {
    std::vector<LogColumn> columns;
    std::set<std::pair<LogColumnKind, int>> seen;
    std::string_view rest = line;
    while (!rest.empty()) {
        LogColumn column;
        std::size_t length = 0;
        if (startsWith(rest, timeStampTitle)) {
            column = {LogColumnKind::TimeStamp, {}, QStringLiteral("ms"), -1};
            length = timeStampTitle.size();
        } else if (const auto sensor = sensorAtStart(rest)) {
            const std::size_t unitStart = sensorPrefix.size() + 4;
            std::size_t close = rest.find(");", unitStart);
            while (close != std::string_view::npos && !columnStartsAt(rest.substr(close + 2)))
                close = rest.find(");", close + 1);
            if (close == std::string_view::npos)
                break;
            column = {LogColumnKind::Sensor, {}, text(rest.substr(unitStart, close - unitStart)), sensor->index()};
            length = close + 2;
        } else if (const auto input = analogAtStart(rest)) {
            column = {LogColumnKind::Analog, {}, QStringLiteral("V"), *input};
            length = analogPrefix.size() + 1 + analogSuffix.size();
        } else if (startsWith(rest, digitalTitle)) {
            column = {LogColumnKind::Digital, {}, QStringLiteral("bits"), -1};
            length = digitalTitle.size();
        } else if (startsWith(rest, counterTitle)) {
            column = {LogColumnKind::Counter, {}, {}, -1};
            length = counterTitle.size();
        } else {
            break;
        }
        column.title = text(rest.substr(0, length - 1));
        if (!seen.insert({column.kind, column.index}).second) {
            problem = CaptureLogText::tr("names the column \"%1\" twice").arg(CaptureLogText::quoted(column.title));
            return std::nullopt;
        }
        columns.push_back(std::move(column));
        rest.remove_prefix(length);
    }
    if (!rest.empty()) {
        const std::string_view title = rest.substr(0, rest.find(';'));
        problem = CaptureLogText::tr("is not the column line of one (\"%1\" is no column title)")
                      .arg(CaptureLogText::quoted(text(title)));
        return std::nullopt;
    }
    return columns;
}

} // namespace KivraTolm
