#include "CaptureEvents.h"

#include "CaptureDescription.h"
#include "CaptureSession.h"

#include <QJsonDocument>

CaptureEvent CaptureEvent::armed() {
    return {QStringLiteral("armed"), {}};
}

CaptureEvent CaptureEvent::triggered(const QString& reason, std::uint64_t triggerTime) {
    return {QStringLiteral("triggered"),
            {{QStringLiteral("reason"), reason}, {QStringLiteral("trigger_time"), static_cast<qint64>(triggerTime)}}};
}

CaptureEvent CaptureEvent::progress(int rows) {
    return {QStringLiteral("progress"), {{QStringLiteral("rows"), rows}}};
}

CaptureEvent CaptureEvent::writeError(const QString& message, int rowsWaiting) {
    return {QStringLiteral("write_error"),
            {{QStringLiteral("message"), message}, {QStringLiteral("rows_waiting"), rowsWaiting}}};
}

CaptureEvent CaptureEvent::descriptionError(const QString& file, const QString& message) {
    return {QStringLiteral("description_error"),
            {{QStringLiteral("file"), file}, {QStringLiteral("message"), message}}};
}

CaptureEvent CaptureEvent::gap(const CaptureGap& gap) {
    return {QStringLiteral("gap"),
            {{QStringLiteral("last_before"), static_cast<qint64>(gap.lastBefore)},
             {QStringLiteral("first_after"), static_cast<qint64>(gap.firstAfter)},
             {QStringLiteral("missing_ms"), static_cast<qint64>(gap.missingMs)}}};
}

CaptureEvent CaptureEvent::error(const QString& message) {
    return {QStringLiteral("error"), {{QStringLiteral("message"), message}}};
}

CaptureEvent CaptureEvent::done(int rows, int gaps, const QString& file, CaptureEnd end) {
    return {QStringLiteral("done"),
            {{QStringLiteral("rows"), rows},
             {QStringLiteral("gaps"), gaps},
             {QStringLiteral("file"), file},
             {QStringLiteral("end"), captureEndName(end)}}};
}

QByteArray CaptureEvent::line(qint64 time) const {
    QJsonObject object = fields;
    object.insert(QStringLiteral("event"), name);
    object.insert(QStringLiteral("time"), time);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray CaptureEvent::publishedLine(qint64 time, const QJsonValue& command) const {
    CaptureEvent published = *this;
    published.fields.insert(QStringLiteral("command"), command);
    return published.line(time);
}
