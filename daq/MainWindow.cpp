#include "MainWindow.h"

#include "ui_MainWindow.h"

#include "AboutDialog.h"
#include "AtomicFile.h"
#include "CalProgram.h"
#include "CalibrationErrorBox.h"
#include "Capture.h"
#include "CaptureFileLock.h"
#include "CaptureLog.h"
#include "CaptureSession.h"
#include "CentreTrailOverlay.h"
#include "CsvFormat.h"
#include "EmulatedBoard.h"
#include "FileDrop.h"
#include "FileNamePattern.h"
#include "FrameStatistics.h"
#include "GreyScaleBar.h"
#include "Grid8x8Widget.h"
#include "IconPixmap.h"
#include "LastSession.h"
#include "LogFileChoice.h"
#include "LogReplay.h"
#include "NetworkBench.h"
#include "NetworkDialog.h"
#include "NewFileCheck.h"
#include "PlainMessageBox.h"
#include "RecentMenu.h"
#include "ReplayBar.h"
#include "ReplayViews.h"
#include "SensorPoints.h"
#include "SensorWidget.h"
#include "StartUp.h"
#include "StatisticsPanel.h"
#include "ThemeDialog.h"
#include "TrendView.h"
#include "TriggerSettings.h"
#include "UserGuide.h"
#include "ValueText.h"
#include "WindowEngine.h"
#include "WindowSession.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <exception>
#include <memory>
#include <string>
#include <utility>

using KivraTolm::AcquisitionSettings;
using KivraTolm::InputFrame;

namespace {

constexpr int tickMs = 20;
// Of a file's name or path in the status bar, in pixels; the tool tip holds
// the whole path.
constexpr int mostCalibrationNameWidth = 240;
constexpr int mostCapturePathWidth = 480;
constexpr int statusFieldGap = 12;
constexpr int statusNoteMs = 10000;
constexpr qint64 msPerDay = 86400000;
// The CAL program has just let go of the board; give it time to be free.
constexpr unsigned long calEndPauseMs = 1500;
const QString calibrationSuffix = QStringLiteral(".tolmcal3");
const QString logSuffix = QStringLiteral(".csv");
const QString sessionCalibrationKey = QStringLiteral("calibrationFile");
const QString sessionLogFolderKey = QStringLiteral("logFolder");

QKeySequence keys(const char* sequence) {
    return QKeySequence::fromString(QLatin1String(sequence), QKeySequence::PortableText);
}

double frameRateOf(const AcquisitionSettings& settings) {
    return settings.interval != 0 ? 1.0 / settings.interval : settings.frameRate;
}

int msOfDay(const QTime& time) {
    return time.isValid() ? time.msecsSinceStartOfDay() : 0;
}

// Truncates toward zero into [low, high]. Lengths can leave the 32-bit range
// (99 days, or 99999999 samples at one per interval); they stop at the limit
// instead of wrapping. NaN gives low.
qint64 truncatedInRange(double value, qint64 low, qint64 high) {
    if (!(value > static_cast<double>(low)))
        return low;
    if (value >= static_cast<double>(high))
        return high;
    return static_cast<qint64>(value);
}

QPixmap indicatorPixmap(bool state) {
    return iconPixmap(state ? QStringLiteral(":/images/icons/success.png")
                            : QStringLiteral(":/images/icons/target.png"));
}

// The sensors a bar graph shows: "A1–A8", or "B2" alone.
QString columnCaption(int column, const QVector<int>& rows) {
    if (rows.isEmpty())
        return QString();
    const auto name = [column](int row) {
        return QString::fromStdString(SensorPosition{column, row}.name());
    };
    return rows.size() == 1 ? name(rows.first()) : name(rows.first()) + QChar(0x2013) + name(rows.last());
}

} // namespace

