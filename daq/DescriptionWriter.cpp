#include "DescriptionWriter.h"

#include "AtomicFile.h"

#include <QFile>

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
// The old stays whole until a complete new one replaces it.
QString replaceFile(const QString& fileName, const QByteArray& text) {
    try {
        AtomicFile::write(QFile::encodeName(fileName).toStdString(), text.toStdString());
        return {};
    } catch (const xml_error& e) {
        return QString::fromLocal8Bit(e.reason().c_str());
    }
}

} // namespace

DescriptionWriter::DescriptionWriter()
    : thread(&DescriptionWriter::run, this) {}

DescriptionWriter::~DescriptionWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        quit = true;
    }
    wake.notify_all();
    thread.join();
}

void DescriptionWriter::post(Job job) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        waiting = std::move(job);
        hasWaiting = true;
    }
    wake.notify_all();
}

void DescriptionWriter::wait() {
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait(lock, [this] { return !hasWaiting && !busy; });
}

QString DescriptionWriter::error() const {
    std::lock_guard<std::mutex> lock(mutex);
    return errorMessage;
}

void DescriptionWriter::run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return hasWaiting || quit; });
        if (!hasWaiting)
            return;
        const Job job = std::move(waiting);
        hasWaiting = false;
        busy = true;
        lock.unlock();
        // The rows first, then the description that counts them.
        if (!job.logFile.isEmpty())
            syncData(job.logFile);
        const QString error = replaceFile(job.descriptionFile, job.text);
        lock.lock();
        errorMessage = error;
        busy = false;
        wake.notify_all();
    }
}
