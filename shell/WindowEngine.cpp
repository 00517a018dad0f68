#include "WindowEngine.h"

#include "CalibrationData.h"
#include "Capture.h"
#include "Connection.h"
#include "PlainMessageBox.h"
#include "SelDialog.h"

#include <QCoreApplication>

bool chooseDevice(QWidget* parent, QString& bus, QString& address) {
    if (!bus.isEmpty() && !address.isEmpty())
        return true;
    SelDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    bus = dialog.bus();
    address = dialog.address();
    return true;
}

std::shared_ptr<KivraTolm::Capture> openCapture(const QString& bus, const QString& address) {
    return std::make_shared<KivraTolm::Capture>(bus.toStdString(), address.toStdString());
}

namespace {

constexpr bool sameText(const char* a, const char* b) {
    return *a == *b && (*a == '\0' || sameText(a + 1, b + 1));
}

// The engine's texts that name what the user gave; the others are the
// engine's and the board's own and stay as they are.
constexpr const char* portNotANumber =
    QT_TRANSLATE_NOOP("KivraTolm", "The port in host:port must be a number, not \"%1\".");
constexpr const char* portOutOfRange = QT_TRANSLATE_NOOP("KivraTolm", "The port in host:port is out of range: \"%1\".");
static_assert(sameText(portNotANumber, KivraTolm::portNotANumberText), "the engine's text");
static_assert(sameText(portOutOfRange, KivraTolm::portOutOfRangeText), "the engine's text");

QString translatedEngineError(const QString& error) {
    for (const char* text : {portNotANumber, portOutOfRange}) {
        const QString pattern = QString::fromUtf8(text);
        const int at = pattern.indexOf(QLatin1String("%1"));
        const QString before = pattern.left(at);
        const QString after = pattern.mid(at + 2);
        if (error.size() >= before.size() + after.size() && error.startsWith(before) && error.endsWith(after))
            return QCoreApplication::translate("KivraTolm", text)
                .arg(error.mid(before.size(), error.size() - before.size() - after.size()));
    }
    return error;
}

} // namespace

QMessageBox* newRetryQuestion(const QString& error, QWidget* parent) {
    return newPlainMessageBox(
        QMessageBox::Question, QCoreApplication::translate("MainWindow", "Error"),
        QCoreApplication::translate("MainWindow", "Error: %1\nRetry ?").arg(translatedEngineError(error)),
        QMessageBox::Yes | QMessageBox::No, parent);
}

void sendColumnSensitivities(KivraTolm::Capture& capture, const CalibrationData& calibration) {
    for (int column = 0; column < 8; ++column)
        capture.setColumnSensitivity(column, calibration.sensitivity(column));
}
