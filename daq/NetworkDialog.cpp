#include "NetworkDialog.h"

#include "ui_NetworkDialog.h"

#include "BenchTopics.h"

#include <QFileDialog>
#include <QPushButton>

NetworkDialog::NetworkDialog(QWidget* parent, const NetworkSettings& settings, const QString& defaultPrefix)
    : QDialog(parent)
    , ui(std::make_unique<Ui::NetworkDialog>()) {
    ui->setupUi(this);
    ui->txtHost->setText(settings.host);
    ui->spnPort->setValue(settings.port);
    ui->txtPrefix->setPlaceholderText(defaultPrefix);
    ui->txtPrefix->setText(settings.prefix);
    ui->txtUser->setText(settings.user);
    ui->txtPasswordFile->setText(settings.passwordFile);
    ui->txtCaFile->setText(settings.caFile);
    ui->rdoLiveTick->setChecked(settings.live == LiveMode::Tick);
    ui->rdoLiveAll->setChecked(settings.live == LiveMode::All);
    ui->rdoLiveOff->setChecked(settings.live == LiveMode::Off);

    const auto choose = [this](QLineEdit* field) {
        const QString file = QFileDialog::getOpenFileName(this, QString(), field->text());
        if (!file.isEmpty())
            field->setText(file);
    };
    connect(ui->btnPasswordFile, &QPushButton::clicked, this, [this, choose] { choose(ui->txtPasswordFile); });
    connect(ui->btnCaFile, &QPushButton::clicked, this, [this, choose] { choose(ui->txtCaFile); });
    connect(ui->txtPrefix, &QLineEdit::textChanged, this, &NetworkDialog::checkPrefix);
    checkPrefix();
}

NetworkDialog::~NetworkDialog() = default;

void NetworkDialog::checkPrefix() {
    const QString prefix = ui->txtPrefix->text().trimmed();
    const bool usable = prefix.isEmpty() || benchPrefixProblem(prefix).isEmpty();
    ui->lblPrefixProblem->setVisible(!usable);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(usable);
}

NetworkSettings NetworkDialog::settings() const {
    NetworkSettings settings;
    settings.host = ui->txtHost->text().trimmed();
    settings.port = ui->spnPort->value();
    settings.prefix = ui->txtPrefix->text().trimmed();
    settings.user = ui->txtUser->text();
    settings.passwordFile = ui->txtPasswordFile->text();
    settings.caFile = ui->txtCaFile->text();
    settings.live = ui->rdoLiveAll->isChecked()   ? LiveMode::All
                    : ui->rdoLiveOff->isChecked() ? LiveMode::Off
                                                  : LiveMode::Tick;
    return settings;
}