MainWindow::MainWindow(const QString& bus, const QString& address, const QString& calibrationFile)
    : QMainWindow(nullptr)
    , bus(bus)
    , address(address)
    , calibrationFile(calibrationFile)
    , ui(std::make_unique<Ui::MainWindow>()) {
    ui->setupUi(this);
    updateWindowTitle();
    lblIO = {ui->lblIO0, ui->lblIO1, ui->lblIO2, ui->lblIO3};
    btnIn = {ui->btnIn0, ui->btnIn1, ui->btnIn2, ui->btnIn3};
    btnLow = {ui->btnLow0, ui->btnLow1, ui->btnLow2, ui->btnLow3};
    btnHigh = {ui->btnHigh0, ui->btnHigh1, ui->btnHigh2, ui->btnHigh3};
    // Set here rather than in the form, which would load them at 1x only.
    const std::array<QLabel*, 4> numbers = {ui->lblNumber0, ui->lblNumber1, ui->lblNumber2, ui->lblNumber3};
    for (int line = 0; line < 4; ++line) {
        numbers[line]->setPixmap(iconPixmap(line == 0 ? QStringLiteral(":/images/icons/number.png")
                                                      : QStringLiteral(":/images/icons/number-%1.png").arg(line)));
        lblIO[line]->setPixmap(indicatorPixmap(ioState[line]));
    }

    for (int column = 0; column < 8; ++column) {
        auto* widget = new SensorWidget(this);
        widget->setSingleMode(true, column);
        ui->cmpSensorGrid->addWidget(widget, 0, column);
        sensorWidgets[column] = widget;
        // Under the graph rather than in its painting.
        auto* caption = new QLabel(this);
        caption->setObjectName(QStringLiteral("lblColumn%1").arg(QChar('A' + column)));
        caption->setAlignment(Qt::AlignCenter);
        ui->cmpSensorGrid->addWidget(caption, 1, column);
        columnCaptions[column] = caption;
    }
    ui->cmpSensorGrid->setRowStretch(0, 1);
    updateColumnCaptions();
    grid = new Grid8x8Widget(this);
    ui->cmpGrid8x8->addWidget(grid, 0, 0);
    // Beside the grid: what its greys mean, and the figures of its frame.
    greyScale = new GreyScaleBar(this);
    greyScale->setObjectName(QStringLiteral("cmpGreyScale"));
    ui->cmpGrid8x8->addWidget(greyScale, 0, 1);
    statistics = new StatisticsPanel(this);
    ui->cmpGrid8x8->addWidget(statistics, 0, 2, Qt::AlignTop);
    ui->cmpGrid8x8->setColumnStretch(0, 1);
    centreTrail = new CentreTrailOverlay(grid);
    centreTrail->hide();
    // After the two sensor views, which keep their places.
    trend = new TrendView(this);
    trend->setObjectName(QStringLiteral("tabTrend"));
    ui->tabWidget->addTab(trend, QIcon(QStringLiteral(":/images/icons/trend.png")), tr("  Trend"));
    replayBar = new ReplayBar(this);
    ui->layoutCentralWidget->insertWidget(0, replayBar);
    replayBar->addKeyTarget(ui->tabBarGraph);
    replayBar->addKeyTarget(ui->tabGrid);
    trend->exportMenu()->addAction(tr("Picture of the grid (PNG) ..."), this,
                                   [this] { exportPicture(ui->tabGrid, QStringLiteral("grid")); });
    trend->exportMenu()->addAction(tr("Picture of the bar graphs (PNG) ..."), this,
                                   [this] { exportPicture(ui->tabBarGraph, QStringLiteral("bar-graphs")); });

    calibrationLoad = new CalibrationFileLoad(this);
    statusLabel = new QLabel(this);
    // Bus, address and a log file's name are the user's data, never markup.
    statusLabel->setTextFormat(Qt::PlainText);
    ui->statusBar->addPermanentWidget(statusLabel, 1);
    // Follows the status text, which keeps its own words: the rows and the
    // file of the capture that ended last.
    lastCaptureLabel = new QLabel(this);
    lastCaptureLabel->setObjectName(QStringLiteral("lblLastCapture"));
    lastCaptureLabel->setTextFormat(Qt::PlainText);
    // These two give way, cut, where the window is too narrow for them, and
    // keep a gap before them.
    lastCaptureLabel->setMinimumWidth(1);
    lastCaptureLabel->setContentsMargins(statusFieldGap, 0, 0, 0);
    ui->statusBar->addPermanentWidget(lastCaptureLabel);
    calibrationLabel = new QLabel(this);
    calibrationLabel->setObjectName(QStringLiteral("lblCalibration"));
    calibrationLabel->setTextFormat(Qt::PlainText);
    calibrationLabel->setText(tr("No calibration file"));
    calibrationLabel->setMinimumWidth(1);
    calibrationLabel->setContentsMargins(statusFieldGap, 0, 0, 0);
    ui->statusBar->addPermanentWidget(calibrationLabel);
    noteLabel = new QLabel(this);
    noteLabel->setObjectName(QStringLiteral("lblStatusNote"));
    noteLabel->setTextFormat(Qt::PlainText);
    noteLabel->hide();
    ui->statusBar->addPermanentWidget(noteLabel);
    brokerLabel = new QLabel(this);
    brokerLabel->setObjectName(QStringLiteral("lblBroker"));
    brokerLabel->setTextFormat(Qt::PlainText);
    ui->statusBar->addPermanentWidget(brokerLabel);
    btnNetwork = new QToolButton(this);
    btnNetwork->setObjectName(QStringLiteral("btnNetwork"));
    btnNetwork->setText(tr("Network..."));
    btnNetwork->setToolTip(tr("Publish this bench to an MQTT broker."));
    ui->statusBar->addPermanentWidget(btnNetwork);
    buildMenus();

    if (!chooseDevice(this, this->bus, this->address)) {
        cancelledSelection = true;
        return;
    }

    capture = openCapture(this->bus, this->address);

    timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("refreshTimer"));
    connect(timer, &QTimer::timeout, this, &MainWindow::onTimer);
    timer->start(tickMs);

    // A file on the command line wins over the last session's.
    if (!this->calibrationFile.isEmpty())
        loadCalibration();
    else
        restoreLastCalibration();
    // Also without a file or when it failed: the threshold's unit is then %.
    takeStatisticsUnit();
    trend->setStatisticsThreshold(statistics->threshold());

    startNetwork(NetworkSettings::load());
    connectSignals();
    if (LastSession::restoreAtStart()) {
        WindowSession::restoreControls(*ui);
        logFolder = LastSession::value(sessionLogFolderKey).toString();
    }
    setAcceptDrops(true);
}

MainWindow::~MainWindow() {
    // A CAL program still running ends with the window. Its end must not
    // reach this window any more: the processes are deleted only after the
    // window's own members are gone.
    for (QProcess* process : findChildren<QProcess*>(QString(), Qt::FindDirectChildrenOnly)) {
        process->disconnect(this);
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished();
        }
    }
}

void MainWindow::updateWindowTitle() {
    setWindowTitle(tr("Kivra Tolm DAQ lite 2.0") + tr(" - Orvane GmbH") + emulatedBoardTitleSuffix());
}

void MainWindow::buildMenus() {
    // The tool bar keeps its tips; the keys show in the menus.
    ui->actLoadCalibration->setShortcut(keys("Ctrl+O"));
    ui->actExit->setShortcut(keys("Ctrl+Q"));
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    file->addAction(ui->actLoadCalibration);
    recentCalibrations = new RecentMenu(tr("Recent Calibration Files"), QStringLiteral("calibrationFiles"), this);
    recentCalibrations->setObjectName(QStringLiteral("menuRecentCalibrations"));
    file->addMenu(recentCalibrations);
    QAction* openLog = file->addAction(tr("Open Log for Review..."));
    openLog->setObjectName(QStringLiteral("actOpenLog"));
    openLog->setShortcut(keys("Ctrl+Shift+O"));
    recentLogs = new RecentMenu(tr("Recent Logs"), QStringLiteral("logs"), this);
    recentLogs->setObjectName(QStringLiteral("menuRecentLogs"));
    file->addMenu(recentLogs);
    file->addSeparator();
    LastSession::addRestoreAction(*file);
    file->addSeparator();
    file->addAction(ui->actExit);
    addHelpMenu(*this, ui->actAbout,
                [this] { return daqProgramPath.isEmpty() ? QCoreApplication::applicationFilePath() : daqProgramPath; });

    connect(recentCalibrations, &RecentMenu::fileChosen, this, &MainWindow::openCalibration);
    connect(recentLogs, &RecentMenu::fileChosen, this, &MainWindow::openLogForReview);
    connect(openLog, &QAction::triggered, this, [this] {
        ui->tabWidget->setCurrentWidget(trend);
        trend->onOpenLog();
    });
}

