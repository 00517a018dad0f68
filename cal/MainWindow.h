#pragma once

#include "CalibrationData.h"
#include "CalibrationFileLoad.h"
#include "ColumnControls.h"
#include "SensorSelection.h"

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>

class QDragEnterEvent;
class QDropEvent;
class RecentMenu;

namespace KivraTolm {
class Capture;
}

// The CAL program's window: eight column graphs fed with averaged readings,
// the sensors ticked for the next calibration point, the column
// sensitivities, and loading and saving of the calibration file. Started with
// a calibration file, it works on that file only.
namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Asks for the device with the selection dialog when bus or address is
    // empty; see selectionCancelled().
    MainWindow(const QString& bus, const QString& address, const QString& calibrationFile, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Set when the device selection was cancelled: the window then has no
    // engine and the program ends without running its event loop.
    bool selectionCancelled() const { return cancelledSelection; }

    const CalibrationData& calibrationData() const { return calibration; }
    const SensorSelection& sensorSelection() const { return selection; }
    QString calibrationFileName() const { return calibrationFile; }
    // Set while "Load Calibration ..." reads its file.
    bool isLoadingCalibration() const { return calibrationLoad.isPending(); }
    const ColumnControls& column(int c) const { return columnControls.at(c); }

public slots:
    void onTimer();
    void onSpinner(int value);
    void onSingleReset();
    void onStartCal();
    void onSaveAndExit();
    void onSaveAs();
    bool onSave();
    void onLoad();
    void onSetMode();

protected:
    void closeEvent(QCloseEvent* event) override;
    // A calibration file dropped on the window is loaded as by "Load
    // Calibration ...".
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // "File" and "Help": the tool bar's actions with their keys, the recent
    // files, the last session's setting and the user guide.
    void buildMenus();
    // Loads `path` from the recent list or a drop, as "Load Calibration ..."
    // does with the file chosen (and never when a file was given at start).
    void openCalibration(const QString& path);
    void startLoad(const QString& path);
    // The calibration file of the last session, when the user wants it back.
    void restoreLastCalibration();
    void showNote(const QString& text);
    void buildColumn(int c);
    void onSelectionChanged(int c, int r, bool checked);
    void onResetAll();
    void onUnitChanged(const QString& text);
    void askRetry(const QString& error);
    void updateInsertButton();
    void updateWindowTitle();
    // Runs the save dialog; the chosen name, with the suffix, becomes the
    // current file. Cancelling leaves the name empty.
    void chooseSaveFile();

    bool loadCalibrationFile();
    bool applyCalibration(CalibrationFileLoad::Result loaded);
    void onCalibrationLoaded();
    // Asks before it replaces a file that failed to load.
    bool saveCalibrationFile();
    void refreshColumns();

    bool cancelledSelection = false;
    QString bus;
    QString address;
    QString calibrationFile;
    // The current file when it failed to load (the calibration shown is not
    // its content); empty otherwise.
    QString unloadedFile;
    CalibrationFileLoad calibrationLoad;
    RecentMenu* recentCalibrations = nullptr;
    std::array<ColumnControls, 8> columnControls;
    std::shared_ptr<KivraTolm::Capture> capture;
    CalibrationData calibration;
    SensorSelection selection = {};
    std::unique_ptr<Ui::MainWindow> ui;
    QTimer timer;
    // The engine's error stays set while its question is open; the timer
    // keeps running and must not ask again meanwhile.
    bool retryQuestionOpen = false;
};
