#include "BenchStatus.h"

#include <QJsonDocument>
#include <QJsonObject>

bool BenchStatus::sameApartFromCounters(const BenchStatus& other) const {
    return program == other.program && version == other.version && state == other.state &&
           board.bus == other.board.bus && board.address == other.board.address &&
           board.identifier == other.board.identifier && board.details == other.board.details &&
           board.emulated == other.board.emulated && rate == other.rate && calibrationPath == other.calibrationPath &&
           calibrationSha256 == other.calibrationSha256 && unit == other.unit && capturing == other.capturing &&
           captureFile == other.captureFile;
}

QByteArray BenchStatus::json(std::int64_t now) const {
    const QJsonObject boardObject{{QStringLiteral("bus"), QString::fromStdString(board.bus)},
                                  {QStringLiteral("address"), QString::fromStdString(board.address)},
                                  {QStringLiteral("identifier"), QString::fromStdString(board.identifier)},
                                  {QStringLiteral("details"), QString::fromStdString(board.details)},
                                  {QStringLiteral("emulated"), board.emulated}};
    const QJsonObject calibration{{QStringLiteral("path"), calibrationPath},
                                  {QStringLiteral("sha256"), QString::fromLatin1(calibrationSha256)},
                                  {QStringLiteral("unit"), unit}};
    QJsonObject object{{QStringLiteral("program"), program},
                       {QStringLiteral("version"), version},
                       {QStringLiteral("state"), state},
                       {QStringLiteral("board"), boardObject},
                       {QStringLiteral("rate"), rate},
                       {QStringLiteral("calibration"), calibration},
                       {QStringLiteral("live_dropped"), static_cast<double>(liveDropped)},
                       {QStringLiteral("time"), static_cast<double>(now)}};
    if (capturing)
        object.insert(QStringLiteral("capture"),
                      QJsonObject{{QStringLiteral("file"), captureFile}, {QStringLiteral("rows"), captureRows}});
    else
        object.insert(QStringLiteral("capture"), QJsonValue::Null);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
