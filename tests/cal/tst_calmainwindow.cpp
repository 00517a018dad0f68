#include "CalibrationData.h"
#include "DropFile.h"
#include "EmulatorControl.h"
#include "MainWindow.h"
#include "ModalResponder.h"
#include "ModeDialog.h"
#include "SensorGeometry.h"
#include "SensorWidget.h"
#include "StalledCalibrationLoad.h"
#include "StartUp.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolTip>
#include <QtTest>

#include <algorithm>

namespace {

const QString unsavedQuestion = QStringLiteral("There is unsaved data, exit without saving ?");

// A calibration with points in columns 1 and 6, its own sensitivities and a
// unit, as a file.
CalibrationData sampleCalibration() {
    CalibrationData calibration;
    calibration.setUnit("kg");
    for (int c = 0; c < 8; ++c)
        calibration.setSensitivity(c, 10 + c);
    calibration.addPoint(1, 1, {0.2f, 1.0f});
    calibration.addPoint(1, 1, {0.4f, 3.0f});
    calibration.addPoint(6, 6, {0.5f, 2.0f});
    calibration.setModified(false);
    return calibration;
}

QString writeFile(const QString& path, CalibrationData calibration) {
    calibration.save(QFile::encodeName(path).toStdString());
    return path;
}

CalibrationData readFile(const QString& path) {
    CalibrationData calibration;
    calibration.load(QFile::encodeName(path).toStdString());
    return calibration;
}

// How many calls of the device library start with `prefix`.
int countCalls(const std::string& prefix) {
    const std::vector<std::string> calls = KivraTolmEmulator::calls();
    return int(std::count_if(calls.begin(), calls.end(),
                             [&prefix](const std::string& call) { return call.rfind(prefix, 0) == 0; }));
}

bool anyBoxChecked(const MainWindow& window) {
    for (int c = 0; c < 8; ++c)
        for (QCheckBox* box : window.column(c).selectBoxes)
            if (box->isChecked())
                return true;
    return false;
}

} // namespace

class TestCalMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void startsWithoutFile();
    void cancelledSelectionEndsProgram();
    void selectionChoosesDevice();
    void startsOnFileGivenAtStart();
    void fileSensitivityBeyondRange();
    void tickingEnablesAddButton();
    void eightSensorModeEnablesDiagonal();
    void modeChangeDropsHiddenTicks();
    void columnWithPointsLocksSensitivity_data();
    void columnWithPointsLocksSensitivity();
    void resetAll_data();
    void resetAll();
    void unitMarksModifiedAndCloseAsks();
    void saveAsCancelledThenSaveAsksAgain();
    void saveWithoutFileCancelled();
    void saveAndExitWithoutFileCancelled();
    void saveAndExitWritesFileGivenAtStart();
    void loadAsksWhenModified();
    void dropAndRecentLoadAsLoadDoes();
    void failedLoadKeepsCalibrationAndFile();
    void fileThatFailedIsReplacedOnlyWhenAnsweredYes_data();
    void fileThatFailedIsReplacedOnlyWhenAnsweredYes();
    void stalledLoadLeavesWindowFree();
    void unitEntryRefusesWhatBreaksTheLog_data();
    void unitEntryRefusesWhatBreaksTheLog();
    void markupShownAsPlainText();
    void addPointsThroughDialog();
    void engineErrorRetried();
    void engineErrorNotRetried();

private:
    QTemporaryDir dir;
};

void TestCalMainWindow::init() {
    KivraTolmEmulator::reset();
    QVERIFY(dir.isValid());
}

void TestCalMainWindow::startsWithoutFile() {
    MainWindow window("usb", "-", QString());
    QVERIFY(!window.selectionCancelled());
    QVERIFY(window.windowTitle().startsWith(QStringLiteral("Kivra Tolm CAL lite 2.0")));
    // These tests run on the emulator, and the title must say so.
    QVERIFY2(window.windowTitle().endsWith(QStringLiteral(" \u2014 emulated board")), qPrintable(window.windowTitle()));
    for (QAction* action : window.findChild<QToolBar*>("mainToolBar")->actions())
        QVERIFY(action->isEnabled());
    QVERIFY(!window.findChild<QPushButton*>("btnInsertCalPoint")->isEnabled());

    // Each spin box drives its own column on the board.
    QTRY_VERIFY_WITH_TIMEOUT(KivraTolmEmulator::boardState(0).running, 10000);
    for (int c = 0; c < 8; ++c)
        window.column(c).sensitivityBox->setValue(40 + c);
    QTRY_COMPARE_WITH_TIMEOUT(KivraTolmEmulator::boardState(0).columnSensitivity,
                              (std::vector<int>{40, 41, 42, 43, 44, 45, 46, 47}), 10000);
    QCOMPARE(window.calibrationData().sensitivity(7), 47);
    QVERIFY(window.calibrationData().isModified());

    ModalResponder responder;
    responder.answer({QMessageBox::Yes});
    QVERIFY(window.close());
    QCOMPARE(responder.shownTexts(), QStringList{unsavedQuestion});
    QVERIFY(!KivraTolmEmulator::boardState(0).open);
}

