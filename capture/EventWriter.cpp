#include "EventWriter.h"

#include <QDateTime>
#include <QJsonDocument>

#include <cerrno>

#include <unistd.h>

QByteArray EventWriter::line(const QString& event, qint64 time, QJsonObject fields) {
    fields.insert(QStringLiteral("event"), event);
    fields.insert(QStringLiteral("time"), time);
    return QJsonDocument(fields).toJson(QJsonDocument::Compact);
}

void EventWriter::write(const QString& event, QJsonObject fields) {
    write(event, QDateTime::currentMSecsSinceEpoch(), std::move(fields));
}

void EventWriter::write(const QString& event, qint64 time, QJsonObject fields) {
    if (fd < 0)
        return;
    const QByteArray text = line(event, time, std::move(fields)) + '\n';
    qint64 done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, static_cast<std::size_t>(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fd = -1;
            return;
        }
        done += n;
    }
}
