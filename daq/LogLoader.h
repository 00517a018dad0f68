#pragma once

#include "CaptureLogReader.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QTimer;

// Reads a capture log on a thread of its own, so that the window's ticks,
// and with them acquisition and a running capture, go on meanwhile. The GUI
// reads the progress when it likes and learns of the end through finished().
//
// A read can hang in the system (a stalled network share); the thread is
// then left behind: it owns everything it touches (the Job), never waits for
// the loader nor the loader for it, and keeps neither a later loader nor the
// end of the process from going on.
class LogLoader : public QObject {
    Q_OBJECT

public:
    using Reader = std::function<std::optional<KivraTolm::CaptureLogContent>(
        const QString& path, const std::function<bool(qint64, qint64)>& progress)>;

    // `read` reads the log on the thread; readCaptureLog unless given.
    explicit LogLoader(const QString& path, QObject* parent = nullptr, Reader read = {});
    // Cancels; never waits for the thread.
    ~LogLoader() override;

    void start();
    void cancel();
    // Per mille of the file read so far.
    int progress() const;

    // After finished(): the log, or nothing with an error (none when
    // cancelled).
    std::shared_ptr<KivraTolm::CaptureLogContent> takeLog();
    std::optional<KivraTolm::CaptureLogError> error() const;

signals:
    void finished();

private:
    // Shared by the loader and its thread; the last one to let go frees it.
    struct Job {
        QString path;
        Reader read;
        std::atomic<bool> cancelled{false};
        std::atomic<int> perMille{0};
        std::atomic<bool> done{false};
        std::mutex mutex; // guards log and failure
        std::shared_ptr<KivraTolm::CaptureLogContent> log;
        std::optional<KivraTolm::CaptureLogError> failure;
    };
    static void run(const std::shared_ptr<Job>& job);

    std::shared_ptr<Job> job;
    QTimer* poll = nullptr;
};