void TestCalMainWindow::cancelledSelectionEndsProgram() {
    const QString path = writeFile(dir.filePath("unused.tolmcal3"), sampleCalibration());
    ModalResponder responder;
    responder.onDialog([](QDialog* dialog) {
        QCOMPARE(dialog->objectName(), QStringLiteral("SelDialog"));
        dialog->reject();
    });
    // No event loop is run: the call would not return otherwise.
    QCOMPARE(runMainWindow<MainWindow>({"kivratolm-cal-lite-x86", "cfg=" + path}), 0);
    QVERIFY(responder.allAnswersUsed());

    responder.onDialog([](QDialog* dialog) { dialog->reject(); });
    MainWindow window("usb", "", path);
    QVERIFY(window.selectionCancelled());
    QVERIFY(!KivraTolmEmulator::boardState(0).open);
    // Construction ended before the file was loaded.
    QCOMPARE(window.calibrationData().unit(), std::string());
}

void TestCalMainWindow::selectionChoosesDevice() {
    ModalResponder responder;
    responder.onDialog([](QDialog* dialog) { dialog->accept(); });
    // A malformed use= argument leaves the device to the dialog.
    MainWindow window("usb", "", QString());
    QVERIFY(responder.allAnswersUsed());
    QVERIFY(!window.selectionCancelled());
    QTRY_VERIFY_WITH_TIMEOUT(KivraTolmEmulator::boardState(0).running, 10000);
    QVERIFY(window.close());
}

void TestCalMainWindow::startsOnFileGivenAtStart() {
    const CalibrationData stored = sampleCalibration();
    const QString path = writeFile(dir.filePath("start.tolmcal3"), stored);

    MainWindow window("usb", "-", path);
    QCOMPARE(window.calibrationFileName(), path);
    QVERIFY(!window.findChild<QAction*>("actLoadCalibration")->isEnabled());
    QVERIFY(!window.findChild<QAction*>("actSaveCalibration")->isEnabled());
    QVERIFY(!window.findChild<QAction*>("actSaveCalibrationAs")->isEnabled());
    QVERIFY(window.findChild<QAction*>("actSaveAndExit")->isEnabled());

    QCOMPARE(window.findChild<QLineEdit*>("txtUnit")->text(), QStringLiteral("kg"));
    for (int c = 0; c < 8; ++c) {
        QCOMPARE(window.column(c).sensitivityBox->value(), 10 + c);
        SensorWidget* graph = window.column(c).graph;
        for (int r = 0; r < 8; ++r) {
            QCOMPARE(graph->bar(r).unit, QStringLiteral("kg"));
            QCOMPARE(graph->bar(r).points.size(), int(stored.points(c, r).size()));
        }
    }
    QCOMPARE(window.column(1).graph->bar(1).points,
             (SensorPoints{qMakePair(double(0.2f), 1.0), qMakePair(double(0.4f), 3.0)}));
    QVERIFY(!window.calibrationData().isModified());
    QVERIFY(window.calibrationData() == stored);

    // The loaded sensitivities reach the board.
    QTRY_COMPARE_WITH_TIMEOUT(KivraTolmEmulator::boardState(0).columnSensitivity,
                              (std::vector<int>{10, 11, 12, 13, 14, 15, 16, 17}), 10000);

    ModalResponder responder;
    QVERIFY(window.close());
    QVERIFY(responder.shownBoxes().isEmpty());
    QVERIFY(!KivraTolmEmulator::boardState(0).open);
}

void TestCalMainWindow::fileSensitivityBeyondRange() {
    CalibrationData stored = sampleCalibration();
    stored.setSensitivity(0, 63);
    const QString first = writeFile(dir.filePath("first.tolmcal3"), stored);
    stored.setSensitivity(0, 100);
    const QString second = writeFile(dir.filePath("second.tolmcal3"), stored);

    // The second file's 100 shows as the 63 the spin box already has.
    MainWindow window("usb", "-", QString());
    ModalResponder responder;
    responder.chooseFiles({first, second});
    window.findChild<QAction*>("actLoadCalibration")->trigger();
    QTRY_VERIFY(!window.isLoadingCalibration());
    window.findChild<QAction*>("actLoadCalibration")->trigger();
    QTRY_VERIFY(!window.isLoadingCalibration());
    QCOMPARE(window.calibrationFileName(), second);
    QCOMPARE(window.column(0).sensitivityBox->value(), 63);
    QCOMPARE(window.calibrationData().sensitivity(0), 63);
    QVERIFY(!window.calibrationData().isModified());
    QTRY_COMPARE_WITH_TIMEOUT(KivraTolmEmulator::boardState(0).columnSensitivity,
                              (std::vector<int>{63, 11, 12, 13, 14, 15, 16, 17}), 10000);
}

