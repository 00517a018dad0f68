#include "CalibrationErrorBox.h"

#include "CalibrationFileError.h"
#include "PlainMessageBox.h"

#include <QCoreApplication>

namespace {

QString reasonText(const std::string& reason) {
    // The one reason of our own; the system's come translated by the C library.
    if (reason == CalibrationFileError::notRegularFile)
        return QCoreApplication::translate("CalibrationError", "not a regular file");
    return QString::fromLocal8Bit(reason.c_str());
}

} // namespace

QString calibrationErrorDetails(const std::exception& error) {
    const auto* fileError = dynamic_cast<const CalibrationFileError*>(&error);
    if (!fileError)
        return QString();
    QStringList lines;
    lines << QCoreApplication::translate("CalibrationError", "File: %1")
                 .arg(QString::fromLocal8Bit(fileError->path().c_str()));
    if (!fileError->element().empty())
        lines << QCoreApplication::translate("CalibrationError", "Element: %1")
                     .arg(QString::fromStdString(fileError->element()));
    if (!fileError->reason().empty())
        lines << QCoreApplication::translate("CalibrationError", "Reason: %1").arg(reasonText(fileError->reason()));
    return lines.join(QLatin1Char('\n'));
}

void showCalibrationError(QWidget* parent, const QString& title, const QString& text, const std::exception& error) {
    showPlainMessage(parent, QMessageBox::Critical, title, text, calibrationErrorDetails(error));
}
