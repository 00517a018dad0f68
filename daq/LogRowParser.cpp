#include "LogRowParser.h"

#include "LogFile.h"

#include "CaptureLogText.h"

#include <QCoreApplication>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include <sys/mman.h>

using KivraTolm::LogColumnKind;

namespace {

// The header line and the column line come before the first row.
constexpr qint64 linesBeforeRows = 2;

// A column of `rows` zeros. Its pages are asked for as huge pages before
// they are first touched: a million-row log fills some 300 MB, and 4 KiB
// page faults would cost about as much as parsing the numbers.
template <typename T> void sizeColumn(std::vector<T>& column, std::size_t rows) {
    column.reserve(rows);
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t huge = 2 << 20;
    const auto first = (reinterpret_cast<std::uintptr_t>(column.data()) + huge - 1) & ~(huge - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(column.data() + rows)) & ~(huge - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
    column.assign(rows, T{});
}

// A sensor or input value. nan, inf and numbers beyond the float range are
// no value: NaN, counted. A number too small for a float is its nearest one.
std::from_chars_result parseValue(const char* begin, const char* end, float& value, std::size_t& noValues) {
    std::from_chars_result result = std::from_chars(begin, end, value);
    if (result.ec == std::errc::result_out_of_range) {
        double wide = 0;
        bool tiny = false;
        if (std::from_chars(begin, result.ptr, wide).ec == std::errc()) {
            tiny = std::abs(wide) < 1.0;
        } else {
            const char* exponent = std::find_if(begin, result.ptr, [](char c) { return c == 'e' || c == 'E'; });
            tiny = exponent + 1 < result.ptr && exponent[1] == '-';
            wide = 0.0;
        }
        value = tiny ? static_cast<float>(wide) : std::numeric_limits<float>::infinity();
        result.ec = std::errc();
    }
    if (result.ec == std::errc() && !std::isfinite(value)) {
        value = std::numeric_limits<float>::quiet_NaN();
        ++noValues;
    }
    return result;
}

QString text(const char* begin, const char* end) {
    return QString::fromUtf8(begin, static_cast<int>(end - begin));
}

} // namespace

LogRowParser::LogRowParser(KivraTolm::CaptureLogContent& content, std::size_t rowCount) {
    content.values.clear();
    content.values.reserve(content.columns.size());
    for (const KivraTolm::LogColumn& column : content.columns) {
        titles.push_back(column.title);
        Target target{column.kind};
        switch (column.kind) {
        case LogColumnKind::TimeStamp:
            sizeColumn(content.timestamps, rowCount);
            timestamps = content.timestamps.data();
            break;
        case LogColumnKind::Sensor:
        case LogColumnKind::Analog:
            sizeColumn(content.values.emplace_back(), rowCount);
            target.values = content.values.back().data();
            break;
        case LogColumnKind::Digital:
            sizeColumn(content.digital, rowCount);
            digital = content.digital.data();
            break;
        case LogColumnKind::Counter:
            sizeColumn(content.counters, rowCount);
            counters = content.counters.data();
            break;
        }
        targets.push_back(target);
    }
}

bool LogRowParser::parseRow(const char* begin, const char* end, std::size_t row, std::size_t& column,
                            std::size_t& noValues) const {
    const char* p = begin;
    for (column = 0; column < targets.size(); ++column) {
        std::from_chars_result result{};
        switch (targets[column].kind) {
        case LogColumnKind::TimeStamp:
            result = std::from_chars(p, end, timestamps[row]);
            break;
        case LogColumnKind::Sensor:
        case LogColumnKind::Analog:
            result = parseValue(p, end, targets[column].values[row], noValues);
            break;
        case LogColumnKind::Digital:
            result = std::from_chars(p, end, digital[row]);
            break;
        case LogColumnKind::Counter:
            result = std::from_chars(p, end, counters[row]);
            break;
        }
        if (result.ec != std::errc() || result.ptr == end || *result.ptr != ';')
            return false;
        p = result.ptr + 1;
    }
    return p == end;
}

LogRowProblem LogRowParser::problemOf(const char* begin, const char* end, std::size_t row, std::size_t column) const {
    const qint64 line = static_cast<qint64>(row) + linesBeforeRows + 1;
    const std::size_t separators = static_cast<std::size_t>(std::count(begin, end, ';'));
    const std::size_t fields = separators + (begin == end || end[-1] == ';' ? 0 : 1);
    if (fields != targets.size())
        return {line, CaptureLogText::tr("the row has a different number of fields (%1) than the column line (%2)")
                          .arg(fields)
                          .arg(targets.size())};
    // Each field up to `column` was read; find where this one starts.
    const char* field = begin;
    for (std::size_t i = 0; i < column; ++i)
        field = static_cast<const char*>(std::memchr(field, ';', static_cast<std::size_t>(end - field))) + 1;
    const auto* separator = static_cast<const char*>(std::memchr(field, ';', static_cast<std::size_t>(end - field)));
    if (!separator)
        return {line, CaptureLogText::tr("the row does not end with \";\"")};
    const QString title = CaptureLogText::quoted(titles[column]);
    if (separator == field)
        return {line, CaptureLogText::tr("the field of column \"%1\" is empty").arg(title)};
    // Parsed once more only to tell a number out of range from no number.
    bool outOfRange = false;
    switch (targets[column].kind) {
    case LogColumnKind::TimeStamp:
    case LogColumnKind::Counter: {
        std::int64_t value = 0;
        const auto result = std::from_chars(field, separator, value);
        outOfRange = result.ec == std::errc::result_out_of_range && result.ptr == separator;
        break;
    }
    case LogColumnKind::Sensor:
    case LogColumnKind::Analog: {
        float value = 0;
        const auto result = std::from_chars(field, separator, value);
        outOfRange = result.ec == std::errc::result_out_of_range && result.ptr == separator;
        break;
    }
    case LogColumnKind::Digital: {
        std::uint16_t value = 0;
        const auto result = std::from_chars(field, separator, value);
        outOfRange = result.ec == std::errc::result_out_of_range && result.ptr == separator;
        break;
    }
    }
    const QString quotedField = CaptureLogText::quoted(text(field, separator));
    if (outOfRange)
        return {line, CaptureLogText::tr("\"%1\" in column \"%2\" is out of range").arg(quotedField, title)};
    return {line, CaptureLogText::tr("\"%1\" in column \"%2\" is not a number").arg(quotedField, title)};
}

std::optional<LogRowProblem> LogRowParser::parse(const LogFile& file, qint64 begin, qint64 end, std::size_t firstRow,
                                                 std::size_t endRow, int piece, LogParseState& state,
                                                 const std::function<void()>& afterChunk) const {
    // A problem stops the pieces behind this one.
    const auto found = [&](LogRowProblem problem) {
        int first = state.firstBadPiece.load();
        while (piece < first && !state.firstBadPiece.compare_exchange_weak(first, piece)) {
        }
        return problem;
    };
    const auto lineOf = [](std::size_t row) {
        return static_cast<qint64>(row) + linesBeforeRows + 1;
    };
    const auto changed = [&](std::size_t row) {
        return found({lineOf(row), CaptureLogText::tr("the file changed while it was read")});
    };
    std::vector<char> buffer(static_cast<std::size_t>(std::min(LogFile::chunkSize, std::max<qint64>(end - begin, 1))));
    std::size_t row = firstRow;
    std::size_t carry = 0; // bytes of an unfinished line at the buffer's start
    std::size_t noValues = 0;
    // Counted into the state once, however the piece ends.
    struct Count {
        std::atomic<std::size_t>& total;
        std::size_t& mine;
        ~Count() { total.fetch_add(mine, std::memory_order_relaxed); }
    } count{state.noValues, noValues};
    try {
        for (qint64 at = begin; at < end;) {
            if (state.cancelled.load(std::memory_order_relaxed) ||
                state.firstBadPiece.load(std::memory_order_relaxed) < piece)
                return std::nullopt;
            const qint64 want = std::min<qint64>(static_cast<qint64>(buffer.size() - carry), end - at);
            const qint64 got = file.readInto(buffer.data() + carry, at, want);
            if (got < want)
                return changed(row);
            at += got;
            const char* p = buffer.data();
            const char* const last = p + carry + got;
            while (const auto* feed =
                       static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(last - p)))) {
                const char* lineEnd = feed != p && feed[-1] == '\r' ? feed - 1 : feed;
                if (row >= endRow)
                    return changed(row);
                std::size_t column = 0;
                if (!parseRow(p, lineEnd, row, column, noValues))
                    return found(problemOf(p, lineEnd, row, column));
                ++row;
                p = feed + 1;
            }
            carry = static_cast<std::size_t>(last - p);
            if (carry == buffer.size())
                return found({lineOf(row), CaptureLogText::tr("the row is longer than any row of a capture log")});
            std::memmove(buffer.data(), p, carry);
            state.bytesDone.fetch_add(got, std::memory_order_relaxed);
            if (afterChunk)
                afterChunk();
        }
    } catch (const KivraTolm::CaptureLogError& error) {
        return found({0, error.message(), error.reason()});
    }
    if (carry != 0 || row != endRow)
        return changed(row);
    return std::nullopt;
}
