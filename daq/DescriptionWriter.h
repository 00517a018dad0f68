#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

// Puts a log's data on the disk and then replaces its description, on a
// thread of its own: on a real disk a data sync can take longer than the
// 20 ms display tick. Jobs run in order; one posted while another waits
// replaces it, since only the newest description matters.
class DescriptionWriter {
public:
    struct Job {
        QString logFile; // synced first when not empty
        QString descriptionFile;
        QByteArray text;
    };

    DescriptionWriter();
    // Finishes the job in hand and a waiting one, then joins.
    ~DescriptionWriter();
    DescriptionWriter(const DescriptionWriter&) = delete;
    DescriptionWriter& operator=(const DescriptionWriter&) = delete;

    void post(Job job);
    // Returns once every posted job is done.
    void wait();
    // Why the last description could not be written; empty when it was.
    QString error() const;

private:
    void run();

    mutable std::mutex mutex;
    std::condition_variable wake;
    Job waiting;
    bool hasWaiting = false;
    bool busy = false;
    bool quit = false;
    QString errorMessage;
    std::thread thread;
};
