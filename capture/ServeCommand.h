#pragma once

#include "CaptureOptions.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// One command to a served bench (--serve), read from an MQTT message that
// anybody on the broker may have sent: bounded, checked field by field, and
// its capture options read by the command line's own parser.
struct ServeCommand {
    enum class Kind { Capture, Force, Stop, Status };

    QJsonValue id; // a string or a number; null when the message had none that is readable
    Kind kind = Kind::Status;
    CaptureOptions options; // for Capture: the served options with the command's args
    QString error;          // why the command is refused; empty: it may run
    int code = 0;           // the exit code the command line gives for `error`

    bool isRefused() const { return !error.isEmpty(); }
};

constexpr int mostCommandBytes = 16384;
constexpr int mostIdBytes = 256;

// Reads `payload`; `served` are the options the bench was started with.
ServeCommand parseServeCommand(const QByteArray& payload, const CaptureOptions& served);

// `path` (relative to `dir` or absolute) with every link followed; empty when
// it leads out of `dir` or through a link that leads nowhere.
QString pathInside(const QString& dir, const QString& path);

// The one reply to a command: "id", "ok" and, when not ok, "code" and
// "message"; `fields` adds what the command returns.
QByteArray serveReply(const QJsonValue& id, int code, const QString& message, QJsonObject fields = {});
