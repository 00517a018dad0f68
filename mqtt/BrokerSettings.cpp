#include "BrokerSettings.h"

#include <QFile>
#include <QFileInfo>

namespace {

// A password file is a line, not a document.
constexpr qint64 longestPasswordFile = 4096;

} // namespace

BrokerPassword brokerPassword(const QString& passwordFile) {
    BrokerPassword result;
    if (passwordFile.isEmpty()) {
        if (qEnvironmentVariableIsSet("KIVRA_MQTT_PASSWORD"))
            result.password = qEnvironmentVariable("KIVRA_MQTT_PASSWORD");
        return result;
    }
    // Only a regular file: a FIFO would never end the read.
    if (!QFileInfo(passwordFile).isFile()) {
        result.error = QStringLiteral("not a regular file");
        return result;
    }
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const QByteArray text = file.read(longestPasswordFile);
    const int end = text.indexOf('\n');
    QByteArray line = end < 0 ? text : text.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    result.password = QString::fromUtf8(line);
    return result;
}
