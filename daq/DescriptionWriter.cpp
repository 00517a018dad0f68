#include "DescriptionWriter.h"

#include <QFile>
#include <QSaveFile>

#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

void syncData(const QString& fileName) {
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fdatasync(fd);
    ::close(fd);
}

// In one step: a temporary file, flushed to the disk, renamed over the old.
QString replaceFile(const QString& fileName, const QByteArray& text) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(text) != text.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    return file.commit() ? QString() : file.errorString();
}

} // namespace

DescriptionWriter::DescriptionWriter()
    : m_thread(&DescriptionWriter::run, this) {}

DescriptionWriter::~DescriptionWriter() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void DescriptionWriter::post(Job job) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting = std::move(job);
        m_hasWaiting = true;
    }
    m_wake.notify_all();
}

void DescriptionWriter::wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [this] { return !m_hasWaiting && !m_busy; });
}

QString DescriptionWriter::error() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

void DescriptionWriter::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_hasWaiting || m_quit; });
        if (!m_hasWaiting)
            return;
        const Job job = std::move(m_waiting);
        m_hasWaiting = false;
        m_busy = true;
        lock.unlock();
        // The rows first, then the description that counts them.
        if (!job.logFile.isEmpty())
            syncData(job.logFile);
        const QString error = replaceFile(job.descriptionFile, job.text);
        lock.lock();
        m_error = error;
        m_busy = false;
        m_wake.notify_all();
    }
}