void MainWindow::connectSignals() {
    connect(ui->actLoadCalibration, &QAction::triggered, this, &MainWindow::onLoadCalibration);
    connect(calibrationLoad, &CalibrationFileLoad::finished, this, &MainWindow::onCalibrationLoaded);
    connect(ui->actStartKivraCALlite, &QAction::triggered, this, &MainWindow::onStartCal);
    connect(ui->actSelectTheme, &QAction::triggered, this, [this] {
        ThemeDialog dialog(this);
        dialog.exec();
    });
    connect(ui->actAbout, &QAction::triggered, this, [this] {
        AboutDialog dialog(this, productName(Program::Daq));
        dialog.exec();
    });
    connect(ui->actExit, &QAction::triggered, this, &MainWindow::close);
    connect(btnNetwork, &QToolButton::clicked, this, &MainWindow::onNetwork);
    connect(trend, &TrendView::replayRequested, this, &MainWindow::startReplay);
    connect(trend, &TrendView::reviewChanged, this, &MainWindow::endReplay);
    connect(trend, &TrendView::reviewChanged, this, [this] {
        if (const auto log = trend->reviewedLog())
            recentLogs->add(log->path);
    });
    connect(replayBar, &ReplayBar::backToLive, trend, &TrendView::onBackToLive);
    connect(replayBar, &ReplayBar::calibrationChanged, this, [this] {
        ReplayViews::prepare(*replayBar->model(), sensorWidgets, grid);
        updateColumnCaptions();
    });
    connect(replayBar, &ReplayBar::frameChanged, this, [this] {
        // The figures first, as for a live frame: painted in the views' pass.
        showReplayedStatistics();
        ReplayViews::show(*replayBar->model(), sensorWidgets, grid);
        trend->followRow(replayBar->model()->row());
    });
    connect(statistics, &StatisticsPanel::thresholdChanged, trend, &TrendView::setStatisticsThreshold);
    connect(statistics, &StatisticsPanel::centreToggled, centreTrail, &QWidget::setVisible);

    connect(ui->rdoSampleRate, &QRadioButton::clicked, this, [this] {
        ui->spnRate->setEnabled(true);
        ui->tmeSampleToSample->setEnabled(false);
        applyTiming();
    });
    connect(ui->rdoSampleToSample, &QRadioButton::clicked, this, [this] {
        ui->spnRate->setEnabled(false);
        ui->tmeSampleToSample->setEnabled(true);
        applyTiming();
    });
    connect(ui->spnRate, qOverload<int>(&QSpinBox::valueChanged), this, &MainWindow::applyTiming);
    connect(ui->tmeSampleToSample, &QTimeEdit::timeChanged, this, &MainWindow::applyTiming);

    for (int line = 0; line < 4; ++line) {
        for (QPushButton* button : {btnIn[line], btnLow[line], btnHigh[line]})
            connect(button, &QPushButton::clicked, this, &MainWindow::configureDigitalIOs);
    }
    connect(ui->btnCounterReset, &QPushButton::clicked, this, [this] { capture->resetCounter(); });
    connect(ui->btnFileSel, &QPushButton::clicked, this, &MainWindow::onSelectFile);

    connect(ui->btnArmTrigger, &QPushButton::toggled, this, &MainWindow::onArmToggle);
    connect(ui->btnForceTrigger, &QPushButton::clicked, this, [this] {
        if (session)
            session->force();
    });
    connect(ui->btnLevelTrigger, &QPushButton::clicked, this, [this] {
        // A replayed log's bars take no trigger; leaving the replay shows it.
        for (SensorWidget* widget : sensorWidgets)
            widget->setTriggerLevelVisible(ui->btnLevelTrigger->isChecked() && !replayBar->isActive());
        ui->spnTriggerLevel->setEnabled(ui->btnLevelTrigger->isChecked());
    });
    // At its minimum the box shows "–": no level typed (yet).
    connect(ui->spnTriggerLevel, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this](double level) {
        if (level <= ui->spnTriggerLevel->minimum())
            return;
        for (SensorWidget* widget : sensorWidgets)
            widget->setTriggerLevel(static_cast<float>(level));
    });

    connect(ui->rdoPreTriggerTime, &QRadioButton::clicked, this, [this] {
        ui->tmePreTriggerTime->setEnabled(true);
        ui->spnPreTriggerSamples->setEnabled(false);
    });
    connect(ui->rdoPreTriggerSamples, &QRadioButton::clicked, this, [this] {
        ui->tmePreTriggerTime->setEnabled(false);
        ui->spnPreTriggerSamples->setEnabled(true);
    });
    connect(ui->rdoCapTime, &QRadioButton::clicked, this, [this] {
        ui->spnCapDays->setEnabled(true);
        ui->tmeCapTime->setEnabled(true);
        ui->spnCapSamples->setEnabled(false);
    });
    connect(ui->rdoCapFrames, &QRadioButton::clicked, this, [this] {
        ui->spnCapDays->setEnabled(false);
        ui->tmeCapTime->setEnabled(false);
        ui->spnCapSamples->setEnabled(true);
    });

    const auto preTriggerChanged = [this] {
        if (!syncing)
            syncPreTrigger(currentAcquisitionSettings());
    };
    connect(ui->tmePreTriggerTime, &QTimeEdit::timeChanged, this, preTriggerChanged);
    connect(ui->spnPreTriggerSamples, qOverload<int>(&QSpinBox::valueChanged), this, preTriggerChanged);
    const auto captureLengthChanged = [this] {
        if (!syncing)
            syncCaptureLength(currentAcquisitionSettings());
    };
    connect(ui->tmeCapTime, &QTimeEdit::timeChanged, this, captureLengthChanged);
    connect(ui->spnCapDays, qOverload<int>(&QSpinBox::valueChanged), this, captureLengthChanged);
    connect(ui->spnCapSamples, qOverload<int>(&QSpinBox::valueChanged), this, captureLengthChanged);
}