void TestCalMainWindow::tickingEnablesAddButton() {
    MainWindow window("usb", "-", QString());
    auto* add = window.findChild<QPushButton*>("btnInsertCalPoint");
    QCheckBox* b2 = window.column(1).selectBoxes[1];
    QCheckBox* c3 = window.column(2).selectBoxes[2];

    b2->click();
    QVERIFY(add->isEnabled());
    QVERIFY(window.sensorSelection()[1 * 8 + 1]);
    c3->click();
    b2->click();
    QVERIFY(add->isEnabled());
    c3->click();
    QVERIFY(!add->isEnabled());
    QVERIFY(std::none_of(window.sensorSelection().begin(), window.sensorSelection().end(), [](bool b) { return b; }));
    // Ticking selects for the next point and edits nothing.
    QVERIFY(!window.calibrationData().isModified());
}

void TestCalMainWindow::eightSensorModeEnablesDiagonal() {
    MainWindow window("usb", "-", QString());
    QCOMPARE(window.calibrationData().enableMode(), SensorMode::EightSensor);
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r) {
            QCOMPARE(window.column(c).selectBoxes[r]->isEnabled(), c == r);
            QCOMPARE(window.column(c).graph->bar(r).state, c == r ? 1 : 0);
        }
        QCOMPARE(window.column(c).graph->shownBarIndices(), QVector<int>{c});
    }

    // All sensors: every box and all eight bars.
    ModalResponder responder;
    responder.onDialog([](QDialog* dialog) {
        dialog->findChild<QRadioButton*>("rdoAllSensors")->click();
        dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    });
    window.findChild<QAction*>("actSetMode")->trigger();
    QVERIFY(responder.allAnswersUsed());
    QCOMPARE(window.calibrationData().enableMode(), SensorMode::All);
    QVERIFY(window.calibrationData().isModified());
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 8; ++r)
            QVERIFY(window.column(c).selectBoxes[r]->isEnabled());
        QCOMPARE(window.column(c).graph->shownBarIndices(), (QVector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    }
}

void TestCalMainWindow::modeChangeDropsHiddenTicks() {
    MainWindow window("usb", "-", QString());
    auto* add = window.findChild<QPushButton*>("btnInsertCalPoint");
    window.column(3).selectBoxes[3]->click();
    QVERIFY(add->isEnabled());

    // Custom mode with only D5 selected: the D4 tick disappears with its box.
    ModalResponder responder;
    responder.onDialog([](QDialog* dialog) {
        dialog->findChild<QRadioButton*>("rdoCustom")->click();
        qobject_cast<ModeDialog*>(dialog)->sensorBox(3, 4)->click();
        dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    });
    window.findChild<QAction*>("actSetMode")->trigger();
    QVERIFY(responder.allAnswersUsed());

    QCOMPARE(window.calibrationData().enableMode(), SensorMode::Custom);
    QVERIFY(window.calibrationData().isSensorEnabled(3, 4));
    QVERIFY(!window.column(3).selectBoxes[3]->isEnabled());
    QVERIFY(!window.column(3).selectBoxes[3]->isChecked());
    QVERIFY(window.column(3).selectBoxes[4]->isEnabled());
    QVERIFY(!window.sensorSelection()[3 * 8 + 3]);
    QVERIFY(!add->isEnabled());
    QVERIFY(!anyBoxChecked(window));
}

void TestCalMainWindow::columnWithPointsLocksSensitivity_data() {
    QTest::addColumn<bool>("reset");
    QTest::newRow("reset") << true;
    QTest::newRow("keep") << false;
}

