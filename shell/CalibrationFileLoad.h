#pragma once

#include "CalibrationData.h"

#include <QObject>
#include <QString>

#include <exception>
#include <memory>
#include <string>

// Reads calibration files for a window on a thread of its own, one at a
// time. A file that does not answer (a stalled network share) leaves the
// window responsive and its Exit free: the thread then waits on its own,
// holding nothing of the window, until the read returns or the process ends.
class CalibrationFileLoad : public QObject {
    Q_OBJECT

public:
    struct Result {
        QString path;
        CalibrationData calibration;
        std::string bytes;        // the file as it was read
        std::exception_ptr error; // set when the file failed to load
    };

    explicit CalibrationFileLoad(QObject* parent = nullptr);

    // The same read on the calling thread (for start-up, where nothing else
    // is to be done yet).
    static Result read(const QString& path);

    // Starts reading path; refused (false) while a read is pending.
    bool start(const QString& path);
    bool isPending() const { return pending; }
    // After finished(): what the read gave.
    Result takeResult();

    // Test seam: runs in place of CalibrationData::load, on the reading
    // thread. nullptr restores the load.
    using ReadFunction = void (*)(CalibrationData& calibration, const std::string& path, std::string* bytes);
    static void setReadFunction(ReadFunction function);

signals:
    void finished();

private:
    bool pending = false;
    std::shared_ptr<Result> result;
};
