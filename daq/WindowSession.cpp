#include "WindowSession.h"

#include "ui_MainWindow.h"

#include "LastSession.h"

#include <QStringList>
#include <QTime>

#include <array>

namespace {

const QString timeFormat = QStringLiteral("HH:mm:ss.zzz");

std::array<QAbstractButton*, 7> logButtons(const Ui::MainWindow& ui) {
    return {ui.btnLogCapSampleTimer, ui.btnLogAnalog0, ui.btnLogAnalog1,        ui.btnLogAnalog2,
            ui.btnLogAnalog3,        ui.btnLogDigital, ui.btnLogHardwareCounter};
}

QString timeText(const QTime& time) {
    return time.toString(timeFormat);
}

// A form of two choices: the radio `byTime` checked when the session said
// "time", else `bySamples`; clicked, so that its own reaction runs.
bool chooseByTime(const QString& key, QAbstractButton* bySamples, QAbstractButton* byTime) {
    const bool time = LastSession::value(key).toString() == QLatin1String("time");
    (time ? byTime : bySamples)->click();
    return time;
}

void setTime(QTimeEdit* edit, const QString& key) {
    const QTime time = QTime::fromString(LastSession::value(key).toString(), timeFormat);
    if (time.isValid())
        edit->setTime(time);
}

void setNumber(QSpinBox* box, const QString& key) {
    bool ok = false;
    const int number = LastSession::value(key).toInt(&ok);
    if (ok)
        box->setValue(number);
}

} // namespace

namespace WindowSession {

void saveControls(const Ui::MainWindow& ui) {
    const auto by = [](bool time) {
        return time ? QStringLiteral("time") : QStringLiteral("samples");
    };
    LastSession::setValue(QStringLiteral("timing"),
                          ui.rdoSampleRate->isChecked() ? QStringLiteral("rate") : QStringLiteral("interval"));
    LastSession::setValue(QStringLiteral("rate"), ui.spnRate->value());
    LastSession::setValue(QStringLiteral("interval"), timeText(ui.tmeSampleToSample->time()));
    QStringList logged;
    for (QAbstractButton* button : logButtons(ui)) {
        if (button->isChecked())
            logged << button->objectName();
    }
    // None logged is what a start without a session has too.
    LastSession::setValue(QStringLiteral("logged"), logged.join(QLatin1Char(',')));
    LastSession::setValue(QStringLiteral("preTriggerBy"), by(ui.rdoPreTriggerTime->isChecked()));
    LastSession::setValue(QStringLiteral("preTriggerSamples"), ui.spnPreTriggerSamples->value());
    LastSession::setValue(QStringLiteral("preTriggerTime"), timeText(ui.tmePreTriggerTime->time()));
    LastSession::setValue(QStringLiteral("lengthBy"), by(ui.rdoCapTime->isChecked()));
    LastSession::setValue(QStringLiteral("lengthSamples"), ui.spnCapSamples->value());
    LastSession::setValue(QStringLiteral("lengthDays"), ui.spnCapDays->value());
    LastSession::setValue(QStringLiteral("lengthTime"), timeText(ui.tmeCapTime->time()));
    LastSession::setValue(QStringLiteral("tab"), ui.tabWidget->currentWidget()->objectName());
}

void restoreControls(Ui::MainWindow& ui) {
    const QString timing = LastSession::value(QStringLiteral("timing")).toString();
    if (timing.isEmpty())
        return;
    if (timing == QLatin1String("interval")) {
        ui.rdoSampleToSample->click();
        setTime(ui.tmeSampleToSample, QStringLiteral("interval"));
    } else {
        ui.rdoSampleRate->click();
        setNumber(ui.spnRate, QStringLiteral("rate"));
    }
    const QStringList logged =
        LastSession::value(QStringLiteral("logged")).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QAbstractButton* button : logButtons(ui))
        button->setChecked(logged.contains(button->objectName()));
    // Only the form chosen: the other one follows it.
    if (chooseByTime(QStringLiteral("preTriggerBy"), ui.rdoPreTriggerSamples, ui.rdoPreTriggerTime))
        setTime(ui.tmePreTriggerTime, QStringLiteral("preTriggerTime"));
    else
        setNumber(ui.spnPreTriggerSamples, QStringLiteral("preTriggerSamples"));
    if (chooseByTime(QStringLiteral("lengthBy"), ui.rdoCapFrames, ui.rdoCapTime)) {
        setNumber(ui.spnCapDays, QStringLiteral("lengthDays"));
        setTime(ui.tmeCapTime, QStringLiteral("lengthTime"));
    } else {
        setNumber(ui.spnCapSamples, QStringLiteral("lengthSamples"));
    }
    const QString tab = LastSession::value(QStringLiteral("tab")).toString();
    if (QWidget* page = ui.tabWidget->findChild<QWidget*>(tab); page && ui.tabWidget->indexOf(page) >= 0)
        ui.tabWidget->setCurrentWidget(page);
}

} // namespace WindowSession
