#include "EventWriter.h"

#include <QDateTime>

#include <cerrno>

#include <unistd.h>

void EventWriter::write(const CaptureEvent& event) {
    write(event, QDateTime::currentMSecsSinceEpoch());
}

void EventWriter::write(const CaptureEvent& event, qint64 time) {
    if (fd < 0)
        return;
    const QByteArray text = event.line(time) + '\n';
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
