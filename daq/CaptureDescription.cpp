#include "CaptureDescription.h"

#include "CalibrationData.h"
#include "CsvFormat.h"
#include "SensorList.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <string>

namespace {

QJsonValue moment(std::uint64_t msSinceEpoch) {
    if (msSinceEpoch == 0)
        return QJsonValue::Null;
    // Local time with its offset, so the moment reads the same anywhere.
    QDateTime local = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(msSinceEpoch));
    local.setOffsetFromUtc(local.offsetFromUtc());
    return QJsonObject{{QStringLiteral("ms"), static_cast<double>(msSinceEpoch)},
                       {QStringLiteral("iso"), local.toString(Qt::ISODateWithMs)}};
}

QString sensorModeName(SensorMode mode) {
    switch (mode) {
    case SensorMode::EightSensor:
        return QStringLiteral("EightSensor");
    case SensorMode::All:
        return QStringLiteral("All");
    case SensorMode::Custom:
        return QStringLiteral("Custom");
    }
    return QString::number(static_cast<int>(mode));
}

QJsonValue describeCalibration(const CalibrationSource& source, const CalibrationData& calibration) {
    if (source.path.isEmpty())
        return QJsonValue::Null;
    QJsonArray sensitivities;
    for (int column = 0; column < 8; ++column)
        sensitivities.append(calibration.sensitivity(column));
    int withPoints = 0;
    for (int column = 0; column < 8; ++column)
        for (int row = 0; row < 8; ++row)
            withPoints += calibration.points(column, row).empty() ? 0 : 1;
    return QJsonObject{{QStringLiteral("path"), source.path},
                       {QStringLiteral("sha256"), QString::fromLatin1(source.sha256)},
                       {QStringLiteral("unit"), QString::fromStdString(calibration.unit())},
                       {QStringLiteral("sensor_mode"), sensorModeName(calibration.enableMode())},
                       {QStringLiteral("sensitivities"), sensitivities},
                       {QStringLiteral("sensors_with_points"), withPoints}};
}

QJsonArray sensorNames(const SensorMask& mask) {
    QJsonArray names;
    for (const SensorPosition& sensor : sensorsWhere(mask, true))
        names.append(QString::fromStdString(sensor.name()));
    return names;
}

QJsonObject describeSettings(const CaptureRecord& record) {
    const TriggerSettings& s = record.settings;
    const KivraTolm::AcquisitionSettings& acquisition = record.context.acquisition;
    QJsonArray levels;
    for (const SensorPosition& sensor : sensorsWhere(s.levelTrigger, true))
        levels.append(QJsonObject{{QStringLiteral("sensor"), QString::fromStdString(sensor.name())},
                                  {QStringLiteral("level"), static_cast<double>(s.level[sensor.index()])},
                                  // As the sensor's column in the log names it.
                                  {QStringLiteral("unit"), CsvFormat::columnUnit(s.unit[sensor.index()])}});
    QJsonArray analog;
    for (int i = 0; i < 4; ++i)
        if (s.logAnalog[i])
            analog.append(i);
    return QJsonObject{
        {QStringLiteral("rate_hz"),
         acquisition.isIntervalMode() ? QJsonValue(QJsonValue::Null) : QJsonValue(acquisition.frameRate)},
        {QStringLiteral("interval_s"),
         acquisition.isIntervalMode() ? QJsonValue(acquisition.interval) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("header_rate_hz"), s.sampleRate},
        {QStringLiteral("pre_trigger_frames"), s.preTriggerSamples},
        {QStringLiteral("pre_trigger_rows"), record.preTriggerRows},
        {QStringLiteral("capture_frames"), s.captureSamples > 0 ? QJsonValue(s.captureSamples) : QJsonValue::Null},
        {QStringLiteral("capture_time"),
         record.context.lengthAsTime.isEmpty() ? QJsonValue::Null : QJsonValue(record.context.lengthAsTime)},
        {QStringLiteral("triggers"),
         QJsonObject{{QStringLiteral("external"), s.externalTrigger}, {QStringLiteral("level"), levels}}},
        {QStringLiteral("columns"), QJsonObject{{QStringLiteral("timestamp"), s.logTimestamp},
                                                {QStringLiteral("analog"), analog},
                                                {QStringLiteral("digital"), s.logDigital},
                                                {QStringLiteral("counter"), s.logCounter}}},
        {QStringLiteral("sensors"), sensorNames(s.logSensor)}};
}

} // namespace

CalibrationSource loadCalibrationFile(CalibrationData& calibration, const QString& path) {
    std::string bytes;
    calibration.load(QFile::encodeName(path).toStdString(), &bytes);
    return calibrationSource(path, bytes);
}

CalibrationSource calibrationSource(const QString& path, const std::string& bytes) {
    return {path, QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256).toHex()};
}

QString descriptionFileName(const QString& logFileName) {
    return logFileName + QStringLiteral(".json");
}

QByteArray describeCapture(const CaptureRecord& record, const CalibrationData& calibration) {
    const KivraTolm::BoardInfo& board = record.context.board;
    QJsonArray gaps;
    for (const CaptureGap& gap : record.gaps)
        gaps.append(QJsonObject{{QStringLiteral("last_before"), static_cast<double>(gap.lastBefore)},
                                {QStringLiteral("first_after"), static_cast<double>(gap.firstAfter)},
                                {QStringLiteral("missing_ms"), static_cast<double>(gap.missingMs)}});
    const QJsonObject description{
        {QStringLiteral("program"), QCoreApplication::applicationName()},
        {QStringLiteral("version"), QCoreApplication::applicationVersion()},
        {QStringLiteral("board"),
         QJsonObject{{QStringLiteral("bus"), QString::fromStdString(board.bus)},
                     {QStringLiteral("address"), QString::fromStdString(board.address)},
                     // A network board has none to tell.
                     {QStringLiteral("identifier"), board.identifier.empty()
                                                        ? QJsonValue(QJsonValue::Null)
                                                        : QJsonValue(QString::fromStdString(board.identifier))},
                     {QStringLiteral("details"), QString::fromStdString(board.details)},
                     {QStringLiteral("emulated"), board.emulated}}},
        {QStringLiteral("calibration"), describeCalibration(record.context.calibration, calibration)},
        {QStringLiteral("settings"), describeSettings(record)},
        {QStringLiteral("file"), record.settings.fileName},
        {QStringLiteral("armed"), moment(record.armed)},
        {QStringLiteral("triggered"), moment(record.triggered)},
        {QStringLiteral("ended"), moment(record.ended)},
        {QStringLiteral("reason"), record.reason},
        {QStringLiteral("end"), record.end.isEmpty() ? QJsonValue::Null : QJsonValue(record.end)},
        {QStringLiteral("rows"), record.rows},
        {QStringLiteral("rows_waiting"), record.rowsWaiting},
        {QStringLiteral("rows_unwritten"), record.rowsUnwritten},
        {QStringLiteral("rows_unwritten_reason"),
         record.unwrittenReason.isEmpty() ? QJsonValue::Null : QJsonValue(record.unwrittenReason)},
        {QStringLiteral("gaps"), gaps}};
    return QJsonDocument(description).toJson(QJsonDocument::Indented);
}