void TestCalMainWindow::columnWithPointsLocksSensitivity() {
    QFETCH(bool, reset);
    const QString path = writeFile(dir.filePath("points.tolmcal3"), sampleCalibration());
    MainWindow window("usb", "-", path);
    for (int c = 0; c < 8; ++c)
        QCOMPARE(window.column(c).sensitivityBox->isEnabled(), c != 1 && c != 6);

    ModalResponder responder;
    responder.answer({reset ? QMessageBox::Yes : QMessageBox::No});
    window.column(1).resetButton->click();
    QCOMPARE(responder.shownTexts(), QStringList{"Reset?"});
    QCOMPARE(responder.shownBoxes().value(0).title, QStringLiteral("Question"));

    QCOMPARE(window.column(1).sensitivityBox->isEnabled(), reset);
    QCOMPARE(window.calibrationData().points(1, 1).empty(), reset);
    QCOMPARE(window.column(1).graph->bar(1).points.isEmpty(), reset);
    QCOMPARE(window.calibrationData().isModified(), reset);
    // Other columns keep their points.
    QCOMPARE(window.calibrationData().points(6, 6).size(), size_t(1));
    QVERIFY(!window.column(6).sensitivityBox->isEnabled());
}

void TestCalMainWindow::resetAll_data() {
    QTest::addColumn<bool>("reset");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestCalMainWindow::resetAll() {
    QFETCH(bool, reset);
    const CalibrationData stored = sampleCalibration();
    const QString path = writeFile(dir.filePath("all.tolmcal3"), stored);
    MainWindow window("usb", "-", path);

    ModalResponder responder;
    responder.answer({reset ? QMessageBox::Yes : QMessageBox::No});
    window.findChild<QPushButton*>("btnResetAll")->click();
    QCOMPARE(responder.shownTexts(), QStringList{"Reset all?"});

    if (!reset) {
        QVERIFY(window.calibrationData() == stored);
        QVERIFY(!window.calibrationData().isModified());
        QVERIFY(!window.column(1).sensitivityBox->isEnabled());
        QCOMPARE(window.column(1).graph->bar(1).points.size(), 2);
    } else {
        for (int c = 0; c < 8; ++c) {
            QVERIFY(window.column(c).sensitivityBox->isEnabled());
            QCOMPARE(window.calibrationData().sensitivity(c), 10 + c);
            for (int r = 0; r < 8; ++r)
                QVERIFY(window.calibrationData().points(c, r).empty());
        }
        QVERIFY(window.calibrationData().isModified());
        QCOMPARE(window.calibrationData().unit(), std::string("kg"));
    }
}

void TestCalMainWindow::unitMarksModifiedAndCloseAsks() {
    MainWindow window("usb", "-", QString());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClicks(window.findChild<QLineEdit*>("txtUnit"), "mm");
    QVERIFY(window.calibrationData().isModified());
    QCOMPARE(window.calibrationData().unit(), std::string("mm"));
    QCOMPARE(window.column(5).graph->bar(7).unit, QStringLiteral("mm"));

    ModalResponder responder;
    responder.answer({QMessageBox::No});
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QCOMPARE(responder.shownTexts(), QStringList{unsavedQuestion});
    QCOMPARE(responder.shownBoxes().value(0).title, QStringLiteral("Question"));

    responder.answer({QMessageBox::Yes});
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
    QCOMPARE(responder.shownTexts(), (QStringList{unsavedQuestion, unsavedQuestion}));
}

void TestCalMainWindow::saveAsCancelledThenSaveAsksAgain() {
    const QString loaded = writeFile(dir.filePath("loaded.tolmcal3"), sampleCalibration());
    MainWindow window("usb", "-", QString());
    ModalResponder responder;

    responder.chooseFiles({loaded});
    window.findChild<QAction*>("actLoadCalibration")->trigger();
    QTRY_VERIFY(!window.isLoadingCalibration());
    QCOMPARE(window.calibrationFileName(), loaded);
    QCOMPARE(window.column(3).sensitivityBox->value(), 13);

    responder.chooseFiles({QString()});
    window.findChild<QAction*>("actSaveCalibrationAs")->trigger();
    QCOMPARE(window.calibrationFileName(), QString());
    QCOMPARE(responder.fileDialogsShown(), 2);

    // Without a name, Save asks again; the suffix is added once.
    window.column(0).sensitivityBox->setValue(44);
    const QString chosen = dir.filePath("chosen");
    responder.chooseFiles({chosen});
    window.findChild<QAction*>("actSaveCalibration")->trigger();
    QCOMPARE(responder.fileDialogsShown(), 3);
    QCOMPARE(window.calibrationFileName(), chosen + ".tolmcal3");
    QVERIFY(!window.calibrationData().isModified());
    QVERIFY(responder.shownBoxes().isEmpty());
    const CalibrationData saved = readFile(chosen + ".tolmcal3");
    QCOMPARE(saved.sensitivity(0), 44);
    QVERIFY(saved == window.calibrationData());

    // A name that has the suffix keeps it as it is.
    responder.chooseFiles({dir.filePath("again.tolmcal3")});
    window.findChild<QAction*>("actSaveCalibrationAs")->trigger();
    QCOMPARE(window.calibrationFileName(), dir.filePath("again.tolmcal3"));
    QVERIFY(QFile::exists(dir.filePath("again.tolmcal3")));
    QVERIFY(!QFile::exists(dir.filePath("again.tolmcal3.tolmcal3")));
}

void TestCalMainWindow::saveWithoutFileCancelled() {
    MainWindow window("usb", "-", QString());
    window.findChild<QLineEdit*>("txtUnit")->setText("bar");

    ModalResponder responder;
    responder.chooseFiles({QString()});
    QVERIFY(!window.onSave());
    QCOMPARE(responder.fileDialogsShown(), 1);
    QCOMPARE(responder.shownBoxes().size(), 1);
    QCOMPARE(responder.shownBoxes()[0].title, QStringLiteral("Failed to save configuration"));
    QVERIFY(responder.shownBoxes()[0].text.startsWith(QStringLiteral("Can't open file : ")));
    QCOMPARE(responder.shownBoxes()[0].icon, QMessageBox::Critical);
    QVERIFY(window.calibrationData().isModified());
}

void TestCalMainWindow::saveAndExitWithoutFileCancelled() {
    const QDir empty(dir.filePath("exit"));
    QVERIFY(QDir().mkpath(empty.path()));
    QDir::setCurrent(empty.path());

    MainWindow window("usb", "-", QString());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QLineEdit*>("txtUnit")->setText("bar");

    ModalResponder responder;
    responder.chooseFiles({QString()});
    window.findChild<QAction*>("actSaveAndExit")->trigger();
    QVERIFY(!window.isVisible());
    QVERIFY(responder.shownBoxes().isEmpty());
    QVERIFY(!window.calibrationData().isModified());
    QVERIFY(empty.entryList(QDir::Files).isEmpty());
    QVERIFY(!KivraTolmEmulator::boardState(0).open);
}

void TestCalMainWindow::saveAndExitWritesFileGivenAtStart() {
    const QString path = writeFile(dir.filePath("exit.tolmcal3"), sampleCalibration());
    MainWindow window("usb", "-", path);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QLineEdit*>("txtUnit")->setText("N");
    window.column(2).sensitivityBox->setValue(5);

    ModalResponder responder;
    window.findChild<QAction*>("actSaveAndExit")->trigger();
    QVERIFY(!window.isVisible());
    QVERIFY(responder.shownBoxes().isEmpty());
    QCOMPARE(responder.fileDialogsShown(), 0);
    const CalibrationData saved = readFile(path);
    QCOMPARE(saved.unit(), std::string("N"));
    QCOMPARE(saved.sensitivity(2), 5);
    QCOMPARE(saved.points(1, 1).size(), size_t(2));
}

void TestCalMainWindow::loadAsksWhenModified() {
    const QString path = writeFile(dir.filePath("other.tolmcal3"), sampleCalibration());
    MainWindow window("usb", "-", QString());
    window.findChild<QLineEdit*>("txtUnit")->setText("bar");

    ModalResponder responder;
    responder.answer({QMessageBox::No});
    window.findChild<QAction*>("actLoadCalibration")->trigger();
    QCOMPARE(responder.shownTexts(), QStringList{"Unsaved data exists, really load ?"});
    QCOMPARE(responder.fileDialogsShown(), 0);
    QCOMPARE(window.calibrationData().unit(), std::string("bar"));

    responder.answer({QMessageBox::Yes});
    responder.chooseFiles({path});
    window.findChild<QAction*>("actLoadCalibration")->trigger();
    QTRY_VERIFY(!window.isLoadingCalibration());
    QCOMPARE(window.calibrationData().unit(), std::string("kg"));
    QVERIFY(!window.calibrationData().isModified());
    QCOMPARE(window.calibrationFileName(), path);
}

// A dropped file and a recent one load as "Load Calibration ..." does: asked
// first when there are unsaved changes; never in a window given its file.
void TestCalMainWindow::dropAndRecentLoadAsLoadDoes() {
    const QString path = writeFile(dir.filePath("dropped.tolmcal3"), sampleCalibration());
    {
        MainWindow fixed("usb", "-", path);
        QVERIFY(!fixed.findChild<QMenu*>("menuRecentCalibrations")->isEnabled());
        QVERIFY(!dropFile(fixed, path));
    }
    MainWindow window("usb", "-", QString());
    window.findChild<QLineEdit*>("txtUnit")->setText("bar");
    ModalResponder responder;
    responder.answer({QMessageBox::No});
    QVERIFY(dropFile(window, path));
    QTRY_COMPARE(responder.shownTexts(), QStringList{"Unsaved data exists, really load ?"});
    QCOMPARE(window.calibrationData().unit(), std::string("bar"));

    // The file the other window loaded heads the list.
    QAction* recent = window.findChild<QMenu*>("menuRecentCalibrations")->actions().value(0);
    QVERIFY(recent && recent->toolTip() == QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    responder.answer({QMessageBox::Yes});
    recent->trigger();
    QTRY_VERIFY(!window.isLoadingCalibration());
    QCOMPARE(window.calibrationData().unit(), std::string("kg"));
    QCOMPARE(window.calibrationFileName(), path);
}

void TestCalMainWindow::failedLoadKeepsCalibrationAndFile() {
    const QString good = writeFile(dir.filePath("good.tolmcal3"), sampleCalibration());
    const QString bad = dir.filePath("bad.tolmcal3");
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\" ?>\n<Calibration enableMode=\"0\" unit=\"\" />\n");
    file.close();

    MainWindow window("usb", "-", QString());
    ModalResponder responder;
    responder.chooseFiles({good, bad});
    window.findChild<QAction*>("actLoadCalibration")->trigger();
    QTRY_VERIFY(!window.isLoadingCalibration());
    const CalibrationData before = window.calibrationData();
    window.findChild<QAction*>("actLoadCalibration")->trigger();
    QTRY_VERIFY(!window.isLoadingCalibration());

    QCOMPARE(responder.shownBoxes().size(), 1);
    QCOMPARE(responder.shownBoxes()[0].title, QStringLiteral("Failed to load configuration"));
    QCOMPARE(responder.shownBoxes()[0].text, QStringLiteral("Invalid file structure (invalid root)."));
    QCOMPARE(responder.shownBoxes()[0].detailedText, "File: " + bad + "\nElement: /Calibration");
    QVERIFY(window.calibrationData() == before);
    QCOMPARE(window.column(4).sensitivityBox->value(), 14);
    // Saving now must not overwrite the file that failed to load.
    QCOMPARE(window.calibrationFileName(), good);
}

void TestCalMainWindow::fileThatFailedIsReplacedOnlyWhenAnsweredYes_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("No keeps the file") << int(QMessageBox::No);
    QTest::newRow("Yes replaces it") << int(QMessageBox::Yes);
}

