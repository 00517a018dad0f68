#include "LogLoader.h"

#include <QMetaObject>

#include <exception>

LogLoader::LogLoader(const QString& path, QObject* parent)
    : QObject(parent)
    , path(path) {}

LogLoader::~LogLoader() {
    cancelled = true;
    if (thread.joinable())
        thread.join();
}

void LogLoader::start() {
    thread = std::thread([this] { run(); });
}

void LogLoader::run() {
    std::shared_ptr<KivraTolm::CaptureLogContent> result;
    QString failure;
    try {
        std::optional<KivraTolm::CaptureLogContent> content =
            KivraTolm::readCaptureLog(path, [this](qint64 done, qint64 total) {
                if (total > 0)
                    perMille = static_cast<int>(done * 1000 / total);
                return !cancelled.load();
            });
        if (content)
            result = std::make_shared<KivraTolm::CaptureLogContent>(std::move(*content));
    } catch (const std::exception& e) {
        failure = QString::fromStdString(e.what());
    }
    {
        const std::lock_guard<std::mutex> lock(mutex);
        log = std::move(result);
        message = failure;
    }
    // Runs on the GUI thread; dropped when the loader is gone by then.
    QMetaObject::invokeMethod(
        this, [this] { emit finished(); }, Qt::QueuedConnection);
}

std::shared_ptr<KivraTolm::CaptureLogContent> LogLoader::takeLog() {
    if (thread.joinable())
        thread.join();
    const std::lock_guard<std::mutex> lock(mutex);
    return std::move(log);
}

QString LogLoader::error() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return message;
}
