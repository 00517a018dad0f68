#include "MainWindow.h"

#include "ui_MainWindow.h"

#include "AboutDialog.h"
#include "CalDialog.h"
#include "CalibrationErrorBox.h"
#include "Capture.h"
#include "EmulatedBoard.h"
#include "FileDrop.h"
#include "LastSession.h"
#include "ModeDialog.h"
#include "PlainMessageBox.h"
#include "RecentMenu.h"
#include "SensorPoints.h"
#include "SensorWidget.h"
#include "StartUp.h"
#include "ThemeDialog.h"
#include "UnitValidator.h"
#include "UserGuide.h"
#include "WindowEngine.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolTip>

#include <algorithm>
#include <exception>
#include <memory>

namespace {

const char* const indexProperty = "__index";
const QString calibrationSuffix = QStringLiteral(".tolmcal3");
const QString sessionCalibrationKey = QStringLiteral("calibrationFile");
constexpr int noteMs = 10000;

QKeySequence keys(const char* sequence) {
    return QKeySequence::fromString(QLatin1String(sequence), QKeySequence::PortableText);
}

QString fileFilter() {
    return QCoreApplication::translate("MainWindow", "Tolm calibration files V3 (*.tolmcal3)");
}

std::string nativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString withSuffix(const QString& name) {
    return name.endsWith(calibrationSuffix) ? name : name + calibrationSuffix;
}

} // namespace

MainWindow::MainWindow(const QString& bus, const QString& address, const QString& calibrationFile, QWidget* parent)
    : QMainWindow(parent)
    , bus(bus)
    , address(address)
    , calibrationFile(calibrationFile)
    , ui(std::make_unique<Ui::MainWindow>()) {
    ui->setupUi(this);
    updateWindowTitle();

    // A file from the command line is the only one this run works on.
    if (!calibrationFile.isEmpty()) {
        ui->actLoadCalibration->setEnabled(false);
        ui->actSaveCalibration->setEnabled(false);
        ui->actSaveCalibrationAs->setEnabled(false);
    }
    buildMenus();

    connect(ui->actSelectTheme, &QAction::triggered, this, [this] {
        ThemeDialog dialog(this);
        dialog.exec();
    });
    connect(ui->actAbout, &QAction::triggered, this, [this] {
        AboutDialog dialog(this, productName(Program::Cal));
        dialog.exec();
    });

    for (int c = 0; c < 8; ++c)
        buildColumn(c);

    connect(ui->btnInsertCalPoint, &QPushButton::clicked, this, &MainWindow::onStartCal);
    connect(ui->btnResetAll, &QPushButton::clicked, this, &MainWindow::onResetAll);
    connect(ui->txtUnit, &QLineEdit::textChanged, this, &MainWindow::onUnitChanged);
    ui->txtUnit->setValidator(new UnitValidator(ui->txtUnit));
    // Said beside the field, not in a box: a box would stop the typing at
    // every refused key.
    connect(ui->txtUnit, &QLineEdit::inputRejected, this, [this] {
        QToolTip::showText(ui->txtUnit->mapToGlobal(QPoint(0, ui->txtUnit->height())),
                           tr("A unit can't contain \";\" or a line break and has at most %1 characters.")
                               .arg(UnitValidator::maxLength),
                           ui->txtUnit);
    });
    ui->btnInsertCalPoint->setEnabled(false);
    ui->sensorControls->setRowStretch(0, 1);
    for (int c = 0; c < 8; ++c)
        ui->sensorControls->setColumnStretch(c, 1);

    if (!chooseDevice(this, this->bus, this->address)) {
        cancelledSelection = true;
        return;
    }

    capture = openCapture(this->bus, this->address);

    connect(&timer, &QTimer::timeout, this, &MainWindow::onTimer);
    timer.start(50);

    // A file on the command line wins over the last session's.
    if (!calibrationFile.isEmpty())
        loadCalibrationFile();
    else
        restoreLastCalibration();
    setAcceptDrops(true);

    connect(ui->actLoadCalibration, &QAction::triggered, this, &MainWindow::onLoad);
    connect(&calibrationLoad, &CalibrationFileLoad::finished, this, &MainWindow::onCalibrationLoaded);
    connect(ui->actSaveCalibration, &QAction::triggered, this, &MainWindow::onSave);
    connect(ui->actSaveCalibrationAs, &QAction::triggered, this, &MainWindow::onSaveAs);
    connect(ui->actSaveAndExit, &QAction::triggered, this, &MainWindow::onSaveAndExit);
    connect(ui->actSetMode, &QAction::triggered, this, &MainWindow::onSetMode);
    connect(ui->actExit, &QAction::triggered, this, &MainWindow::close);

    refreshColumns();
}