AcquisitionSettings MainWindow::currentAcquisitionSettings() const {
    if (ui->rdoSampleRate->isChecked())
        return AcquisitionSettings::fromRate(ui->spnRate->value());
    return AcquisitionSettings::fromInterval(msOfDay(ui->tmeSampleToSample->time()) / 1000);
}

void MainWindow::applyTiming() {
    const AcquisitionSettings settings = currentAcquisitionSettings();
    capture->setAcquisition(settings);
    syncCaptureLength(settings);
    syncPreTrigger(settings);
}

void MainWindow::syncCaptureLength(const AcquisitionSettings& settings) {
    const double rate = frameRateOf(settings);
    const QScopedValueRollback<bool> guard(syncing, true);
    if (!ui->rdoCapFrames->isChecked()) {
        const double ms = ui->spnCapDays->value() * static_cast<double>(msPerDay) + msOfDay(ui->tmeCapTime->time());
        ui->spnCapSamples->setValue(
            static_cast<int>(truncatedInRange(rate * ms / 1000.0, 0, ui->spnCapSamples->maximum())));
        return;
    }
    const qint64 longest = ui->spnCapDays->maximum() * msPerDay + msOfDay(ui->tmeCapTime->maximumTime());
    const qint64 ms = truncatedInRange(ui->spnCapSamples->value() / rate * 1000.0, 0, longest);
    const qint64 days = ms / msPerDay;
    ui->spnCapDays->setValue(static_cast<int>(days));
    ui->tmeCapTime->setTime(QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms - days * msPerDay)));
}

void MainWindow::syncPreTrigger(const AcquisitionSettings& settings) {
    const double rate = frameRateOf(settings);
    const QScopedValueRollback<bool> guard(syncing, true);
    if (!ui->rdoPreTriggerSamples->isChecked()) {
        const double ms = msOfDay(ui->tmePreTriggerTime->time());
        ui->spnPreTriggerSamples->setValue(
            static_cast<int>(truncatedInRange(rate * ms / 1000.0, 0, ui->spnPreTriggerSamples->maximum())));
        return;
    }
    // The edit shows minutes and seconds only; longer times stop at its maximum.
    const qint64 longest = msOfDay(ui->tmePreTriggerTime->maximumTime());
    const qint64 ms = truncatedInRange(ui->spnPreTriggerSamples->value() / rate * 1000.0, 0, longest);
    ui->tmePreTriggerTime->setTime(QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

void MainWindow::onTimer() {
    const std::string error = capture->errorText();
    if (!error.empty() && !retryQuestionOpen)
        askRetry(QString::fromStdString(error));

    lastFrame = capture->latestFrame();
    const std::array<QLabel*, 4> analogLabels = {ui->lblAI0, ui->lblAI1, ui->lblAI2, ui->lblAI3};
    for (int i = 0; i < 4; ++i)
        analogLabels[i]->setText(valueText(lastFrame.analog[i], tr("V")));
    updateIndicators();
    ui->lblCounter->setText(QString::number(static_cast<qulonglong>(lastFrame.counter)));
    ui->lblCapSampleTimer->setText(dateTimeText(lastFrame.timestamp));
    statusLabel->setText(statusText());
    if (!replayBar->isActive())
        showFrame();
    feedCapture();
    publishBench();
}

void MainWindow::askRetry(const QString& error) {
    // Asked without blocking the tick: the display keeps running, and the
    // flag keeps the following ticks from asking again.
    retryQuestionOpen = true;
    QMessageBox* box = newRetryQuestion(error, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this](int answer) {
        retryQuestionOpen = false;
        if (answer == QMessageBox::Yes) {
            capture->start();
            if (session)
                session->engineRestarted();
            sendColumnSensitivities(*capture, calibration);
            configureDigitalIOs();
        } else {
            capture->stop();
            close();
        }
    });
    box->open();
}

void MainWindow::updateIndicators() {
    for (int line = 0; line < 4; ++line) {
        const bool state = btnIn[line]->isChecked() ? (lastFrame.digital >> line) & 1u : btnHigh[line]->isChecked();
        if (state == ioState[line])
            continue;
        lblIO[line]->setPixmap(indicatorPixmap(state));
        ioState[line] = state;
    }
}

QString MainWindow::statusText() const {
    QString part = tr("Idle");
    if (session && session->state() == Recording)
        part = tr("Captured: %1").arg(session->rowsWritten());
    else if (session)
        part = tr("Armed");
    if (session && session->gapCount() > 0)
        part += tr(" - Gaps: %1").arg(session->gapCount());
    QString text = tr("%1/%2 - Samples: %3 - %4").arg(bus, address, QString::number(capture->frameCount()), part);
    if (session && session->rowsPending() > 0)
        text += tr(" - Can't write %1: %2, %3 rows waiting")
                    .arg(session->fileName(), session->writeError(), QString::number(session->rowsPending()));
    if (session && session->rowsLost() > 0)
        text += tr(", %1 rows lost").arg(session->rowsLost());
    if (session && !session->descriptionError().isEmpty())
        text += tr(" - Can't write %1: %2").arg(descriptionFileName(session->fileName()), session->descriptionError());
    return text;
}

void MainWindow::showFrame() {
    const InputFrame converted = calibration.calibrateFrame(lastFrame);
    // First: what the figures and the trail leave to repaint is painted in
    // the same pass as the views' repaints below, not once more after them.
    showStatistics(converted);
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            const double raw = lastFrame.sensors[row][column];
            const double value = converted.sensors[row][column];
            sensorWidgets[column]->updateSensor(row, raw, value);
            grid->updateSensor(column, row, raw, value);
        }
        sensorWidgets[column]->animate();
    }
    grid->animate();
}

void MainWindow::showStatistics(const InputFrame& converted) {
    const ShownFrame shown = shownFrame(lastFrame, converted, withPoints);
    const FrameStatistics figures = frameStatistics(shown.values, shown.included, statistics->threshold());
    statistics->showStatistics(figures);
    greyScale->setReadings(lastFrame);
    centreTrail->addCentre(
        {static_cast<std::int64_t>(lastFrame.timestamp), figures.hasCentre, figures.centreColumn, figures.centreRow});
}

