#include "ModeDialog.h"

#include "ui_ModeDialog.h"

#include "CalibrationData.h"
#include "ScreenFit.h"

#include <QCheckBox>
#include <QLabel>

namespace {
constexpr std::int32_t eightSensor = static_cast<std::int32_t>(SensorMode::EightSensor);
constexpr std::int32_t allSensors = static_cast<std::int32_t>(SensorMode::All);
constexpr std::int32_t customSensors = static_cast<std::int32_t>(SensorMode::Custom);
} // namespace

ModeDialog::ModeDialog(QWidget* parent, CalibrationData& calibration)
    : QDialog(parent)
    , calibration(calibration)
    , ui(std::make_unique<Ui::ModeDialog>()) {
    ui->setupUi(this);
    limitToScreen(*this);

    for (int c = 0; c < 8; ++c)
        ui->gridSensors->addWidget(new QLabel(QString(QChar('A' + c)), this), 0, c + 1, Qt::AlignCenter);
    for (int r = 0; r < 8; ++r)
        ui->gridSensors->addWidget(new QLabel(QString::number(r + 1), this), r + 1, 0, Qt::AlignCenter);
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            const int index = SensorPosition{c, r}.index();
            auto* box = new QCheckBox(this);
            ui->gridSensors->addWidget(box, r + 1, c + 1, Qt::AlignCenter);
            checkBoxes[index] = box;
            connect(box, &QCheckBox::clicked, this, [this, index](bool checked) { custom[index] = checked; });
        }
    }

    connect(ui->rdoDiagonalLine, &QRadioButton::clicked, this, [this] { selectMode(eightSensor); });
    connect(ui->rdoAllSensors, &QRadioButton::clicked, this, [this] { selectMode(allSensors); });
    connect(ui->rdoCustom, &QRadioButton::clicked, this, [this] { selectMode(customSensors); });
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, [this] {
        apply();
        accept();
    });
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    mode = static_cast<std::int32_t>(calibration.enableMode());
    custom = calibration.customSelected();
    showState();
}

void ModeDialog::selectMode(std::int32_t newMode) {
    mode = newMode;
    showState();
}

void ModeDialog::showState() {
    ui->rdoDiagonalLine->setChecked(mode == eightSensor);
    ui->rdoAllSensors->setChecked(mode == allSensors);
    ui->rdoCustom->setChecked(mode == customSensors);
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            QCheckBox* box = checkBoxes[SensorPosition{c, r}.index()];
            box->setEnabled(mode == customSensors);
            if (mode == eightSensor)
                box->setChecked(c == r);
            else if (mode == allSensors)
                box->setChecked(true);
            else
                box->setChecked(custom[SensorPosition{c, r}.index()]);
        }
    }
}

void ModeDialog::apply() {
    calibration.setMode(CalibrationData::checkMode(mode), custom);
}

ModeDialog::~ModeDialog() = default;