// As the DAQ program hands a file over: started on a file that fails to
// load, "Save and Exit" would write the empty calibration over every point.
void TestCalMainWindow::fileThatFailedIsReplacedOnlyWhenAnsweredYes() {
    QFETCH(int, answer);
    const QString path = dir.filePath("points.tolmcal3");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray content = "<?xml version=\"1.0\" ?>\n<calibration enableMode=\"0\" unit=\"N\"><customSelected/>"
                               "<columns><column sensitivity=\"31\"><row><point x=\"0.5\" y=\"2\"/>"
                               "<point x=\"inf\" y=\"3\"/></row></column></columns></calibration>\n";
    file.write(content);
    file.close();

    ModalResponder responder;
    responder.answer({QMessageBox::Ok, QMessageBox::StandardButton(answer)});
    // Once the window is up (the load's message box ran during its
    // construction): Save and Exit, as the user would.
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&user] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<MainWindow*>(widget);
            if (!window || !window->isVisible() || QApplication::activeModalWidget())
                continue;
            user.stop();
            window->findChild<QAction*>("actSaveAndExit")->trigger();
            // Not saved, the window stays: the user leaves with Exit.
            if (window->isVisible())
                window->findChild<QAction*>("actExit")->trigger();
        }
    });
    user.start(10);
    QCOMPARE(runMainWindow<MainWindow>({"kivratolm-cal-lite-x86", "use=usb/-", "cfg=" + path}), 0);

    QCOMPARE(responder.shownTitles(), (QStringList{"Failed to load configuration", "Question"}));
    QCOMPARE(responder.shownTexts()[0], QStringLiteral("bad numeric conversion: positive overflow"));
    QCOMPARE(responder.shownBoxes()[0].detailedText,
             "File: " + path + "\nElement: /calibration/columns[1]/column[1]/row[1]/point[2]");
    QVERIFY(responder.shownTexts()[1].contains(path));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    if (answer == QMessageBox::No)
        QCOMPARE(written.readAll(), content);
    else
        QVERIFY(readFile(path) == CalibrationData());
}

