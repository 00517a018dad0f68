#include "ServeCommand.h"

#include "ExitCode.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <utility>

namespace {

constexpr int mostArguments = 64;

const QString takes = QStringLiteral(
    "a served capture takes --pre, --samples, --time, --trigger, --timeout, --log, --sensors, -o and cfg=");

QJsonValue readableId(const QJsonValue& id) {
    if (id.isDouble())
        return id;
    if (id.isString() && !id.toString().isEmpty() && id.toString().toUtf8().size() <= mostIdBytes)
        return id;
    return QJsonValue::Null;
}

std::optional<ServeCommand::Kind> kindNamed(const QString& name) {
    if (name == QLatin1String("capture"))
        return ServeCommand::Kind::Capture;
    if (name == QLatin1String("force"))
        return ServeCommand::Kind::Force;
    if (name == QLatin1String("stop"))
        return ServeCommand::Kind::Stop;
    if (name == QLatin1String("status"))
        return ServeCommand::Kind::Status;
    return std::nullopt;
}

// Only the options of one capture: the board, its timing and the reports
// belong to the bench. Says which argument is not one of them; what the
// command line does not know at all its own parser refuses.
QString foreignArgument(const QStringList& args, bool& calibrationGiven) {
    static const QSet<QString> valued = {
        QStringLiteral("pre"),     QStringLiteral("samples"), QStringLiteral("time"),
        QStringLiteral("trigger"), QStringLiteral("timeout"), QStringLiteral("log"),
        QStringLiteral("sensors"), QStringLiteral("o"),       QStringLiteral("output")};
    static const QSet<QString> bench = {QStringLiteral("rate"),
                                        QStringLiteral("interval"),
                                        QStringLiteral("overwrite"),
                                        QStringLiteral("events"),
                                        QStringLiteral("q"),
                                        QStringLiteral("quiet"),
                                        QStringLiteral("reconnect"),
                                        QStringLiteral("mqtt"),
                                        QStringLiteral("mqtt-prefix"),
                                        QStringLiteral("mqtt-user"),
                                        QStringLiteral("mqtt-password-file"),
                                        QStringLiteral("mqtt-ca"),
                                        QStringLiteral("mqtt-client-id"),
                                        QStringLiteral("mqtt-live"),
                                        QStringLiteral("serve"),
                                        QStringLiteral("list"),
                                        QStringLiteral("h"),
                                        QStringLiteral("help"),
                                        QStringLiteral("version")};
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg.startsWith(QLatin1String("cfg=")))
            calibrationGiven = true;
        if (arg.startsWith(QLatin1String("use=")))
            return QStringLiteral("'%1' is not for a served capture: %2").arg(arg, takes);
        if (!arg.startsWith(QLatin1Char('-')) || arg.size() < 2)
            continue;
        const bool isLong = arg.startsWith(QLatin1String("--"));
        const QString name = isLong ? arg.mid(2).section(QLatin1Char('='), 0, 0) : arg.mid(1, 1);
        if (bench.contains(name))
            return QStringLiteral("'%1' is not for a served capture: %2").arg(arg, takes);
        const bool valueAttached = isLong ? arg.contains(QLatin1Char('=')) : arg.size() > 2;
        if (valued.contains(name) && !valueAttached)
            ++i;
    }
    return {};
}

// The command line the bench would run for `args`.
QStringList commandLine(const CaptureOptions& served, const QStringList& args) {
    QStringList line = {QStringLiteral("kivratolm-capture"),
                        QStringLiteral("use=%1/%2").arg(served.bus, served.address)};
    if (served.interval > 0)
        line << QStringLiteral("--interval") << QString::number(served.interval);
    else
        line << QStringLiteral("--rate") << QString::number(served.rate, 'g', 17);
    if (!served.calibrationFile.isEmpty())
        line << QStringLiteral("cfg=") + served.calibrationFile;
    return line + args;
}

void refuse(ServeCommand& command, int code, const QString& message) {
    command.code = code;
    command.error = message;
}

