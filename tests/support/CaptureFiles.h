// Reading what a capture leaves behind: its description and its log.
#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

// The description's object; empty when the file is missing or not JSON.
inline QJsonObject readJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// The data rows of a log (its lines after the header and the column line);
// -1 when it cannot be read.
inline int dataRows(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().count('\n') - 2;
}