void TestCalMainWindow::stalledLoadLeavesWindowFree() {
    const QString path = writeFile(dir.filePath("share.tolmcal3"), sampleCalibration());
    const StalledCalibrationLoad stall(path);
    QVERIFY(stall.isReady());

    ModalResponder responder;
    for (const bool completes : {true, false}) {
        MainWindow window("usb", "-", QString());
        QAction* load = window.findChild<QAction*>("actLoadCalibration");
        responder.chooseFiles({path});
        load->trigger();
        QVERIFY(window.isLoadingCalibration());
        QVERIFY(!load->isEnabled());
        // No second load while one is pending.
        load->trigger();
        QCOMPARE(responder.fileDialogsShown(), completes ? 1 : 2);
        // The window goes on: its timer feeds the graphs.
        QTRY_VERIFY_WITH_TIMEOUT(window.column(0).graph->bar(0).intensity > 0.0, 10000);
        QCOMPARE(window.calibrationData().unit(), std::string());

        if (completes) {
            QVERIFY(stall.release());
            QTRY_VERIFY(!window.isLoadingCalibration());
            QVERIFY(load->isEnabled());
            QCOMPARE(window.calibrationData().unit(), std::string("kg"));
            QCOMPARE(window.calibrationFileName(), path);
            QVERIFY(window.close());
        } else {
            // Exit is not held up by a read that never returns.
            QVERIFY(window.close());
            QVERIFY(!KivraTolmEmulator::boardState(0).open);
        }
    }
    QVERIFY(responder.shownBoxes().isEmpty());
}