void readCapture(ServeCommand& command, const QJsonObject& object, const CaptureOptions& served) {
    const QJsonValue args = object.value(QStringLiteral("args"));
    QStringList list;
    if (!args.isUndefined()) {
        const QJsonArray array = args.toArray();
        bool strings = args.isArray() && array.size() <= mostArguments;
        for (const QJsonValue& arg : array) {
            strings = strings && arg.isString();
            list << arg.toString();
        }
        if (!strings)
            return refuse(command, ExitUsage,
                          QStringLiteral("\"args\" is a list of at most %1 strings, such as [\"-o\", \"run.csv\"]")
                              .arg(mostArguments));
    }
    bool calibrationGiven = false;
    const QString foreign = foreignArgument(list, calibrationGiven);
    if (!foreign.isEmpty())
        return refuse(command, ExitUsage, foreign);
    CaptureOptionsResult parsed = parseCaptureOptions(commandLine(served, list));
    if (!parsed.error.isEmpty())
        return refuse(command, ExitUsage, parsed.error);
    CaptureOptions& o = parsed.options;
    if (o.toStandardOutput())
        return refuse(command, ExitUsage,
                      QStringLiteral("-o - is not for a served capture: give a file inside the served folder"));
    const QString output = o.output;
    // The folder is checked as given: a placeholder in it could lead, once
    // filled in, through a link out of the served folder.
    const QString folder = output.left(output.lastIndexOf(QLatin1Char('/')) + 1);
    if (folder.contains(QLatin1Char('{')) || folder.contains(QLatin1Char('}')))
        return refuse(command, ExitUsage,
                      QStringLiteral("-o %1: a served capture takes placeholders in the file's name only").arg(output));
    o.output = pathInside(served.serveDir, output);
    if (o.output.isEmpty())
        return refuse(command, ExitUsage, QStringLiteral("-o %1 leads out of the served folder").arg(output));
    if (calibrationGiven && !o.calibrationFile.isEmpty()) {
        const QString given = o.calibrationFile;
        o.calibrationFile = pathInside(served.serveDir, given);
        if (o.calibrationFile.isEmpty())
            return refuse(command, ExitUsage, QStringLiteral("cfg=%1 leads out of the served folder").arg(given));
    }
    // The bench's own: how it reports and reaches the broker.
    o.events = served.events;
    o.quiet = served.quiet;
    o.reconnect = served.reconnect;
    o.mqtt = served.mqtt;
    o.serveDir = served.serveDir;
    command.options = std::move(o);
}

} // namespace

ServeCommand parseServeCommand(const QByteArray& payload, const CaptureOptions& served) {
    ServeCommand command;
    command.id = QJsonValue::Null;
    if (payload.size() > mostCommandBytes) {
        refuse(command, ExitUsage, QStringLiteral("a command has at most %1 bytes").arg(mostCommandBytes));
        return command;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(payload, &parseError);
    if (!document.isObject()) {
        refuse(command, ExitUsage,
               QStringLiteral("a command is a JSON object such as {\"id\": \"1\", \"command\": \"status\"}%1")
                   .arg(parseError.error == QJsonParseError::NoError
                            ? QString()
                            : QStringLiteral(": ") + parseError.errorString()));
        return command;
    }
    const QJsonObject object = document.object();
    command.id = readableId(object.value(QStringLiteral("id")));
    if (command.id.isNull()) {
        refuse(command, ExitUsage,
               QStringLiteral("a command needs an \"id\": a number or a string of 1 to %1 bytes").arg(mostIdBytes));
        return command;
    }
    const QJsonValue name = object.value(QStringLiteral("command"));
    const std::optional<ServeCommand::Kind> kind = kindNamed(name.toString());
    if (!kind) {
        const QString what = name.isString() ? QStringLiteral("unknown command '%1'").arg(name.toString().left(80))
                                             : QStringLiteral("\"command\" is missing or not a string");
        refuse(command, ExitUsage, what + QStringLiteral(": the commands are capture, force, stop and status"));
        return command;
    }
    command.kind = *kind;
    if (command.kind == ServeCommand::Kind::Capture)
        readCapture(command, object, served);
    else if (object.contains(QStringLiteral("args")))
        refuse(command, ExitUsage, QStringLiteral("only capture takes \"args\""));
    return command;
}

QString pathInside(const QString& dir, const QString& path) {
    const QString root = QFileInfo(dir).canonicalFilePath();
    if (root.isEmpty() || path.isEmpty() || path.contains(QChar(0)))
        return {};
    // Step by step, as the system resolves it: a link may lead anywhere and
    // ".." after a link goes up from where the link leads.
    const QString absolute = QDir::isAbsolutePath(path) ? path : root + QLatin1Char('/') + path;
    QString current = QStringLiteral("/");
    for (const QString& part : absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            current = QFileInfo(current).path();
            continue;
        }
        const QString next = current == QLatin1String("/") ? current + part : current + QLatin1Char('/') + part;
        const QFileInfo info(next);
        if (info.isSymLink()) {
            current = info.canonicalFilePath();
            if (current.isEmpty())
                return {};
        } else {
            current = next;
        }
    }
    return current.startsWith(root + QLatin1Char('/')) ? current : QString();
}

QByteArray serveReply(const QJsonValue& id, int code, const QString& message, QJsonObject fields) {
    fields.insert(QStringLiteral("id"), id);
    fields.insert(QStringLiteral("ok"), code == ExitCaptured && message.isEmpty());
    if (code != ExitCaptured || !message.isEmpty()) {
        fields.insert(QStringLiteral("code"), code);
        fields.insert(QStringLiteral("message"), message);
    }
    return QJsonDocument(fields).toJson(QJsonDocument::Compact);
}
