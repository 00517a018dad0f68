#include "StatisticsPanel.h"

#include "CalibrationData.h"
#include "SensorPosition.h"
#include "ShownFrame.h"
#include "ValueText.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSettings>
#include <QSignalBlocker>

#include <algorithm>

namespace {

const QString thresholdKey = QStringLiteral("statistics/threshold");
const QString thresholdUnitKey = QStringLiteral("statistics/thresholdUnit");
constexpr double thresholdLimit = 1e9;

QLabel* valueLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A fixed size: a new text then asks for no new layout of the tab (which
    // could move and repaint the grid) unless it needs more room.
    const QFontMetrics metrics = label->fontMetrics();
    label->setFixedSize(metrics.horizontalAdvance(QStringLiteral("000.00 MMMM (H8)")), metrics.height());
    return label;
}

// The text, with room for it: the label grows, never shrinks, so the panel
// keeps its width while the values change.
void setValueText(QLabel* label, const QString& text) {
    if (label->text() == text)
        return;
    const int needed = label->fontMetrics().horizontalAdvance(text);
    if (needed > label->width())
        label->setFixedWidth(needed);
    label->setText(text);
}

} // namespace

StatisticsPanel::StatisticsPanel(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("cmpStatistics"));
    auto* form = new QFormLayout(this);
    auto* title = new QLabel(tr("Statistics"), this);
    title->setObjectName(QStringLiteral("lblStatTitle"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    form->addRow(title);
    lblSum = valueLabel(this, "lblStatSum");
    lblMaximum = valueLabel(this, "lblStatMaximum");
    lblActive = valueLabel(this, "lblStatActive");
    lblMean = valueLabel(this, "lblStatMean");
    lblCentre = valueLabel(this, "lblStatCentre");
    lblCounted = new QLabel(this);
    lblCounted->setObjectName(QStringLiteral("lblStatCounted"));
    lblCounted->setTextFormat(Qt::PlainText);
    lblCounted->setWordWrap(true);
    spnThreshold = new QDoubleSpinBox(this);
    spnThreshold->setObjectName(QStringLiteral("spnStatThreshold"));
    spnThreshold->setDecimals(2);
    spnThreshold->setRange(-thresholdLimit, thresholdLimit);
    spnThreshold->setAlignment(Qt::AlignRight);
    spnThreshold->setKeyboardTracking(false);
    spnThreshold->setToolTip(tr("Sensors at or above this value are active."));
    chkCentre = new QCheckBox(tr("Show centre and trail"), this);
    chkCentre->setObjectName(QStringLiteral("chkStatCentre"));
    chkCentre->setToolTip(tr("Draw the centre of the active sensors and its path over the last two seconds "
                             "on the grid."));

    form->addRow(tr("Sum:"), lblSum);
    form->addRow(tr("Maximum:"), lblMaximum);
    form->addRow(tr("Active:"), lblActive);
    form->addRow(tr("Active mean:"), lblMean);
    form->addRow(tr("Centre:"), lblCentre);
    form->addRow(tr("Threshold:"), spnThreshold);
    form->addRow(lblCounted);
    form->addRow(chkCentre);

    const QSettings settings;
    spnThreshold->setValue(settings.value(thresholdKey, 10.0).toDouble());
    spnThreshold->setSuffix(QStringLiteral(" %"));
    lblCounted->setText(tr("Raw readings in %; all 64 sensors count."));
    connect(spnThreshold, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this](double value) {
        saveThreshold(value);
        emit thresholdChanged(value);
    });
    connect(chkCentre, &QCheckBox::toggled, this, &StatisticsPanel::centreToggled);
    showStatistics(FrameStatistics{});
}

double StatisticsPanel::defaultThreshold(const CalibrationData& calibration) {
    const SensorFlags withPoints = sensorsWithPoints(calibration);
    if (!anySensor(withPoints))
        return 10.0;
    double largest = 0.0;
    for (int index = 0; index < 64; ++index) {
        for (const CalibrationPoint& point : calibration.points(index % 8, index / 8))
            largest = std::max(largest, static_cast<double>(point.value));
    }
    return std::min(largest * 0.1, thresholdLimit);
}

bool StatisticsPanel::setCalibration(const CalibrationData& calibration) {
    const SensorFlags withPoints = sensorsWithPoints(calibration);
    const bool calibrated = anySensor(withPoints);
    shownUnit = calibrated ? QString::fromStdString(calibration.unit()) : QStringLiteral("%");
    counted = calibrated ? static_cast<int>(std::count(withPoints.begin(), withPoints.end(), true)) : 64;
    // A long unit is cut: the panel must leave the grid its room.
    labelUnit =
        fontMetrics().elidedText(shownUnit, Qt::ElideRight, fontMetrics().horizontalAdvance(QStringLiteral("MMMMMM")));
    spnThreshold->setSuffix(labelUnit.isEmpty() ? QString() : QLatin1Char(' ') + labelUnit);
    lblCounted->setText(
        calibrated
            ? tr("Values in the calibration's unit; only sensors with calibration points count: %1.").arg(counted)
            : tr("Raw readings in %; all 64 sensors count."));
    QSettings settings;
    const QVariant keptUnit = settings.value(thresholdUnitKey);
    if (!keptUnit.isValid()) {
        // The first unit: the threshold entered or the default stays with it.
        settings.setValue(thresholdUnitKey, shownUnit);
        saveThreshold(threshold());
        return false;
    }
    if (keptUnit.toString() == shownUnit)
        return false;
    settings.setValue(thresholdUnitKey, shownUnit);
    spnThreshold->setValue(defaultThreshold(calibration));
    // The value may not have changed; the settings and the views take it anyway.
    saveThreshold(threshold());
    emit thresholdChanged(threshold());
    return true;
}

double StatisticsPanel::threshold() const {
    return spnThreshold->value();
}

bool StatisticsPanel::centreShown() const {
    return chkCentre->isChecked();
}

void StatisticsPanel::saveThreshold(double value) const {
    QSettings settings;
    settings.setValue(thresholdKey, value);
    settings.setValue(thresholdUnitKey, shownUnit);
}

void StatisticsPanel::showStatistics(const FrameStatistics& statistics) {
    const QString none = tr("none");
    setValueText(lblSum, valueText(statistics.sum, labelUnit));
    setValueText(lblMaximum, statistics.maximumSensor >= 0
                                 ? tr("%1 (%2)").arg(valueText(statistics.maximum, labelUnit),
                                                     QString::fromStdString(
                                                         SensorPosition::fromIndex(statistics.maximumSensor).name()))
                                 : none);
    setValueText(lblActive, tr("%1 of %2").arg(statistics.activeCount).arg(counted));
    setValueText(lblMean, statistics.activeCount > 0 ? valueText(statistics.activeMean, labelUnit) : none);
    setValueText(lblCentre, statistics.hasCentre ? tr("%L1 / %L2 (%3)")
                                                       .arg(statistics.centreColumn, 0, 'f', 2)
                                                       .arg(statistics.centreRow, 0, 'f', 2)
                                                       .arg(QString::fromStdString(centreSensorName(statistics)))
                                                 : tr("no centre"));
}