void TestCalMainWindow::unitEntryRefusesWhatBreaksTheLog_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("unit");
    QTest::newRow("semicolon typed") << "m;s" << QString() << "ms";
    QTest::newRow("line feed pasted") << "N"
                                      << "k\nN"
                                      << "N";
    QTest::newRow("carriage return pasted") << "N"
                                            << "k\rN"
                                            << "N";
    QTest::newRow("65 characters") << QString(65, 'x') << QString() << QString(64, 'x');
}

// The unit ends up in the capture log's column line, where ";" separates
// the columns and a line break ends the line.
void TestCalMainWindow::unitEntryRefusesWhatBreaksTheLog() {
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, unit);
    MainWindow window("usb", "-", QString());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* edit = window.findChild<QLineEdit*>("txtUnit");
    edit->setFocus();

    ModalResponder responder;
    QTest::keyClicks(edit, typed);
    if (!pasted.isEmpty()) {
        QApplication::clipboard()->setText(pasted);
        edit->paste();
    }
    // Said beside the field; no box interrupts the typing.
    QTRY_COMPARE(QToolTip::text(),
                 QStringLiteral("A unit can't contain \";\" or a line break and has at most 64 characters."));
    QVERIFY(responder.shownBoxes().isEmpty());
    QCOMPARE(edit->text(), unit);
    QCOMPARE(QString::fromStdString(window.calibrationData().unit()), unit);
    responder.answer({QMessageBox::Yes});
    QVERIFY(window.close());
}

void TestCalMainWindow::markupShownAsPlainText() {
    // A unit and a file name that look like markup are data: the graphs and
    // the messages show their characters as they are.
    CalibrationData calibration = sampleCalibration();
    const QString unit = QStringLiteral("<b>kg</b>");
    calibration.setUnit(unit.toStdString());
    const QString path = writeFile(dir.filePath(QStringLiteral("<img src=\"x.png\"><b>start.tolmcal3")), calibration);
    {
        MainWindow window("usb", "-", path);
        QCOMPARE(window.findChild<QLineEdit*>("txtUnit")->text(), unit);
        QVERIFY(window.column(1).graph->bar(1).unit == unit);
        QVERIFY(barText(window.column(1).graph->bar(1)).endsWith(QStringLiteral(" ") + unit));
    }

    QVERIFY(QFile::remove(path));
    ModalResponder responder;
    MainWindow window("usb", "-", path);
    QCOMPARE(responder.shownBoxes().size(), 1);
    QCOMPARE(responder.shownBoxes()[0].title, QStringLiteral("Failed to load configuration"));
    QCOMPARE(responder.shownBoxes()[0].text, "Can't open file : " + path);
    QCOMPARE(responder.shownBoxes()[0].textFormat, Qt::PlainText);
}

