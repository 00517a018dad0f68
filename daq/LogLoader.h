#pragma once

#include "CaptureLogReader.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

// Reads a capture log on a thread of its own, so that the window's ticks,
// and with them acquisition and a running capture, go on meanwhile. The GUI
// reads the progress when it likes and learns of the end through finished().
class LogLoader : public QObject {
    Q_OBJECT

public:
    explicit LogLoader(const QString& path, QObject* parent = nullptr);
    // Cancels and waits for the thread.
    ~LogLoader() override;

    void start();
    void cancel() { cancelled = true; }
    // Per mille of the file read so far.
    int progress() const { return perMille.load(); }

    // After finished(): the log, or nothing with an error message (empty
    // when cancelled).
    std::shared_ptr<KivraTolm::CaptureLogContent> takeLog();
    QString error() const;

signals:
    void finished();

private:
    void run();

    QString path;
    std::thread thread;
    std::atomic<bool> cancelled{false};
    std::atomic<int> perMille{0};
    mutable std::mutex mutex; // guards log and message
    std::shared_ptr<KivraTolm::CaptureLogContent> log;
    QString message;
};