MainWindow::~MainWindow() {
    timer.stop();
    if (capture)
        capture->stop();
}

void MainWindow::buildMenus() {
    // The tool bar keeps its tips; the keys show in the menus.
    ui->actLoadCalibration->setShortcut(keys("Ctrl+O"));
    ui->actSaveCalibration->setShortcut(keys("Ctrl+S"));
    ui->actSaveCalibrationAs->setShortcut(keys("Ctrl+Shift+S"));
    ui->actExit->setShortcut(keys("Ctrl+Q"));
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    file->addAction(ui->actLoadCalibration);
    recentCalibrations = new RecentMenu(tr("Recent Calibration Files"), QStringLiteral("calibrationFiles"), this);
    recentCalibrations->setObjectName(QStringLiteral("menuRecentCalibrations"));
    // A file given at start is the only one this run works on.
    recentCalibrations->setEnabled(calibrationFile.isEmpty());
    file->addMenu(recentCalibrations);
    file->addAction(ui->actSaveCalibration);
    file->addAction(ui->actSaveCalibrationAs);
    file->addSeparator();
    LastSession::addRestoreAction(*file);
    file->addSeparator();
    file->addAction(ui->actSaveAndExit);
    file->addAction(ui->actExit);
    addHelpMenu(*this, ui->actAbout, [] { return QCoreApplication::applicationFilePath(); });

    connect(recentCalibrations, &RecentMenu::fileChosen, this, &MainWindow::openCalibration);
}

void MainWindow::showNote(const QString& text) {
    statusBar()->showMessage(text, noteMs);
}

void MainWindow::restoreLastCalibration() {
    QString note;
    CalibrationFileLoad::Result loaded = LastSession::readRememberedCalibration(sessionCalibrationKey, note);
    if (!note.isEmpty())
        showNote(note);
    if (loaded.path.isEmpty())
        return;
    const QString file = loaded.path;
    if (applyCalibration(std::move(loaded))) {
        calibrationFile = file;
        recentCalibrations->add(file);
    }
    updateWindowTitle();
}

