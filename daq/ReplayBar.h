#pragma once

#include "CaptureDescription.h"
#include "LogReplay.h"

#include <QElapsedTimer>
#include <QFrame>

#include <memory>
#include <vector>

class CalibrationFileLoad;
class QShortcut;
class QTimer;

namespace Ui {
class ReplayBar;
}

// The replay of a reviewed log over the bar graph and grid tabs: names the
// log and the calibration used, shows the frame, its time and its place
// around the trigger, and steps, plays and seeks. The owner shows the
// model's row in its views on frameChanged() and sets them up anew on
// calibrationChanged().
class ReplayBar : public QFrame {
    Q_OBJECT

public:
    explicit ReplayBar(QWidget* parent = nullptr);
    ~ReplayBar() override;

    // Replays `log` from its first row with the loaded calibration; the
    // log's own calibration file, when its description names one, is read
    // in the background and takes over when its SHA-256 matches.
    void start(std::shared_ptr<const KivraTolm::CaptureLogContent> log, const CalibrationData& loaded,
               const CalibrationSource& loadedSource);
    void stop();
    bool isActive() const { return replay != nullptr; }
    // Another calibration was loaded meanwhile.
    void setLoadedCalibration(const CalibrationData& loaded, const CalibrationSource& loadedSource);
    // Null unless active.
    const LogReplay* model() const { return replay.get(); }
    // The left and right arrow keys step frames while the focus is inside.
    void addKeyTarget(QWidget* widget);
    bool isPlaying() const;
    // The speed factors offered.
    static std::vector<int> speeds();

public slots:
    void setRow(int row);
    void stepFrames(int frames);
    void stepSeconds(int seconds);
    void setPlaying(bool playing);

signals:
    void frameChanged();
    void calibrationChanged();
    void backToLive();

private:
    void choose();
    void dropOwnLoad();
    void onCalibrationRead();
    void onPlayTick();
    // The play clock starts again at the current row.
    void restartClock();
    void showRow();
    QString calibrationText() const;

    std::unique_ptr<Ui::ReplayBar> ui;
    std::shared_ptr<const KivraTolm::CaptureLogContent> log;
    std::unique_ptr<LogReplay> replay;
    CalibrationData loaded;
    CalibrationSource loadedSource;
    std::optional<FoundCalibration> found;
    bool lookingForOwn = false;
    CalibrationFileLoad* ownLoad = nullptr;
    QTimer* playTimer = nullptr;
    QElapsedTimer clock;
    double clockStart = 0.0; // seconds of the row the clock started at
    std::vector<QShortcut*> keys;
};
