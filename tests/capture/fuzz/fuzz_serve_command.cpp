// libFuzzer target over the command reader of a served bench, as the bench
// reads what arrives on its command topic.
//
// Checks beyond "no crash": a command is refused exactly when it has a code;
// one without a readable id is refused; a capture that may run writes into
// the served folder only (also its calibration), never to standard output;
// the reply is one JSON object with the command's id.

#include "CaptureOptions.h"
#include "ServeCommand.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// A served folder with a link that leads out of it.
const CaptureOptions& served() {
    static const CaptureOptions options = [] {
        const QString top = QStringLiteral("/dev/shm/kivra-fuzz-%1-serve").arg(::getpid());
        QDir().mkpath(top + QStringLiteral("/served/sub"));
        QFile::link(top, top + QStringLiteral("/served/up"));
        const CaptureOptionsResult parsed = parseCaptureOptions(
            {QStringLiteral("kivratolm-capture"), QStringLiteral("use=usb/-"), QStringLiteral("--mqtt"),
             QStringLiteral("h"), QStringLiteral("--serve"), top + QStringLiteral("/served")});
        if (!parsed.error.isEmpty())
            fail("the served options are refused");
        return parsed.options;
    }();
    return options;
}

bool inside(const QString& path) {
    return path.startsWith(served().serveDir + QLatin1Char('/'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray payload(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const ServeCommand command = parseServeCommand(payload, served());
    if (command.isRefused() != (command.code != 0))
        fail("a refusal without a code, or a code without a refusal");
    if (!command.id.isNull() && !command.id.isString() && !command.id.isDouble())
        fail("an id that is neither a string nor a number");
    if (command.id.isNull() && !command.isRefused())
        fail("a command without an id runs");
    if (!command.isRefused() && command.kind == ServeCommand::Kind::Capture) {
        const CaptureOptions& o = command.options;
        if (o.toStandardOutput() || !inside(o.output))
            fail("a log outside the served folder");
        if (!o.calibrationFile.isEmpty() && !inside(o.calibrationFile))
            fail("a calibration outside the served folder");
    }
    const QJsonDocument reply = QJsonDocument::fromJson(serveReply(command.id, command.code, command.error));
    if (!reply.isObject() || reply.object().value(QStringLiteral("id")) != command.id)
        fail("the reply does not carry the id");
    return 0;
}
