// The CAL half of the hand-over: the CAL window, started as the DAQ window
// starts it (use=usb/-, cfg= a file), records points through its dialog and
// leaves with "Save and Exit". The DAQ half reads the file it leaves.
#include "HandoverSteps.h"

#include "CalibrationData.h"
#include "EmulatedReadings.h"
#include "MainWindow.h"
#include "ModalResponder.h"
#include "SensorWidget.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {

const QString file = QStringLiteral(HANDOVER_FILE);

bool graphShows(const MainWindow& window, Handover::Sensor sensor, float reading) {
    return qAbs(window.column(sensor.column).graph->bar(sensor.row).intensity - reading) < 1e-6;
}

// One point per step: the sensor's reading (averaged, so up to rounding)
// and the typed value.
bool hasStepPoints(const CalibrationPoints& points, float Handover::Step::*reading) {
    if (points.size() != std::size(Handover::steps))
        return false;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Handover::Step& step = Handover::steps[i];
        if (qAbs(points[i].intensity - step.*reading) > 1e-6f || points[i].value != float(step.value))
            return false;
    }
    return true;
}

} // namespace

class TestHandoverCalSaves : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void savesPointsForTheDaqProgram();
};

void TestHandoverCalSaves::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    EmulatedReadings::instance().installBoard();
    EmulatedReadings::instance().setAll(0.1f);
    // The file the DAQ window had before it started the CAL program.
    QFile::remove(file);
    CalibrationData().save(QFile::encodeName(file).toStdString());
}

void TestHandoverCalSaves::savesPointsForTheDaqProgram() {
    using namespace Handover;
    EmulatedReadings& readings = EmulatedReadings::instance();
    ModalResponder responder;

    MainWindow window("usb", "-", file);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QLineEdit*>("txtUnit")->setText(unit);
    window.column(sensitivityColumn).sensitivityBox->setValue(sensitivity);
    window.column(first.column).selectBoxes[first.row]->click();
    window.column(second.column).selectBoxes[second.row]->click();

    for (const Step& step : steps) {
        readings.set(first.column, first.row, step.firstReading);
        readings.set(second.column, second.row, step.secondReading);
        // The graphs show the averaged frame, the one the dialog takes.
        QTRY_VERIFY_WITH_TIMEOUT(graphShows(window, first, step.firstReading), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(graphShows(window, second, step.secondReading), 10000);

        // The second Add keeps the first points.
        if (&step != &steps[0])
            responder.answer({QMessageBox::No});
        const double value = step.value;
        responder.onDialog([value](QDialog* dialog) {
            dialog->findChild<QDoubleSpinBox*>("spnValue")->setValue(value);
            dialog->findChild<QPushButton*>("btnAdd")->click();
            dialog->findChild<QPushButton*>("btnDone")->click();
        });
        window.findChild<QPushButton*>("btnInsertCalPoint")->click();
        QVERIFY(responder.allAnswersUsed());
    }
    QCOMPARE(responder.shownTexts(),
             QStringList{"At least one sensors already contains calibration data, reset before continue?"});
    QCOMPARE(window.calibrationData().points(first.column, first.row).size(), std::size(steps));

    window.findChild<QAction*>("actSaveAndExit")->trigger();
    QVERIFY(!window.isVisible());
    QCOMPARE(responder.shownBoxes().size(), 1);

    CalibrationData saved;
    saved.load(QFile::encodeName(file).toStdString());
    QCOMPARE(saved.unit(), std::string(unit));
    QCOMPARE(saved.sensitivity(sensitivityColumn), sensitivity);
    QVERIFY(hasStepPoints(saved.points(first.column, first.row), &Step::firstReading));
    QVERIFY(hasStepPoints(saved.points(second.column, second.row), &Step::secondReading));
    QVERIFY(saved.points(0, 0).empty());
}

QTEST_MAIN(TestHandoverCalSaves)
#include "tst_handover_cal_saves.moc"