void TestCalMainWindow::addPointsThroughDialog() {
    MainWindow window("usb", "-", QString());
    window.column(2).selectBoxes[2]->click();
    window.column(5).selectBoxes[5]->click();

    // The emulated board's readings are not zero, so 7.5 is accepted as the
    // first point of both sensors.
    ModalResponder responder;
    responder.onDialog([](QDialog* dialog) {
        dialog->findChild<QDoubleSpinBox*>("spnValue")->setValue(7.5);
        dialog->findChild<QPushButton*>("btnAdd")->click();
        dialog->findChild<QPushButton*>("btnDone")->click();
    });
    QTRY_VERIFY_WITH_TIMEOUT(KivraTolmEmulator::boardState(0).framesProduced > 8, 10000);
    window.findChild<QPushButton*>("btnInsertCalPoint")->click();
    QVERIFY(responder.allAnswersUsed());
    QVERIFY(responder.shownBoxes().isEmpty());

    QCOMPARE(window.calibrationData().points(2, 2).size(), size_t(1));
    QCOMPARE(window.calibrationData().points(5, 5).size(), size_t(1));
    QCOMPARE(window.column(2).graph->bar(2).points.size(), 1);
    QVERIFY(!window.column(2).sensitivityBox->isEnabled());
    QVERIFY(window.column(3).sensitivityBox->isEnabled());

    // Adding again to sensors with points first asks whether to reset them.
    responder.answer({QMessageBox::Yes});
    responder.onDialog([](QDialog* dialog) { dialog->findChild<QPushButton*>("btnDone")->click(); });
    window.findChild<QPushButton*>("btnInsertCalPoint")->click();
    QCOMPARE(responder.shownTexts(),
             QStringList{"At least one sensors already contains calibration data, reset before continue?"});
    QVERIFY(window.calibrationData().points(2, 2).empty());
    QVERIFY(window.calibrationData().points(5, 5).empty());
    QVERIFY(window.column(2).sensitivityBox->isEnabled());
}

void TestCalMainWindow::engineErrorRetried() {
    MainWindow window("usb", "-", QString());
    QTRY_VERIFY_WITH_TIMEOUT(KivraTolmEmulator::boardState(0).running, 10000);
    // The connection sends the eight sensitivities; the next one fails.
    QTRY_COMPARE_WITH_TIMEOUT(countCalls("SetColumnSensitivity("), 8, 10000);
    KivraTolmEmulator::Fault fault;
    fault.function = "SetColumnSensitivity";
    fault.message = "Sensitivity rejected";
    fault.times = 1;
    KivraTolmEmulator::injectFault(fault);

    // The answer comes late, so that the timer ticks while the question is open.
    ModalResponder responder;
    responder.setAnswerDelay(400);
    responder.answer({QMessageBox::Yes});
    window.column(5).sensitivityBox->setValue(20);
    QTRY_COMPARE_WITH_TIMEOUT(responder.shownBoxes().size(), 1, 10000);
    QCOMPARE(responder.shownBoxes()[0].title, QStringLiteral("Error"));
    QVERIFY(responder.shownBoxes()[0].text.startsWith(QStringLiteral("Error: ")));
    QVERIFY(responder.shownBoxes()[0].text.contains(QStringLiteral("Sensitivity rejected")));
    QVERIFY(responder.shownBoxes()[0].text.endsWith(QStringLiteral("\nRetry ?")));

    // Acquisition runs again with every stored sensitivity.
    QTRY_COMPARE_WITH_TIMEOUT(KivraTolmEmulator::boardState(0).columnSensitivity,
                              (std::vector<int>{31, 31, 31, 31, 31, 20, 31, 31}), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(KivraTolmEmulator::boardState(0).running, 10000);
    QCOMPARE(countCalls("Open("), 2);
    // Asked once, although the timer kept running while the question was open.
    QCOMPARE(responder.shownBoxes().size(), 1);
    QCOMPARE(KivraTolmEmulator::boardState(0).columnSensitivity[5], 20);
}

void TestCalMainWindow::engineErrorNotRetried() {
    KivraTolmEmulator::Fault fault;
    fault.function = "SetColumnSensitivity";
    fault.message = "Sensitivity rejected";
    KivraTolmEmulator::injectFault(fault);

    MainWindow window("usb", "-", QString());
    ModalResponder responder;
    responder.answer({QMessageBox::No, QMessageBox::Ok});
    QTRY_COMPARE_WITH_TIMEOUT(responder.shownBoxes().size(), 2, 10000);
    QCOMPARE(responder.shownBoxes()[1].title, QStringLiteral("Information"));
    QCOMPARE(responder.shownBoxes()[1].text, QStringLiteral("Please store configuration and terminate application."));
    QCOMPARE(responder.shownBoxes()[0].title, QStringLiteral("Error"));
    // The engine is stopped and the window stays open so the user can save.
    QVERIFY(!KivraTolmEmulator::boardState(0).open);
    QVERIFY(window.findChild<QAction*>("actSaveCalibrationAs")->isEnabled());
    ModalResponder closing;
    QVERIFY(window.close());
    QVERIFY(closing.shownBoxes().isEmpty());
}

QTEST_MAIN(TestCalMainWindow)
#include "tst_calmainwindow.moc"