// The figures, the grey scale and the trail of the replayed row, as the grid
// shows it: a sensor without a reading has no grey level to count.
void MainWindow::showReplayedStatistics() {
    const LogReplay& replay = *replayBar->model();
    const ShownFrame shown = trend->reviewedRow(replay.row());
    const FrameStatistics figures = frameStatistics(shown.values, shown.included, statistics->threshold());
    statistics->showStatistics(figures);
    InputFrame readings;
    for (int index = 0; index < 64; ++index) {
        const ReplaySensor sensor = replay.sensor(index);
        const bool hasReading =
            sensor.kind == ReplaySensor::Kind::Reading || sensor.kind == ReplaySensor::Kind::Calibrated;
        readings.sensors[static_cast<std::size_t>(index / 8)][static_cast<std::size_t>(index % 8)] =
            hasReading ? static_cast<float>(sensor.intensity) : 0.0f;
    }
    greyScale->setReadings(readings);
    const auto time = static_cast<std::int64_t>(std::llround(replay.secondsAt(replay.row()) * 1000.0));
    // Stepped back: the trail of a later moment does not belong to it.
    if (!centreTrail->trail().empty() && centreTrail->trail().back().time > time)
        centreTrail->clear();
    centreTrail->addCentre({time, figures.hasCentre, figures.centreColumn, figures.centreRow});
}

void MainWindow::takeStatisticsUnit() {
    if (!statistics->setCalibration(calibration))
        return;
    showNote(tr("Statistics threshold reset to %1 for the new unit")
                 .arg(valueText(statistics->threshold(), statistics->unit())));
}

void MainWindow::showNote(const QString& text) {
    // A note still shown stays beside the new one (at start: the statistics'
    // unit and the last session's file).
    const bool showing = !noteLabel->isHidden() && noteTimer && noteTimer->isActive();
    noteLabel->setText(showing ? noteLabel->text() + QStringLiteral("  \u00b7  ") + text : text);
    noteLabel->show();
    // Made here: a window without a device has no timers at all.
    if (!noteTimer) {
        noteTimer = new QTimer(this);
        noteTimer->setSingleShot(true);
        noteTimer->setInterval(statusNoteMs);
        connect(noteTimer, &QTimer::timeout, noteLabel, &QLabel::hide);
    }
    noteTimer->start();
}

