#pragma once

#include "CalibrationData.h"
#include "CalibrationFileLoad.h"

#include <QFile>

#include <fstream>
#include <string>

#include <sys/stat.h>

// Stands for a network share that does not answer: while it lives, every
// calibration read waits on a named pipe beside the file until release()
// opens the pipe for writing.
class StalledCalibrationLoad {
public:
    explicit StalledCalibrationLoad(const QString& path)
        : pipe(path + QStringLiteral(".stall"))
        , made(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0) {
        CalibrationFileLoad::setReadFunction(read);
    }
    ~StalledCalibrationLoad() { CalibrationFileLoad::setReadFunction(nullptr); }
    StalledCalibrationLoad(const StalledCalibrationLoad&) = delete;
    StalledCalibrationLoad& operator=(const StalledCalibrationLoad&) = delete;

    bool isReady() const { return made; }
    // Lets the waiting read go on.
    bool release() const {
        QFile writer(pipe);
        return writer.open(QIODevice::WriteOnly);
    }

private:
    static void read(CalibrationData& calibration, const std::string& path, std::string* bytes) {
        { std::ifstream(path + ".stall"); }
        calibration.load(path, bytes);
    }

    QString pipe;
    bool made;
};
