#include "LogLoader.h"

#include <QTimer>

#include <exception>
#include <thread>

namespace {

// How often the GUI looks whether the thread is done.
constexpr int pollMs = 20;

} // namespace

LogLoader::LogLoader(const QString& path, QObject* parent, Reader read)
    : QObject(parent)
    , job(std::make_shared<Job>()) {
    job->path = path;
    job->read = read ? std::move(read) : Reader(&KivraTolm::readCaptureLog);
    poll = new QTimer(this);
    poll->setInterval(pollMs);
    connect(poll, &QTimer::timeout, this, [this] {
        if (job->done.load()) {
            poll->stop();
            emit finished();
        }
    });
}

LogLoader::~LogLoader() {
    job->cancelled = true;
}

void LogLoader::start() {
    std::thread([job = job] { run(job); }).detach();
    poll->start();
}

void LogLoader::cancel() {
    job->cancelled = true;
}

int LogLoader::progress() const {
    return job->perMille.load();
}

void LogLoader::run(const std::shared_ptr<Job>& job) {
    std::shared_ptr<KivraTolm::CaptureLogContent> result;
    std::optional<KivraTolm::CaptureLogError> failure;
    try {
        std::optional<KivraTolm::CaptureLogContent> content = job->read(job->path, [&job](qint64 done, qint64 total) {
            if (total > 0)
                job->perMille = static_cast<int>(done * 1000 / total);
            return !job->cancelled.load();
        });
        if (content && !job->cancelled.load())
            result = std::make_shared<KivraTolm::CaptureLogContent>(std::move(*content));
    } catch (const KivraTolm::CaptureLogError& e) {
        failure = e;
    } catch (const std::exception& e) {
        failure = KivraTolm::CaptureLogError(QString::fromUtf8(e.what()), job->path, 0);
    }
    {
        const std::lock_guard<std::mutex> lock(job->mutex);
        job->log = std::move(result);
        job->failure = std::move(failure);
    }
    job->done = true;
}

std::shared_ptr<KivraTolm::CaptureLogContent> LogLoader::takeLog() {
    const std::lock_guard<std::mutex> lock(job->mutex);
    return std::move(job->log);
}

std::optional<KivraTolm::CaptureLogError> LogLoader::error() const {
    const std::lock_guard<std::mutex> lock(job->mutex);
    return job->failure;
}