void MainWindow::exportPicture(QWidget* tab, const QString& name) {
    const QFileInfo log(trend->reviewedLog()->path);
    const QString suggested =
        log.dir().filePath(log.completeBaseName() + QLatin1Char('-') + name + QStringLiteral(".png"));
    QString path = QFileDialog::getSaveFileName(this, tr("Export a picture"), suggested, tr("PNG pictures (*.png)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        path += QLatin1String(".png");
    const QString problem = savePicture(tab->objectName(), path);
    if (!problem.isEmpty())
        showPlainMessage(this, QMessageBox::Critical, tr("Error"), tr("The picture cannot be written to %1.").arg(path),
                         problem);
}

QString MainWindow::savePicture(const QString& tabName, const QString& path) {
    QWidget* tab = ui->tabWidget->findChild<QWidget*>(tabName);
    if (!tab)
        return tr("No tab %1.").arg(tabName);
    // The tab as it is, also when another one is in front.
    QImageWriter writer(path, "png");
    return writer.write(tab->grab().toImage()) ? QString() : writer.errorString();
}

void MainWindow::feedCapture() {
    // Taken on every tick so that the engine's queue stays short.
    std::deque<InputFrame> frames = capture->takeFrames();
    // Every frame reaches the trend, before the capture consumes any.
    trend->addFrames(frames, calibration);
    if (!frames.empty())
        lastFedTimestamp = frames.back().timestamp;
    if (bench)
        bench->frames(frames, calibration);
    if (session) {
        // Rows only of frames measured with the sensitivities the calibration
        // and the description name.
        KivraTolm::dropUnsettledFrames(frames, capture->settledFrom());
        session->feed(frames);
        if (bench)
            bench->captureFed(*session);
        if (session->hasTriggered() && !triggerMarked) {
            trend->markCapture(TrendMark::Trigger, static_cast<std::int64_t>(session->triggerTime()));
            triggerMarked = true;
        }
        if (session->isDone())
            endCapture();
    }
    trend->refresh();
}

void MainWindow::configureDigitalIOs() {
    std::uint32_t mask = 0;
    std::uint32_t value = 0;
    for (int line = 0; line < 4; ++line) {
        if (!btnIn[line]->isChecked())
            mask |= 1u << line;
        if (btnHigh[line]->isChecked())
            value |= 1u << line;
    }
    capture->setDigitalOutput(mask, value);
}

void MainWindow::loadCalibration() {
    applyCalibration(CalibrationFileLoad::read(calibrationFile));
}

void MainWindow::applyCalibration(CalibrationFileLoad::Result loaded) {
    try {
        // All or nothing: a file that fails leaves the previous calibration.
        if (loaded.error)
            std::rethrow_exception(loaded.error);
        calibration = std::move(loaded.calibration);
        calibrationSource = ::calibrationSource(loaded.path, loaded.bytes);
        sendColumnSensitivities(*capture, calibration);
        trend->setCalibration(calibration);
        withPoints = sensorsWithPoints(calibration);
        takeStatisticsUnit();
        for (SensorWidget* widget : sensorWidgets)
            widget->resetTriggerState();
        showCalibrationInViews();
        replayBar->setLoadedCalibration(calibration, calibrationSource);
        {
            // The graphs' levels start anew with the calibration.
            const QSignalBlocker blocker(ui->spnTriggerLevel);
            ui->spnTriggerLevel->setValue(ui->spnTriggerLevel->minimum());
        }
        calibrationLabel->setText(
            tr("Calibration: %1")
                .arg(calibrationLabel->fontMetrics().elidedText(QFileInfo(calibrationSource.path).fileName(),
                                                                Qt::ElideMiddle, mostCalibrationNameWidth)));
        calibrationLabel->setToolTip(QDir::toNativeSeparators(calibrationSource.path));
        recentCalibrations->add(calibrationSource.path);
    } catch (const std::exception& e) {
        showCalibrationError(this, tr("Error"),
                             tr("Failed to load calibration data: %1").arg(QString::fromStdString(e.what())), e);
    }
}

void MainWindow::showCalibrationInViews() {
    const bool single = calibration.enableMode() == SensorMode::EightSensor;
    const QString unit = QString::fromStdString(calibration.unit());
    grid->setUnit(unit);
    for (int column = 0; column < 8; ++column) {
        SensorWidget* widget = sensorWidgets[column];
        widget->setSingleMode(single, column);
        widget->setUnit(unit);
        for (int row = 0; row < 8; ++row) {
            const CalibrationPoints points = calibration.points(column, row);
            widget->updateCalibrationPoints(row, sensorPoints(points));
            widget->enableSensor(row, calibration.isSensorEnabled(column, row));
            grid->setCalibration(column, row, !points.empty());
        }
    }
    updateColumnCaptions();
}

void MainWindow::startReplay() {
    const std::shared_ptr<const KivraTolm::CaptureLogContent> log = trend->reviewedLog();
    if (!log)
        return;
    centreTrail->clear();
    replayBar->start(log, calibration, calibrationSource);
    ui->tabWidget->setCurrentWidget(ui->tabGrid);
    ui->tabGrid->setFocus();
}

// Acquisition and a capture went on meanwhile; the views take up the live
// frame at once.
void MainWindow::endReplay() {
    if (!replayBar->isActive())
        return;
    replayBar->stop();
    centreTrail->clear();
    ReplayViews::clearReplayMarks(sensorWidgets, grid);
    showCalibrationInViews();
    for (SensorWidget* widget : sensorWidgets)
        widget->setTriggerLevelVisible(ui->btnLevelTrigger->isChecked());
    showFrame();
}

void MainWindow::onLoadCalibration() {
    if (calibrationLoad->isPending())
        return;
    // A cancelled dialog forgets the file, so the CAL program gets none.
    calibrationFile = QFileDialog::getOpenFileName(this, tr("Select file to load"), QString(),
                                                   tr("Tolm calibration files V3 (*.tolmcal3)"));
    if (!calibrationFile.isEmpty())
        startCalibrationLoad(calibrationFile);
}

void MainWindow::startCalibrationLoad(const QString& path) {
    // Read off the GUI thread: a file that does not answer must not freeze
    // the window. A capture must not start on the calibration about to go.
    ui->actLoadCalibration->setEnabled(false);
    ui->btnArmTrigger->setEnabled(false);
    calibrationLoad->start(path);
}

bool MainWindow::canLoadCalibration() const {
    return !session && !calibrationLoad->isPending();
}

void MainWindow::openCalibration(const QString& path) {
    if (session) {
        showNote(tr("No calibration can be loaded while a capture runs."));
        return;
    }
    if (!canLoadCalibration())
        return;
    if (!QFileInfo::exists(path)) {
        recentCalibrations->remove(path);
        showNote(tr("%1 is gone and was taken off the list.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    calibrationFile = path;
    startCalibrationLoad(path);
}

void MainWindow::openLogForReview(const QString& path) {
    if (!QFileInfo::exists(path)) {
        recentLogs->remove(path);
        showNote(tr("%1 is gone and was taken off the list.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    ui->tabWidget->setCurrentWidget(trend);
    trend->openLog(path);
}

void MainWindow::restoreLastCalibration() {
    QString note;
    CalibrationFileLoad::Result loaded = LastSession::readRememberedCalibration(sessionCalibrationKey, note);
    if (!note.isEmpty())
        showNote(note);
    if (loaded.path.isEmpty())
        return;
    const QString file = loaded.path;
    calibrationFile = file;
    applyCalibration(std::move(loaded));
}

void MainWindow::saveSession() {
    LastSession::saveWindow(*this);
    LastSession::setValue(sessionCalibrationKey, calibrationSource.path.isEmpty()
                                                     ? QString()
                                                     : QFileInfo(calibrationSource.path).absoluteFilePath());
    if (!ui->txtFile->text().isEmpty())
        LastSession::setValue(sessionLogFolderKey, QFileInfo(ui->txtFile->text()).absolutePath());
    WindowSession::saveControls(*ui);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData(), {calibrationSuffix, logSuffix}).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData(), {calibrationSuffix, logSuffix});
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    if (path.endsWith(calibrationSuffix, Qt::CaseInsensitive))
        openCalibration(path);
    else
        openLogForReview(path);
}

void MainWindow::onCalibrationLoaded() {
    ui->actLoadCalibration->setEnabled(true);
    ui->btnArmTrigger->setEnabled(true);
    applyCalibration(calibrationLoad->takeResult());
}

void MainWindow::onStartCal() {
    // Closes the board, which the CAL program opens next.
    capture->stop();
    const QString ownPath = daqProgramPath.isEmpty() ? QCoreApplication::applicationFilePath() : daqProgramPath;
    auto* process = new QProcess(this);
    connect(process, &QProcess::errorOccurred, this, &MainWindow::onExecError);
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this, &MainWindow::onExecFinished);
    process->start(calProgramPath(ownPath), calProgramArguments(bus, address, calibrationFile), QIODevice::ReadWrite);
}

void MainWindow::onExecError(QProcess::ProcessError error) {
    showPlainMessage(this, QMessageBox::Critical, tr("Error"),
                     tr("Failed to start Kivra CAL lite: %1").arg(static_cast<int>(error)));
    capture->start();
}

void MainWindow::onExecFinished(int) {
    // Whatever the exit code, the file may hold what the CAL program saved.
    if (!calibrationFile.isEmpty())
        loadCalibration();
    QThread::msleep(calEndPauseMs);
    capture->start();
}

void MainWindow::onSelectFile() {
    // Arming asks before an existing file is replaced.
    QString file = QFileDialog::getSaveFileName(this, tr("Select file to store capture data"), logFolder,
                                                tr("CSV files (*.csv)"), nullptr, QFileDialog::DontConfirmOverwrite);
    if (file.isEmpty())
        return;
    if (!file.endsWith(QLatin1String(".csv")))
        file += QLatin1String(".csv");
    ui->txtFile->setText(file);
}

TriggerSettings MainWindow::triggerSettingsFromControls() const {
    TriggerSettings settings;
    settings.sampleRate = ui->spnRate->value();
    settings.preTriggerSamples = ui->spnPreTriggerSamples->value();
    settings.fileName = ui->txtFile->text();
    settings.externalTrigger = ui->btnExtTrigger->isChecked();
    settings.captureSamples = ui->spnCapSamples->value();
    const QString unit = QString::fromStdString(calibration.unit());
    const bool levelTrigger = ui->btnLevelTrigger->isChecked();
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            const int index = SensorPosition{column, row}.index();
            settings.logSensor[index] = calibration.isSensorEnabled(column, row);
            settings.unit[index] = calibration.points(column, row).empty() ? QString() : unit;
            if (levelTrigger) {
                settings.levelTrigger[index] = sensorWidgets[column]->isTriggerSelected(row);
                settings.level[index] = sensorWidgets[column]->currentTriggerLevel();
            }
        }
    }
    settings.logTimestamp = ui->btnLogCapSampleTimer->isChecked();
    settings.logAnalog = {ui->btnLogAnalog0->isChecked(), ui->btnLogAnalog1->isChecked(),
                          ui->btnLogAnalog2->isChecked(), ui->btnLogAnalog3->isChecked()};
    settings.logDigital = ui->btnLogDigital->isChecked();
    settings.logCounter = ui->btnLogHardwareCounter->isChecked();
    return settings;
}

CaptureContext MainWindow::captureContext() const {
    CaptureContext context;
    context.board = capture->board();
    context.acquisition = currentAcquisitionSettings();
    context.calibration = calibrationSource;
    if (ui->rdoCapTime->isChecked()) {
        const QString time = ui->tmeCapTime->time().toString(QStringLiteral("HH:mm:ss"));
        context.lengthAsTime =
            ui->spnCapDays->value() > 0 ? QStringLiteral("%1d %2").arg(ui->spnCapDays->value()).arg(time) : time;
    }
    return context;
}

void MainWindow::onArmToggle(bool enabled) {
    if (!enabled) {
        // The next tick drops the capture.
        if (session)
            session->stop();
        return;
    }
    // Unchecked and checked again before a tick dropped the old capture.
    if (session)
        dropCapture();

    TriggerSettings settings = triggerSettingsFromControls();
    if (settings.fileName.isEmpty()) {
        showPlainMessage(this, QMessageBox::Critical, tr("Error"), tr("No output file specified."));
        ui->btnArmTrigger->setChecked(false);
        return;
    }
    const FileNamePattern pattern(settings.fileName);
    if (!pattern.isValid()) {
        showPlainMessage(this, QMessageBox::Critical, tr("Error"),
                         tr("The log file name %1 cannot be used: %2.\nA name may hold {n}, {date} and {time}; {{ "
                            "and }} stand for a brace.")
                             .arg(settings.fileName, pattern.error()));
        ui->btnArmTrigger->setChecked(false);
        return;
    }
    // The lock is taken before the file is looked at, so that no other
    // capture deletes or writes it from here on. A series takes a number
    // that no file has.
    LogFileChoice choice = chooseLogFile(pattern, QDateTime::currentDateTime());
    settings.fileName = choice.fileName;
    if (choice.lock.inUse()) {
        showPlainMessage(this, QMessageBox::Critical, tr("Error"),
                         tr("%1 is in use by another capture.").arg(settings.fileName));
        ui->btnArmTrigger->setChecked(false);
        return;
    }
    QString problem = choice.error;
    if (problem.isEmpty() && !choice.fresh)
        problem = newFileProblem(settings.fileName);
    if (problem.isEmpty() && !choice.lock.isHeld())
        problem = choice.lock.error();
    if (!problem.isEmpty()) {
        showPlainMessage(this, QMessageBox::Critical, tr("Error"),
                         tr("The log file %1 cannot be created.").arg(settings.fileName), problem);
        ui->btnArmTrigger->setChecked(false);
        return;
    }
    if (!choice.fresh && QFile::exists(settings.fileName) && !confirmOverwrite(settings.fileName)) {
        ui->btnArmTrigger->setChecked(false);
        return;
    }
    lastCaptureLabel->clear();
    session = std::make_shared<CaptureSession>(settings, calibration, lastFrame.counter, std::move(choice.lock));
    session->describeIn(captureContext());
    if (bench)
        bench->armed();
    setCaptureActive(true);
}

void MainWindow::setCaptureActive(bool active) {
    if (active) {
        ui->btnArmTrigger->setText(tr("  Stop"));
        ui->btnArmTrigger->setIcon(QIcon(QStringLiteral(":/images/icons/stop.png")));
        for (QWidget* widget :
             std::initializer_list<QWidget*>{ui->tmePreTriggerTime, ui->spnPreTriggerSamples, ui->spnCapDays,
                                             ui->tmeCapTime, ui->spnCapSamples, ui->spnRate, ui->tmeSampleToSample})
            widget->setEnabled(false);
    } else {
        ui->btnArmTrigger->setText(tr("  Arm Trigger"));
        ui->btnArmTrigger->setIcon(QIcon(QStringLiteral(":/images/icons/record.png")));
        ui->tmePreTriggerTime->setEnabled(ui->rdoPreTriggerTime->isChecked());
        ui->spnPreTriggerSamples->setEnabled(ui->rdoPreTriggerSamples->isChecked());
        ui->spnCapDays->setEnabled(ui->rdoCapTime->isChecked());
        ui->tmeCapTime->setEnabled(ui->rdoCapTime->isChecked());
        ui->spnCapSamples->setEnabled(ui->rdoCapFrames->isChecked());
        ui->spnRate->setEnabled(ui->rdoSampleRate->isChecked());
        ui->tmeSampleToSample->setEnabled(ui->rdoSampleToSample->isChecked());
    }
    ui->mainToolBar->setEnabled(!active);
    // Their keys and menu entries as well.
    for (QAction* action : ui->mainToolBar->actions())
        action->setEnabled(!active);
    recentCalibrations->setEnabled(!active);
    for (SensorWidget* widget : sensorWidgets)
        widget->setTriggerLevelDisabled(active);
    ui->spnTriggerLevel->setEnabled(!active && ui->btnLevelTrigger->isChecked());
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui->rdoSampleRate, ui->rdoSampleToSample, ui->txtFile, ui->btnFileSel, ui->rdoPreTriggerTime,
             ui->rdoPreTriggerSamples, ui->btnLevelTrigger, ui->btnExtTrigger, ui->rdoCapTime, ui->rdoCapFrames,
             ui->btnLogCapSampleTimer, ui->btnLogAnalog0, ui->btnLogAnalog1, ui->btnLogAnalog2, ui->btnLogAnalog3,
             ui->btnLogDigital, ui->btnCounterReset, ui->btnLogHardwareCounter})
        widget->setEnabled(!active);
}

void MainWindow::dropCapture() {
    // Released before any message box, whose event loop runs further ticks.
    const std::shared_ptr<CaptureSession> finished = std::move(session);
    if (triggerMarked)
        trend->markCapture(TrendMark::End, static_cast<std::int64_t>(lastFedTimestamp));
    triggerMarked = false;
    const CaptureOutcome outcome = finished->finish();
    const QString path = QDir::toNativeSeparators(QFileInfo(outcome.fileName).absoluteFilePath());
    lastCaptureLabel->setText(finished->hasTriggered() ? tr("Last capture: %1 rows in %2")
                                                             .arg(QString::number(outcome.rowsWritten),
                                                                  lastCaptureLabel->fontMetrics().elidedText(
                                                                      path, Qt::ElideMiddle, mostCapturePathWidth))
                                                       : tr("Last capture: no trigger, nothing written"));
    lastCaptureLabel->setToolTip(path);
    if (outcome.rowsWritten > 0)
        recentLogs->add(outcome.fileName);
    if (bench)
        bench->captureDone(*finished, outcome);
    if (outcome.rowsUnwritten > 0)
        offerUnwrittenRows(*finished, outcome);
}

// Rows that never reached the log are not dropped without the offer to save
// them in another file.
void MainWindow::offerUnwrittenRows(const CaptureSession& finished, const CaptureOutcome& outcome) {
    QString text = tr("%1 captured rows could not be written to %2: %3")
                       .arg(QString::number(outcome.rowsUnwritten), outcome.fileName, outcome.error);
    if (outcome.rowsLost > 0)
        text += tr("\n%1 of them were dropped: more than %2 MB waited in memory.")
                    .arg(QString::number(outcome.rowsLost), QString::number(CaptureLog::maxPendingBytes >> 20));
    const std::string rows = finished.unwrittenLog();
    if (rows.empty()) {
        showPlainMessage(this, QMessageBox::Critical, tr("Error"), text);
        return;
    }
    QString detail;
    for (;;) {
        if (showPlainMessage(this, QMessageBox::Question, tr("Question"),
                             text + tr("\nSave the rows kept in memory in another file?"), detail,
                             QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return;
        QString file = QFileDialog::getSaveFileName(this, tr("Select file to store capture data"), QString(),
                                                    tr("CSV files (*.csv)"));
        if (file.isEmpty())
            return;
        if (!file.endsWith(QLatin1String(".csv")))
            file += QLatin1String(".csv");
        try {
            AtomicFile::write(QFile::encodeName(file).toStdString(), rows);
            return;
        } catch (const xml_error& e) {
            // Asked again, with what went wrong behind "Show Details...".
            detail = QString::fromLocal8Bit(e.what()) + QLatin1Char('\n') + QString::fromLocal8Bit(e.reason().c_str());
        }
    }
}

bool MainWindow::confirmOverwrite(const QString& fileName) {
    const std::unique_ptr<QMessageBox> box(newPlainMessageBox(QMessageBox::Question, tr("Question"),
                                                              tr("File exists, overwrite ?"),
                                                              QMessageBox::Yes | QMessageBox::No, this));
    setPlainInformativeText(*box, QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()));
    box->exec();
    QAbstractButton* clicked = box->clickedButton();
    return clicked && box->standardButton(clicked) == QMessageBox::Yes;
}

void MainWindow::updateColumnCaptions() {
    for (int column = 0; column < 8; ++column)
        columnCaptions[column]->setText(columnCaption(column, sensorWidgets[column]->shownBarIndices()));
}

void MainWindow::endCapture() {
    setCaptureActive(false);
    // onArmToggle(false) finds the capture already done.
    ui->btnArmTrigger->setChecked(false);
    dropCapture();
}

void MainWindow::onNetwork() {
    NetworkDialog dialog(this, NetworkSettings::load(), NetworkBench::defaultPrefix(bus, address));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const NetworkSettings settings = dialog.settings();
    settings.save();
    startNetwork(settings);
}

void MainWindow::startNetwork(const NetworkSettings& settings) {
    if (bench)
        bench->finish();
    bench.reset();
    if (settings.isOn())
        bench = std::make_unique<NetworkBench>(settings, bus, address);
    brokerLabel->setText(bench ? bench->linkText() : QString());
    brokerLabel->setVisible(bench != nullptr);
}

// Only queues: the broker's own thread sends.
void MainWindow::publishBench() {
    if (!bench)
        return;
    BenchStatus status;
    if (!capture->errorText().empty())
        status.state = QStringLiteral("error");
    else if (session && session->state() == Recording)
        status.state = QStringLiteral("recording");
    else if (session && !session->isDone())
        status.state = QStringLiteral("armed");
    else
        status.state = QStringLiteral("idle");
    status.board = capture->board();
    status.rate = frameRateOf(currentAcquisitionSettings());
    status.calibrationPath = calibrationSource.path;
    status.calibrationSha256 = calibrationSource.sha256;
    status.unit = QString::fromStdString(calibration.unit());
    if (session && session->state() == Recording) {
        status.capturing = true;
        status.captureFile = session->fileName();
        status.captureRows = session->rowsWritten();
    }
    bench->tick(status);
    brokerLabel->setText(bench->linkText());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (capture) {
        saveSession();
        capture->stop();
    }
    if (timer)
        timer->stop();
    if (session) {
        session->stop();
        dropCapture();
    }
    if (bench)
        bench->finish();
    bench.reset();
    QMainWindow::closeEvent(event);
}
