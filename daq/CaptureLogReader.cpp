#include "CaptureLogReader.h"

#include "CaptureDescription.h"
#include "LogColumnLine.h"
#include "LogFile.h"
#include "LogRowParser.h"

#include "CaptureLogText.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <future>
#include <string_view>
#include <thread>

namespace KivraTolm {

CaptureLogError::CaptureLogError(const QString& message, const QString& path, qint64 line, const QString& reason)
    : std::runtime_error(message.toStdString())
    , filePath(path)
    , lineNumber(line)
    , why(reason) {}

namespace {

// The header and column lines are short; a file whose first two lines do not
// fit in this many bytes is not a capture log.
constexpr qint64 headLimit = 1 << 20;

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void notALog(const QString& path, qint64 line, const QString& problem) {
    throw CaptureLogError(
        CaptureLogText::tr("\"%1\" is not a capture log: line %2 %3.").arg(shown(path)).arg(line).arg(problem), path,
        line, CaptureLogText::tr("not a capture log: line %1 %2").arg(line).arg(problem));
}

LogTailKind kindOf(const LogTail& tail) {
    if (tail.zeros)
        return LogTailKind::ZeroBytes;
    return tail.text ? LogTailKind::Row : LogTailKind::NotText;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

template <typename Number> bool parseWhole(std::string_view text, Number& value) {
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// "# Sample rate: R Hz, Pre trigger: P, Reason: S, Trigger start time: D (T)".
// The reason is free text (commas, parentheses, even the anchors themselves),
// so R and P are read from the front and D and T from the back.
CaptureLogHeader parseHeader(std::string_view line, const QString& path) {
    const auto bad = [&path] {
        notALog(path, 1, CaptureLogText::tr("is not the header line of one"));
    };
    constexpr std::string_view ratePrefix = "# Sample rate: ";
    constexpr std::string_view preAnchor = " Hz, Pre trigger: ";
    constexpr std::string_view reasonAnchor = ", Reason: ";
    constexpr std::string_view timeAnchor = ", Trigger start time: ";
    constexpr std::string_view stampAnchor = " (";
    if (!startsWith(line, ratePrefix) || line.empty() || line.back() != ')')
        bad();
    CaptureLogHeader header;
    const std::size_t pre = line.find(preAnchor, ratePrefix.size());
    if (pre == std::string_view::npos ||
        !parseWhole(line.substr(ratePrefix.size(), pre - ratePrefix.size()), header.sampleRate))
        bad();
    const std::size_t preStart = pre + preAnchor.size();
    const std::size_t reason = line.find(reasonAnchor, preStart);
    if (reason == std::string_view::npos ||
        !parseWhole(line.substr(preStart, reason - preStart), header.preTriggerRows))
        bad();
    const std::size_t reasonStart = reason + reasonAnchor.size();
    const std::size_t stamp = line.rfind(stampAnchor);
    if (stamp == std::string_view::npos || stamp < reasonStart)
        bad();
    const std::size_t stampStart = stamp + stampAnchor.size();
    if (!parseWhole(line.substr(stampStart, line.size() - 1 - stampStart), header.triggerTime))
        bad();
    const std::size_t time = line.substr(0, stamp).rfind(timeAnchor);
    if (time == std::string_view::npos || time < reasonStart || time + timeAnchor.size() == stamp)
        bad();
    header.reason = QString::fromUtf8(line.data() + reasonStart, static_cast<int>(time - reasonStart));
    return header;
}

std::string_view withoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// The split points of the rows for `pieces` parsers: line starts near equal
// shares of the bytes.
std::vector<qint64> splitAtLines(const LogFile& file, qint64 begin, qint64 end, int pieces) {
    std::vector<qint64> points{begin};
    for (int i = 1; i < pieces; ++i) {
        const qint64 near = std::max(points.back(), begin + (end - begin) * i / pieces);
        const qint64 next = file.nextLineStart(near, end);
        if (next > points.back() && next < end)
            points.push_back(next);
    }
    points.push_back(end);
    return points;
}

int parserCount(qint64 bytes) {
    // Below a few chunks a second thread costs more than it saves.
    if (bytes < 4 * LogFile::chunkSize)
        return 1;
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

} // namespace

std::optional<CaptureLogContent> readCaptureLog(const QString& path,
                                                const std::function<bool(qint64, qint64)>& progress) {
    LogFile file(path);
    if (!file.isOpen())
        throw CaptureLogError(CaptureLogText::tr("Can't open file : %1").arg(shown(path)), path, 0, file.error());

    CaptureLogContent content;
    content.path = path;

    const std::string head = file.read(0, std::min(file.size(), headLimit));
    const std::size_t headerEnd = head.find('\n');
    if (head.empty())
        notALog(path, 1, CaptureLogText::tr("is missing"));
    if (!startsWith(head, std::string_view("# Sample rate: ").substr(0, head.size())))
        notALog(path, 1, CaptureLogText::tr("is not the header line of one"));
    if (headerEnd == std::string::npos) {
        if (file.size() > headLimit)
            notALog(path, 1, CaptureLogText::tr("is too long for the header line of one"));
        throw CaptureLogError(CaptureLogText::tr("\"%1\" ends inside its header line (line 1).").arg(shown(path)), path,
                              1, CaptureLogText::tr("the file ends inside its header line"));
    }
    content.header = parseHeader(withoutCarriageReturn(std::string_view(head).substr(0, headerEnd)), path);

    const std::size_t columnsEnd = head.find('\n', headerEnd + 1);
    if (columnsEnd == std::string::npos) {
        if (file.size() > headLimit)
            notALog(path, 2, CaptureLogText::tr("is too long for the column line of one"));
        if (head.size() == headerEnd + 1)
            notALog(path, 2, CaptureLogText::tr("is missing"));
        throw CaptureLogError(CaptureLogText::tr("\"%1\" ends inside its column line (line 2).").arg(shown(path)), path,
                              2, CaptureLogText::tr("the file ends inside its column line"));
    }
    const std::string_view columnText =
        withoutCarriageReturn(std::string_view(head).substr(headerEnd + 1, columnsEnd - headerEnd - 1));
    QString columnProblem;
    std::optional<std::vector<LogColumn>> columns = parseColumnLine(columnText, columnProblem);
    if (!columns)
        notALog(path, 2, columnProblem);
    content.columns = std::move(*columns);

    // Rows end with a line feed; bytes after the last one are a row torn by
    // a capture that was cut off, left out and reported.
    const qint64 rowsBegin = static_cast<qint64>(columnsEnd) + 1;
    const LogTail tail = file.tail(rowsBegin);
    const qint64 rowsEnd = tail.lineEnd;
    content.tailBytes = file.size() - rowsEnd;
    content.tail = content.tailBytes > 0 ? kindOf(tail) : LogTailKind::None;

    const std::vector<qint64> points = splitAtLines(file, rowsBegin, rowsEnd, parserCount(rowsEnd - rowsBegin));
    const std::size_t pieces = points.size() - 1;
    LogParseState state;
    state.bytesDone = rowsBegin;
    // Progress is told, and cancelling asked, on the calling thread only.
    const auto tell = [&] {
        if (progress && !state.cancelled && !progress(state.bytesDone.load(), file.size()))
            state.cancelled = true;
    };

    // Counting the rows first sizes every column exactly: no growth, no copy,
    // and each piece's parser writes its own rows in place.
    std::vector<std::size_t> firstRow(pieces + 1, 0);
    {
        std::vector<std::future<std::size_t>> counts;
        for (std::size_t i = 1; i < pieces; ++i)
            counts.push_back(std::async(std::launch::async, [&file, &points, &state, i] {
                return file.countLines(points[i], points[i + 1], state.cancelled);
            }));
        tell();
        firstRow[1] = file.countLines(points[0], points[1], state.cancelled);
        for (std::size_t i = 1; i < pieces; ++i)
            firstRow[i + 1] = firstRow[i] + counts[i - 1].get();
    }
    tell();
    if (state.cancelled)
        return std::nullopt;
    content.rowCount = firstRow[pieces];

    const LogRowParser parser(content, content.rowCount);
    std::vector<std::future<std::optional<LogRowProblem>>> others;
    for (std::size_t i = 1; i < pieces; ++i)
        others.push_back(std::async(std::launch::async, [&, i] {
            return parser.parse(file, points[i], points[i + 1], firstRow[i], firstRow[i + 1], static_cast<int>(i),
                                state);
        }));
    std::vector<std::optional<LogRowProblem>> problems;
    problems.push_back(parser.parse(file, points[0], points[1], 0, firstRow[1], 0, state, tell));
    for (auto& other : others) {
        while (other.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
            tell();
        problems.push_back(other.get());
    }
    tell();
    if (state.cancelled)
        return std::nullopt;
    // Each piece stops at its first problem; the earliest line is the one to
    // name, and pieces are in line order.
    for (const auto& problem : problems) {
        if (!problem)
            continue;
        if (problem->line == 0)
            throw CaptureLogError(problem->message, path, 0, problem->reason);
        throw CaptureLogError(
            CaptureLogText::tr("\"%1\", line %2: %3.").arg(shown(path)).arg(problem->line).arg(problem->message), path,
            problem->line, problem->message);
    }
    content.noValues = state.noValues.load();
    if (!content.timestamps.empty()) {
        const auto back = std::is_sorted_until(content.timestamps.begin(), content.timestamps.end());
        if (back != content.timestamps.end())
            // Row i is on line i + 3, after the header and the column line.
            content.timeBackLine = static_cast<qint64>(back - content.timestamps.begin()) + 3;
    }

    content.description = readLogDescription(path);
    return content;
}

} // namespace KivraTolm
