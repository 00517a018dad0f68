#pragma once

#include "AcquisitionSettings.h"
#include "CalibrationData.h"
#include "CalibrationFileLoad.h"
#include "CaptureDescription.h"
#include "InputFrame.h"
#include "NetworkSettings.h"
#include "ShownFrame.h"

#include <QMainWindow>
#include <QProcess>
#include <QString>

#include <array>
#include <memory>

class CentreTrailOverlay;
class GreyScaleBar;
class Grid8x8Widget;
class NetworkBench;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QPushButton;
class QTimer;
class QToolButton;
class RecentMenu;
class ReplayBar;
class SensorWidget;
class StatisticsPanel;
class TrendView;
class CaptureSession;
struct CaptureOutcome;
struct TriggerSettings;

namespace KivraTolm {
class Capture;
}

// The DAQ program's window: live views of the board's frames, the digital
// I/O lines and the counter, the acquisition timing and the capture controls.
// A 20 ms timer polls the engine and drives everything that changes.
namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Asks for the device when bus or address is empty.
    MainWindow(const QString& bus, const QString& address, const QString& calibrationFile);
    ~MainWindow() override;

    // The device selection was shown and cancelled: no engine, no timer.
    bool selectionCancelled() const { return cancelledSelection; }

    const CalibrationData& calibrationData() const { return calibration; }
    TrendView* trendView() const { return trend; }

    // Loads calibrationFile; a file that fails to load leaves the previous
    // calibration in effect.
    void loadCalibration();
    // Set while "Load Calibration" reads its file.
    bool isLoadingCalibration() const { return calibrationLoad->isPending(); }
    KivraTolm::AcquisitionSettings currentAcquisitionSettings() const;
    // Locks the controls that must not change while a capture runs.
    void setCaptureActive(bool active);
    // Keep the count and the time form of a length consistent.
    void syncPreTrigger(const KivraTolm::AcquisitionSettings& settings);
    void syncCaptureLength(const KivraTolm::AcquisitionSettings& settings);
    // The path the CAL program's path and the user guide's are derived from;
    // empty (the default) means this program's own executable. Lets tests
    // start a stand-in.
    void setDaqProgramPath(const QString& path) { daqProgramPath = path; }
    // The picture of a tab ("tabGrid", "tabBarGraph") as PNG; what went
    // wrong, empty when written.
    QString savePicture(const QString& tabName, const QString& path);

public slots:
    void onTimer();
    void onLoadCalibration();
    void onSelectFile();
    void onArmToggle(bool enabled);
    void configureDigitalIOs();
    void onStartCal();
    void onExecError(QProcess::ProcessError error);
    void onExecFinished(int exitCode);
    // "Network": where the bench is published; applied at once.
    void onNetwork();

protected:
    void closeEvent(QCloseEvent* event) override;
    // A calibration file or a log dropped on the window opens it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void updateWindowTitle();
    // "File" and "Help": the tool bar's actions with their keys, the recent
    // files, the last session's setting and the user guide.
    void buildMenus();
    void connectSignals();
    // A calibration from the recent list or a drop; refused, as "Load
    // Calibration" is, while a capture runs or a load is under way.
    void openCalibration(const QString& path);
    bool canLoadCalibration() const;
    void startCalibrationLoad(const QString& path);
    // A log from the recent list or a drop, reviewed in the Trend tab.
    void openLogForReview(const QString& path);
    // The calibration file of the last session, when the user wants it back.
    void restoreLastCalibration();
    void saveSession();
    // A passing note in the status bar, for ten seconds.
    void showNote(const QString& text);
    void applyCalibration(CalibrationFileLoad::Result loaded);
    // The calibration's points, units and enabled sensors in the live views.
    void showCalibrationInViews();
    // Replay of the log the Trend tab reviews, in the bar graphs and the grid.
    void startReplay();
    void endReplay();
    void onCalibrationLoaded();
    void applyTiming();
    void askRetry(const QString& error);
    void showFrame();
    void showReplayedStatistics();
    void showStatistics(const KivraTolm::InputFrame& converted);
    // The statistics follow the calibration's unit; a reset is told.
    void takeStatisticsUnit();
    // "Export" of a reviewed log: the picture of a tab as PNG.
    void exportPicture(QWidget* tab, const QString& name);
    void updateIndicators();
    QString statusText() const;
    void feedCapture();
    TriggerSettings triggerSettingsFromControls() const;
    CaptureContext captureContext() const;
    // Drops the capture and reports rows that never reached the file.
    void dropCapture();
    void offerUnwrittenRows(const CaptureSession& finished, const CaptureOutcome& outcome);
    // "File exists, overwrite ?", with the file's path below the question.
    bool confirmOverwrite(const QString& fileName);
    // The captions under the bar graphs follow what the graphs show.
    void updateColumnCaptions();
    void endCapture();
    // Publishes with `settings` from now on (nothing when they are off).
    void startNetwork(const NetworkSettings& settings);
    void publishBench();

    bool syncing = false;
    bool cancelledSelection = false;
    // Set while the retry question of a tick is open, so later ticks don't ask again.
    bool retryQuestionOpen = false;
    QString bus;
    QString address;
    QString calibrationFile;
    QString daqProgramPath;
    CalibrationFileLoad* calibrationLoad = nullptr;
    QLabel* statusLabel = nullptr;
    QLabel* lastCaptureLabel = nullptr;
    // The name of the calibration file in effect; its path in the tool tip.
    QLabel* calibrationLabel = nullptr;
    std::array<QLabel*, 8> columnCaptions = {};
    // The link to the broker, beside the status text, and the button that
    // opens "Network".
    QLabel* brokerLabel = nullptr;
    QToolButton* btnNetwork = nullptr;
    std::unique_ptr<NetworkBench> bench;
    std::array<SensorWidget*, 8> sensorWidgets = {};
    Grid8x8Widget* grid = nullptr;
    GreyScaleBar* greyScale = nullptr;
    StatisticsPanel* statistics = nullptr;
    CentreTrailOverlay* centreTrail = nullptr;
    SensorFlags withPoints = {};
    // A passing note in the status bar, beside the status text.
    QLabel* noteLabel = nullptr;
    QTimer* noteTimer = nullptr;
    RecentMenu* recentCalibrations = nullptr;
    RecentMenu* recentLogs = nullptr;
    // Where "Choose Output File" starts: the last session's log folder when
    // it is restored, else nowhere in particular.
    QString logFolder;
    TrendView* trend = nullptr;
    ReplayBar* replayBar = nullptr;
    // The running capture's trigger is marked on the trend once.
    bool triggerMarked = false;
    std::uint64_t lastFedTimestamp = 0;
    QTimer* timer = nullptr;
    std::shared_ptr<KivraTolm::Capture> capture;
    CalibrationData calibration;
    CalibrationSource calibrationSource;
    KivraTolm::InputFrame lastFrame;
    std::shared_ptr<CaptureSession> session;
    std::array<bool, 4> ioState = {};
    std::array<QLabel*, 4> lblIO = {};
    std::array<QPushButton*, 4> btnIn = {};
    std::array<QPushButton*, 4> btnLow = {};
    std::array<QPushButton*, 4> btnHigh = {};
    std::unique_ptr<Ui::MainWindow> ui;
};
