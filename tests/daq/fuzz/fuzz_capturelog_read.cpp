// libFuzzer target over the capture log reader, as the Trend tab's review
// uses it.
//
// Checks beyond "no crash": a refused file gives a message that names it and
// has no NUL in it; a file that reads gives columns of exactly its rows, no
// value that is infinite (no value is NaN, and counted), a first line whose
// time goes back that is one, and a tail no longer than the file.

#include "CaptureLogReader.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const QString& scratchPath() {
    static const QString path = QStringLiteral("/dev/shm/kivra-fuzz-%1-log.csv").arg(::getpid());
    return path;
}

void writeFile(const QString& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream file(QFile::encodeName(path).toStdString(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!file)
        std::abort();
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

void check(const KivraTolm::CaptureLogContent& log, std::size_t size) {
    const std::size_t rows = log.rowCount;
    if (!log.timestamps.empty() && log.timestamps.size() != rows)
        fail("time stamps and rows differ");
    if ((!log.counters.empty() && log.counters.size() != rows) || (!log.digital.empty() && log.digital.size() != rows))
        fail("a column and the rows differ");
    std::size_t noValues = 0;
    for (const std::vector<float>& column : log.values) {
        if (column.size() != rows)
            fail("a value column and the rows differ");
        for (const float value : column) {
            if (std::isinf(value))
                fail("an infinite value");
            noValues += std::isnan(value) ? 1 : 0;
        }
    }
    if (noValues != log.noValues)
        fail("fields without a value miscounted");
    if (log.timeGoesBack()) {
        const auto row = static_cast<std::size_t>(log.timeBackLine - 3);
        if (row == 0 || row >= rows || log.timestamps[row] >= log.timestamps[row - 1] ||
            !std::is_sorted(log.timestamps.begin(), log.timestamps.begin() + static_cast<std::ptrdiff_t>(row)))
            fail("the line whose time goes back is not the first");
    } else if (!std::is_sorted(log.timestamps.begin(), log.timestamps.end())) {
        fail("time going back not found");
    }
    if (log.tailBytes < 0 || static_cast<std::size_t>(log.tailBytes) > size ||
        (log.tailBytes > 0) != log.lastRowIncomplete())
        fail("the tail is wrong");
    if (log.description.state != LogDescription::State::Missing)
        fail("a description that is not there");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    writeFile(scratchPath(), data, size);
    try {
        const std::optional<KivraTolm::CaptureLogContent> log = KivraTolm::readCaptureLog(scratchPath());
        if (!log)
            fail("nothing read without being cancelled");
        check(*log, size);
    } catch (const KivraTolm::CaptureLogError& error) {
        const std::string message = error.what();
        if (message.empty() || error.path() != scratchPath() || error.line() < 0)
            fail("an error that names no file");
        // Quoted file content has its control characters escaped.
        if (std::any_of(message.begin(), message.end(), [](char c) { return c == '\0' || c == '\n'; }))
            fail("a control character in the message");
        if (error.message().indexOf(scratchPath()) < 0)
            fail("a message without the file's name");
    }
    return 0;
}
