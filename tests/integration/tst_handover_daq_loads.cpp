// The DAQ half of the hand-over: the DAQ window loads the file that the CAL
// window saved (tst_handover_cal_saves runs first) and converts the board's
// frames with it, on screen and in a forced capture's log.
#include "HandoverSteps.h"

#include "EmulatedReadings.h"
#include "EmulatorControl.h"
#include "Grid8x8Widget.h"
#include "MainWindow.h"
#include "ModalResponder.h"
#include "SensorWidget.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

bool near(double value, double expected) {
    return qAbs(value - expected) < 1e-3;
}

QStringList logLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

class TestHandoverDaqLoads : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void convertsWithTheSavedFile();
};

void TestHandoverDaqLoads::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    QVERIFY2(QFile::exists(HANDOVER_FILE), "tst_handover_cal_saves writes it");
    EmulatedReadings& readings = EmulatedReadings::instance();
    readings.installBoard();
    readings.setAll(0.1f);
    readings.set(Handover::first.column, Handover::first.row, Handover::firstReading);
    readings.set(Handover::second.column, Handover::second.row, Handover::secondReading);
}

void TestHandoverDaqLoads::convertsWithTheSavedFile() {
    using namespace Handover;
    ModalResponder responder;
    MainWindow window("usb", "-", HANDOVER_FILE);
    QTRY_COMPARE_WITH_TIMEOUT(KivraTolmEmulator::boardState(0).columnSensitivity.at(sensitivityColumn), sensitivity,
                              10000);

    const Grid8x8Widget* grid = window.findChild<Grid8x8Widget*>();
    QTRY_VERIFY_WITH_TIMEOUT(near(grid->cell(first.column, first.row).value, firstValue), 10000);
    QVERIFY(near(grid->cell(second.column, second.row).value, secondValue));
    QCOMPARE(grid->cell(first.column, first.row).unit, QString(unit));
    QVERIFY(!grid->cell(0, 0).hasCalibration);
    const SensorBar& bar = window.findChildren<SensorWidget*>().at(first.column)->bar(first.row);
    QVERIFY(near(bar.value, firstValue));
    QCOMPARE(bar.points.size(), int(std::size(steps)));

    // A forced capture of ten frames logs the converted values.
    QTemporaryDir dir;
    const QString log = dir.filePath("handover.csv");
    window.findChild<QLineEdit*>("txtFile")->setText(log);
    window.findChild<QRadioButton*>("rdoCapFrames")->click();
    window.findChild<QSpinBox*>("spnCapSamples")->setValue(10);
    QPushButton* arm = window.findChild<QPushButton*>("btnArmTrigger");
    arm->click();
    window.findChild<QPushButton*>("btnForceTrigger")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!arm->isChecked(), 10000);
    QVERIFY(responder.shownBoxes().isEmpty());

    const QStringList lines = logLines(log);
    QCOMPARE(lines.size(), 2 + 10);
    const QStringList columns = lines[1].split(';');
    const int firstColumn = columns.indexOf("Sensor C3 (N)");
    const int secondColumn = columns.indexOf("Sensor F6 (N)");
    QVERIFY2(firstColumn >= 0 && secondColumn >= 0, qPrintable(lines[1]));
    for (const QString& row : lines.mid(2)) {
        const QStringList fields = row.split(';');
        QVERIFY2(near(fields.value(firstColumn).toDouble(), firstValue), qPrintable(row));
        QVERIFY2(near(fields.value(secondColumn).toDouble(), secondValue), qPrintable(row));
    }
    QVERIFY(window.close());
}

QTEST_MAIN(TestHandoverDaqLoads)
#include "tst_handover_daq_loads.moc"
