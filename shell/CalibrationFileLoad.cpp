#include "CalibrationFileLoad.h"

#include <QFile>
#include <QThread>

#include <atomic>
#include <utility>

namespace {

void loadFile(CalibrationData& calibration, const std::string& path, std::string* bytes) {
    calibration.load(path, bytes);
}

std::atomic<CalibrationFileLoad::ReadFunction> readFunction{loadFile};

void readInto(CalibrationFileLoad::Result& result, CalibrationFileLoad::ReadFunction function) {
    try {
        function(result.calibration, QFile::encodeName(result.path).toStdString(), &result.bytes);
    } catch (...) {
        result.error = std::current_exception();
    }
}

} // namespace

CalibrationFileLoad::CalibrationFileLoad(QObject* parent)
    : QObject(parent) {}

void CalibrationFileLoad::setReadFunction(ReadFunction function) {
    readFunction = function ? function : loadFile;
}

CalibrationFileLoad::Result CalibrationFileLoad::read(const QString& path) {
    Result loaded;
    loaded.path = path;
    readInto(loaded, readFunction.load());
    return loaded;
}

bool CalibrationFileLoad::start(const QString& path) {
    if (pending)
        return false;
    pending = true;
    auto shared = std::make_shared<Result>();
    shared->path = path;
    result = shared;
    // The thread owns its state; without a parent it outlives this object
    // when the read never returns, and deletes itself when it does.
    QThread* thread = QThread::create([shared, function = readFunction.load()] { readInto(*shared, function); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, shared] {
        // Only the newest read counts (there is never another one pending).
        if (shared != result)
            return;
        pending = false;
        emit finished();
    });
    thread->start();
    return true;
}

CalibrationFileLoad::Result CalibrationFileLoad::takeResult() {
    Result taken = result ? std::move(*result) : Result();
    result.reset();
    return taken;
}