void MainWindow::openCalibration(const QString& path) {
    if (!recentCalibrations->isEnabled() || calibrationLoad.isPending())
        return;
    if (calibration.isModified() &&
        showPlainMessage(this, QMessageBox::Question, tr("Question"), tr("Unsaved data exists, really load ?"),
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    if (!QFileInfo::exists(path)) {
        recentCalibrations->remove(path);
        showNote(tr("%1 is gone and was taken off the list.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    startLoad(path);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (recentCalibrations->isEnabled() && !droppedFile(event->mimeData(), {calibrationSuffix}).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData(), {calibrationSuffix});
    if (path.isEmpty() || !recentCalibrations->isEnabled())
        return;
    event->acceptProposedAction();
    // After the drop has ended: the question about unsaved data must not
    // keep the program the file came from waiting.
    QTimer::singleShot(0, this, [this, path] { openCalibration(path); });
}

void MainWindow::buildColumn(int c) {
    ColumnControls& controls = columnControls[c];

    controls.graph = new SensorWidget(ui->centralWidget);
    controls.graph->enableCalibrationPoints(true);
    ui->sensorControls->addWidget(controls.graph, 0, c);

    auto* boxes = new QGridLayout;
    for (int r = 0; r < 8; ++r) {
        auto* box = new QCheckBox(ui->centralWidget);
        box->setToolTip(tr("Select to include for the next calibration point insertion."));
        boxes->addWidget(box, r / 4, r % 4, Qt::AlignCenter);
        controls.selectBoxes[r] = box;
        connect(box, &QCheckBox::clicked, this, [this, c, r](bool checked) { onSelectionChanged(c, r, checked); });
    }
    ui->sensorControls->addLayout(boxes, 1, c);

    controls.sensitivityBox = new QSpinBox(ui->centralWidget);
    controls.sensitivityBox->setRange(0, 63);
    controls.sensitivityBox->setValue(31);
    controls.sensitivityBox->setAlignment(Qt::AlignHCenter);
    controls.sensitivityBox->setToolTip(tr("Define sensitivity for the sensors in this column (Range 0..63)."));
    controls.sensitivityBox->setProperty(indexProperty, c);
    ui->sensorControls->addWidget(controls.sensitivityBox, 2, c);
    connect(controls.sensitivityBox, qOverload<int>(&QSpinBox::valueChanged), this, &MainWindow::onSpinner);

    controls.resetButton =
        new QPushButton(QIcon(QStringLiteral(":/images/icons/cancel.png")), tr("  Reset"), ui->centralWidget);
    controls.resetButton->setToolTip(tr("Remove all calibration points from the current column."));
    controls.resetButton->setProperty(indexProperty, c);
    ui->sensorControls->addWidget(controls.resetButton, 3, c);
    connect(controls.resetButton, &QPushButton::clicked, this, &MainWindow::onSingleReset);

    controls.graph->animate();
}

void MainWindow::onSelectionChanged(int c, int r, bool checked) {
    selection[SensorPosition{c, r}.index()] = checked;
    updateInsertButton();
}

void MainWindow::updateInsertButton() {
    ui->btnInsertCalPoint->setEnabled(std::any_of(selection.begin(), selection.end(), [](bool b) { return b; }));
}

void MainWindow::updateWindowTitle() {
    QString title = tr("Kivra Tolm CAL lite 2.0");
    if (!calibrationFile.isEmpty())
        title += QStringLiteral(" - ") + QFileInfo(calibrationFile).fileName();
    setWindowTitle(title + emulatedBoardTitleSuffix());
}

void MainWindow::onTimer() {
    if (!capture)
        return;

    if (!retryQuestionOpen) {
        const std::string error = capture->errorText();
        if (!error.empty())
            askRetry(QString::fromStdString(error));
    }

    const KivraTolm::InputFrame frame = capture->averagedFrame();
    const KivraTolm::InputFrame calibrated = calibration.calibrateFrame(frame);
    for (int c = 0; c < 8; ++c) {
        SensorWidget* graph = columnControls[c].graph;
        for (int r = 0; r < 8; ++r)
            graph->updateSensor(r, frame.sensors[r][c], calibrated.sensors[r][c]);
        graph->animate();
    }
}

void MainWindow::askRetry(const QString& error) {
    retryQuestionOpen = true;
    const std::unique_ptr<QMessageBox> box(newRetryQuestion(error, this));
    box->exec();
    // Closed without a button counts as No.
    QAbstractButton* answer = box->clickedButton();
    if (answer && box->standardButton(answer) == QMessageBox::Yes) {
        capture->start();
        sendColumnSensitivities(*capture, calibration);
    } else {
        capture->stop();
        showPlainMessage(this, QMessageBox::Information, tr("Information"),
                         tr("Please store configuration and terminate application."));
    }
    retryQuestionOpen = false;
}

void MainWindow::onSpinner(int value) {
    const int c = sender()->property(indexProperty).toInt();
    calibration.setSensitivity(c, value);
    if (capture)
        capture->setColumnSensitivity(c, value);
}

void MainWindow::onSingleReset() {
    const int c = sender()->property(indexProperty).toInt();
    if (showPlainMessage(this, QMessageBox::Question, tr("Question"), tr("Reset?"),
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    calibration.clearColumnPoints(c);
    refreshColumns();
}

void MainWindow::onResetAll() {
    if (showPlainMessage(this, QMessageBox::Question, tr("Question"), tr("Reset all?"),
                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        calibration.clearAllPoints();
    refreshColumns();
}

void MainWindow::onUnitChanged(const QString& text) {
    calibration.setUnit(text.toStdString());
    for (ColumnControls& controls : columnControls)
        controls.graph->setUnit(text);
}

void MainWindow::onStartCal() {
    if (!capture)
        return;

    const auto listed = sensorsWhere(selection, true);
    const bool anyPoints = std::any_of(listed.begin(), listed.end(), [this](const auto& sensor) {
        return !calibration.points(sensor.column, sensor.row).empty();
    });
    if (anyPoints &&
        showPlainMessage(this, QMessageBox::Question, tr("Question"),
                         tr("At least one sensors already contains calibration data, reset before continue?"),
                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
        for (const auto& sensor : listed)
            calibration.clearSensorPoints(sensor.column, sensor.row);
        refreshColumns();
    }

    CalDialog dialog(this, QString::fromStdString(calibration.unit()), calibration, selection, *capture);
    connect(&dialog, &CalDialog::pointsChanged, this, &MainWindow::refreshColumns);
    dialog.exec();
}

void MainWindow::onSetMode() {
    ModeDialog dialog(this, calibration);
    dialog.exec();
    refreshColumns();
}

void MainWindow::refreshColumns() {
    const bool singleMode = calibration.enableMode() == SensorMode::EightSensor;
    for (int c = 0; c < 8; ++c) {
        ColumnControls& controls = columnControls[c];
        bool columnHasPoints = false;
        for (int r = 0; r < 8; ++r) {
            const bool enabled = calibration.isSensorEnabled(c, r);
            QCheckBox* box = controls.selectBoxes[r];
            box->setEnabled(enabled);
            if (!enabled) {
                box->setChecked(false);
                // A sensor the mode leaves out must not receive points
                // through a tick the user can no longer see.
                selection[SensorPosition{c, r}.index()] = false;
            }
            controls.graph->enableSensor(r, enabled);
            const CalibrationPoints points = calibration.points(c, r);
            columnHasPoints = columnHasPoints || !points.empty();
            controls.graph->updateCalibrationPoints(r, sensorPoints(points));
        }
        controls.graph->setSingleMode(singleMode, c);
        controls.sensitivityBox->setEnabled(!columnHasPoints);
    }
    updateInsertButton();
}

bool MainWindow::loadCalibrationFile() {
    const bool loaded = applyCalibration(CalibrationFileLoad::read(calibrationFile));
    // Nothing of that file is shown: saving must not replace it unasked.
    unloadedFile = loaded ? QString() : calibrationFile;
    if (loaded)
        recentCalibrations->add(calibrationFile);
    return loaded;
}

bool MainWindow::applyCalibration(CalibrationFileLoad::Result loaded) {
    try {
        if (loaded.error)
            std::rethrow_exception(loaded.error);
    } catch (const std::exception& e) {
        showCalibrationError(this, tr("Failed to load configuration"), QString::fromStdString(e.what()), e);
        return false;
    }
    calibration = std::move(loaded.calibration);
    for (int c = 0; c < 8; ++c) {
        QSpinBox* box = columnControls[c].sensitivityBox;
        box->setValue(calibration.sensitivity(c));
        // A file value outside 0..63 shows clamped; keep the calibration at
        // what the spin box and the board have, so a retry sends the same.
        calibration.setSensitivity(c, box->value());
    }
    ui->txtUnit->setText(QString::fromStdString(calibration.unit()));
    // Filling the controls went through the editing paths.
    calibration.setModified(false);
    refreshColumns();
    return true;
}

bool MainWindow::saveCalibrationFile() {
    if (!unloadedFile.isEmpty() && calibrationFile == unloadedFile &&
        showPlainMessage(this, QMessageBox::Question, tr("Question"),
                         tr("%1 could not be loaded. Replace it with the calibration shown here?").arg(unloadedFile),
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return false;
    try {
        calibration.save(nativePath(calibrationFile));
    } catch (const std::exception& e) {
        showCalibrationError(this, tr("Failed to save configuration"), QString::fromStdString(e.what()), e);
        return false;
    }
    if (calibrationFile == unloadedFile)
        unloadedFile.clear();
    recentCalibrations->add(calibrationFile);
    return true;
}

void MainWindow::onLoad() {
    if (calibrationLoad.isPending())
        return;
    if (calibration.isModified() &&
        showPlainMessage(this, QMessageBox::Question, tr("Question"), tr("Unsaved data exists, really load ?"),
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;

    const QString chosen = QFileDialog::getOpenFileName(this, tr("Select file to load"), QString(), fileFilter());
    if (chosen.isEmpty()) {
        calibrationFile.clear();
        updateWindowTitle();
        return;
    }
    startLoad(chosen);
}

void MainWindow::startLoad(const QString& path) {
    // Read off the GUI thread: a file that does not answer must not freeze
    // the window. Until it is read, the previous file stays the current one.
    ui->actLoadCalibration->setEnabled(false);
    calibrationLoad.start(path);
}

void MainWindow::onCalibrationLoaded() {
    ui->actLoadCalibration->setEnabled(true);
    CalibrationFileLoad::Result loaded = calibrationLoad.takeResult();
    const QString path = loaded.path;
    // A file that failed stays out of reach of a later Save.
    if (applyCalibration(std::move(loaded))) {
        calibrationFile = path;
        recentCalibrations->add(path);
    }
    updateWindowTitle();
}

void MainWindow::chooseSaveFile() {
    calibrationFile = QFileDialog::getSaveFileName(this, tr("Select file to store"), QString(), fileFilter());
    if (!calibrationFile.isEmpty())
        calibrationFile = withSuffix(calibrationFile);
    updateWindowTitle();
}

void MainWindow::onSaveAs() {
    chooseSaveFile();
    if (!calibrationFile.isEmpty())
        onSave();
}

bool MainWindow::onSave() {
    // A cancelled dialog leaves the name empty, and the save below fails
    // with the file layer's message.
    if (calibrationFile.isEmpty())
        chooseSaveFile();
    const bool saved = saveCalibrationFile();
    if (saved)
        calibration.setModified(false);
    return saved;
}

void MainWindow::onSaveAndExit() {
    if (calibrationFile.isEmpty()) {
        chooseSaveFile();
        if (calibrationFile.isEmpty()) {
            // The user chose to keep nothing.
            calibration.setModified(false);
            close();
            return;
        }
    }
    if (saveCalibrationFile()) {
        calibration.setModified(false);
        close();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (calibration.isModified() && showPlainMessage(this, QMessageBox::Question, tr("Question"),
                                                     tr("There is unsaved data, exit without saving ?"),
                                                     QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    timer.stop();
    if (capture) {
        capture->stop();
        LastSession::saveWindow(*this);
        // Not a file that failed to load: the next start would fail again.
        const bool loaded = !calibrationFile.isEmpty() && calibrationFile != unloadedFile;
        LastSession::setValue(sessionCalibrationKey,
                              loaded ? QFileInfo(calibrationFile).absoluteFilePath() : QString());
    }
    event->accept();
}
