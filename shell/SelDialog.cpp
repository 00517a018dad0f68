#include "SelDialog.h"

#include "ui_SelDialog.h"

#include "ScreenFit.h"

#include <QSettings>

namespace {
const QString busKey = QStringLiteral("bus");
const QString ipKey = QStringLiteral("ip");
const QString portKey = QStringLiteral("port");
const QString usbBus = QStringLiteral("usb");
const QString netBus = QStringLiteral("net");
} // namespace

SelDialog::SelDialog(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::SelDialog>()) {
    ui->setupUi(this);
    limitToScreen(*this);

    connect(ui->rdoUsb, &QRadioButton::clicked, this, &SelDialog::saveSettings);
    connect(ui->rdoEthernet, &QRadioButton::clicked, this, &SelDialog::saveSettings);
    connect(ui->rdoEthernet, &QRadioButton::toggled, ui->txtIp, &QLineEdit::setEnabled);
    connect(ui->rdoEthernet, &QRadioButton::toggled, ui->spnPort, &QSpinBox::setEnabled);
    // Only the user's edits: setText() while loading must not store anything.
    connect(ui->txtIp, &QLineEdit::textEdited, this, &SelDialog::saveSettings);
    connect(ui->spnPort, qOverload<int>(&QSpinBox::valueChanged), this, &SelDialog::saveSettings);
    connect(ui->btnBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->btnBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const QSettings settings;
    const QString storedBus = settings.value(busKey, usbBus).toString();
    const QString storedIp = settings.value(ipKey, QStringLiteral("?.?.?.?")).toString();
    const int storedPort = settings.value(portKey, 10001).toInt();

    // An unknown stored bus keeps the form's USB choice.
    if (storedBus == usbBus)
        ui->rdoUsb->setChecked(true);
    else if (storedBus == netBus)
        ui->rdoEthernet->setChecked(true);
    ui->txtIp->setText(storedIp);
    ui->spnPort->setValue(storedPort);

    saveSettings();
}

void SelDialog::saveSettings() {
    const bool usb = ui->rdoUsb->isChecked();
    chosenBus = usb ? usbBus : netBus;
    // One arg() call: a chained one would also replace a "%2" typed into the IP text.
    chosenAddress = usb ? QStringLiteral("-")
                        : QStringLiteral("%1:%2").arg(ui->txtIp->text(), QString::number(ui->spnPort->value()));

    QSettings settings;
    settings.setValue(busKey, chosenBus);
    settings.setValue(ipKey, ui->txtIp->text());
    settings.setValue(portKey, ui->spnPort->value());
}

SelDialog::~SelDialog() = default;
