#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>

struct CaptureGap;
enum class CaptureEnd;

// One event of a capture: its name and its own fields. The capture tool's
// --events and every bench on the network send the same objects, built here.
struct CaptureEvent {
    QString name;
    QJsonObject fields;

    static CaptureEvent armed();
    static CaptureEvent triggered(const QString& reason, std::uint64_t triggerTime);
    static CaptureEvent progress(int rows);
    static CaptureEvent writeError(const QString& message, int rowsWaiting);
    static CaptureEvent descriptionError(const QString& file, const QString& message);
    static CaptureEvent gap(const CaptureGap& gap);
    static CaptureEvent error(const QString& message);
    static CaptureEvent done(int rows, int gaps, const QString& file, CaptureEnd end);

    // Compact JSON with "event" and "time" (ms since 1970) added.
    QByteArray line(qint64 time) const;
    // The same as a bench publishes it: with the id of the "command" that
    // caused it, null for a capture of the bench's own.
    QByteArray publishedLine(qint64 time, const QJsonValue& command = QJsonValue::Null) const;
};
