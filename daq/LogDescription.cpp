#include "LogDescription.h"

#include "CaptureDescription.h"
#include "CaptureLogText.h"
#include "LogFile.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString textOf(const QJsonValue& value) {
    return CaptureLogText::quoted(value.toString());
}

std::optional<qint64> wholeOf(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    return static_cast<qint64>(value.toDouble());
}

void takeFields(const QJsonObject& json, LogDescription& description) {
    const QJsonObject board = json.value(QStringLiteral("board")).toObject();
    QStringList boardParts;
    for (const char* key : {"bus", "address", "identifier"}) {
        const QString part = textOf(board.value(QLatin1String(key)));
        if (!part.isEmpty())
            boardParts << part;
    }
    description.board = boardParts.join(QLatin1Char(' '));
    description.emulated = board.value(QStringLiteral("emulated")).toBool();
    const QJsonObject calibration = json.value(QStringLiteral("calibration")).toObject();
    description.calibration = textOf(calibration.value(QStringLiteral("path")));
    description.calibrationPath = calibration.value(QStringLiteral("path")).toString();
    description.calibrationSha256 = calibration.value(QStringLiteral("sha256")).toString().toLatin1();
    description.unit = textOf(calibration.value(QStringLiteral("unit")));
    description.reason = textOf(json.value(QStringLiteral("reason")));
    description.triggered = textOf(json.value(QStringLiteral("triggered")).toObject().value(QStringLiteral("iso")));
    description.rows = wholeOf(json.value(QStringLiteral("rows")));
    description.preTriggerRows =
        wholeOf(json.value(QStringLiteral("settings")).toObject().value(QStringLiteral("pre_trigger_rows")));
    if (!description.preTriggerRows)
        description.preTriggerRows = wholeOf(json.value(QStringLiteral("pre_trigger_rows")));
    const QJsonArray gaps = json.value(QStringLiteral("gaps")).toArray();
    description.gaps = static_cast<int>(gaps.size());
    for (const QJsonValue& gap : gaps)
        description.missingMs += wholeOf(gap.toObject().value(QStringLiteral("missing_ms"))).value_or(0);
}

} // namespace

LogDescription readLogDescription(const QString& logPath) {
    LogDescription description;
    const QString path = descriptionFileName(logPath);
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 && errno == ENOENT)
        return description;
    QString reason;
    const int fd = openRegularFile(path, reason);
    if (fd < 0) {
        description.state = LogDescription::State::Unreadable;
        description.problem = reason;
        return description;
    }
    QByteArray bytes;
    if (::fstat(fd, &status) == 0) {
        description.size = status.st_size;
        // Read one byte more than allowed: a file that grew since is caught too.
        if (description.size <= LogDescription::sizeLimit) {
            bytes.resize(static_cast<int>(LogDescription::sizeLimit + 1));
            qint64 done = 0;
            while (done < bytes.size()) {
                const ssize_t got = ::read(fd, bytes.data() + done, static_cast<std::size_t>(bytes.size() - done));
                if (got < 0 && errno == EINTR)
                    continue;
                if (got < 0) {
                    description.state = LogDescription::State::Unreadable;
                    description.problem = QString::fromLocal8Bit(std::strerror(errno));
                    break;
                }
                if (got == 0)
                    break;
                done += got;
            }
            bytes.resize(static_cast<int>(done));
            description.size = done;
        }
    }
    ::close(fd);
    if (description.state == LogDescription::State::Unreadable)
        return description;
    if (description.size > LogDescription::sizeLimit) {
        description.state = LogDescription::State::TooLarge;
        return description;
    }
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (!json.isObject()) {
        description.state = LogDescription::State::NotJson;
        description.problem = error.error != QJsonParseError::NoError
                                  ? CaptureLogText::tr("%1 at byte %2").arg(error.errorString()).arg(error.offset)
                                  : CaptureLogText::tr("no JSON object");
        return description;
    }
    description.state = LogDescription::State::Read;
    takeFields(json.object(), description);
    return description;
}
