#include "ThemeDialog.h"

#include "ui_ThemeDialog.h"

#include "ScreenFit.h"
#include "Theme.h"

#include <QSettings>

ThemeDialog::ThemeDialog(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ThemeDialog>())
    , previousName(currentTheme().name) {
    ui->setupUi(this);
    limitToScreen(*this);
    if (previousName == QLatin1String("light"))
        ui->rdoLightTheme->setChecked(true);
    else if (previousName == QLatin1String("dark"))
        ui->rdoDarkTheme->setChecked(true);
    else
        ui->rdoSystemTheme->setChecked(true);

    connect(ui->rdoSystemTheme, &QRadioButton::clicked, this, [this] { preview(QStringLiteral("system")); });
    connect(ui->rdoDarkTheme, &QRadioButton::clicked, this, [this] { preview(QStringLiteral("dark")); });
    connect(ui->rdoLightTheme, &QRadioButton::clicked, this, [this] { preview(QStringLiteral("light")); });
    connect(ui->btnBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->btnBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::accepted, this, &ThemeDialog::saveChoice);
    connect(this, &QDialog::rejected, this, &ThemeDialog::restorePrevious);
}

void ThemeDialog::preview(const QString& name) {
    applyTheme(Theme::fromName(name));
}

void ThemeDialog::saveChoice() {
    QSettings().setValue(QStringLiteral("theme"), currentTheme().name);
}

void ThemeDialog::restorePrevious() {
    applyTheme(Theme::fromName(previousName));
}

ThemeDialog::~ThemeDialog() = default;
