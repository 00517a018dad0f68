// A capture log read with Python's csv module (csvlog.py, named by
// CSV_READER): an independent reading of the file to compare with.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// A log as Python's csv module read it.
struct CsvLog {
    QString header;
    QStringList columns;
    QList<QStringList> rows;
    bool complete = false; // the last line ends with a line feed
    bool read = false;

    // The values of one column, one per row.
    QStringList column(const QString& title) const {
        const int index = columns.indexOf(title);
        QStringList values;
        for (const QStringList& row : rows)
            values << (index >= 0 && index < row.size() ? row[index] : QString());
        return values;
    }
    QList<qulonglong> numbers(const QString& title) const {
        QList<qulonglong> values;
        for (const QString& text : column(title))
            values << text.toULongLong();
        return values;
    }
};

inline CsvLog parseCsvLog(const QByteArray& json) {
    CsvLog log;
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    if (object.isEmpty())
        return log;
    log.read = true;
    log.header = object.value("header").toString();
    for (const QJsonValue& title : object.value("columns").toArray())
        log.columns << title.toString();
    for (const QJsonValue& row : object.value("rows").toArray()) {
        QStringList fields;
        for (const QJsonValue& field : row.toArray())
            fields << field.toString();
        log.rows << fields;
    }
    log.complete = object.value("complete").toBool();
    return log;
}

// Reads a log file (or, with an empty path, `input`) through csvlog.py.
inline CsvLog readCsvLog(const QString& path, const QByteArray& input = {}) {
    QProcess python;
    QStringList arguments = {QStringLiteral(CSV_READER)};
    if (!path.isEmpty())
        arguments << path;
    python.start(QStringLiteral("python3"), arguments);
    if (!python.waitForStarted(5000))
        return {};
    python.write(input);
    python.closeWriteChannel();
    if (!python.waitForFinished(10000) || python.exitCode() != 0) {
        qWarning("csvlog.py: %s", python.readAllStandardError().constData());
        return {};
    }
    return parseCsvLog(python.readAllStandardOutput());
}
