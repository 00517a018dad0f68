#include "BrokerError.h"

#include <mosquitto.h>

#include <cerrno>
#include <cstring>

QString brokerErrorText(int rc) {
    switch (rc) {
    case MOSQ_ERR_KEEPALIVE:
        return QStringLiteral("the broker did not answer within the keep-alive time");
    case MOSQ_ERR_ERRNO:
        // libmosquitto leaves the reason in errno.
        return QString::fromLocal8Bit(std::strerror(errno));
    default:
        break;
    }
    const QString text = QString::fromUtf8(mosquitto_strerror(rc));
    return text == QLatin1String("Unknown error.") ? QStringLiteral("libmosquitto error %1").arg(rc) : text;
}
