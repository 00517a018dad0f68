#include "BoardList.h"

#include "Device.h"

QString boardListText() {
    using KivraTolm::Device;
    QString text;
    for (const Device& device : Device::enumerate(KivraTolm::DeviceType::kivraTolm()))
        text += QString::fromStdString(device.identifier()) + QLatin1Char('\t') +
                QString::fromStdString(device.details()) + QLatin1Char('\n');
    return text;
}
