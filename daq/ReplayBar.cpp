#include "ReplayBar.h"

#include "ui_ReplayBar.h"

#include "CalibrationFileLoad.h"
#include "CsvFormat.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <climits>

using KivraTolm::CaptureLogContent;

namespace {

// As often as the window's own tick.
constexpr int playTickMs = 20;

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

std::vector<int> ReplayBar::speeds() {
    return {1, 2, 5, 10};
}

ReplayBar::ReplayBar(QWidget* parent)
    : QFrame(parent)
    , ui(std::make_unique<Ui::ReplayBar>()) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("cmpReplayBar"));
    for (const int speed : speeds())
        ui->cmbReplaySpeed->addItem(tr("%1×").arg(speed), speed);
    playTimer = new QTimer(this);
    playTimer->setInterval(playTickMs);
    connect(playTimer, &QTimer::timeout, this, &ReplayBar::onPlayTick);
    connect(ui->sldReplayRow, &QSlider::valueChanged, this, &ReplayBar::setRow);
    connect(ui->btnReplayFrameBack, &QPushButton::clicked, this, [this] { stepFrames(-1); });
    connect(ui->btnReplayFrameForward, &QPushButton::clicked, this, [this] { stepFrames(1); });
    connect(ui->btnReplaySecondBack, &QPushButton::clicked, this, [this] { stepSeconds(-1); });
    connect(ui->btnReplaySecondForward, &QPushButton::clicked, this, [this] { stepSeconds(1); });
    connect(ui->btnReplayPlay, &QPushButton::toggled, this, &ReplayBar::setPlaying);
    connect(ui->cmbReplaySpeed, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { restartClock(); });
    connect(ui->btnReplayLive, &QPushButton::clicked, this, &ReplayBar::backToLive);
    addKeyTarget(this);
    hide();
}

ReplayBar::~ReplayBar() = default;

void ReplayBar::addKeyTarget(QWidget* widget) {
    // A click into the target takes the focus there, so its keys step.
    if (widget->focusPolicy() == Qt::NoFocus)
        widget->setFocusPolicy(Qt::ClickFocus);
    for (const auto& [key, frames] : {std::pair<int, int>{Qt::Key_Left, -1}, std::pair<int, int>{Qt::Key_Right, 1}}) {
        auto* shortcut = new QShortcut(QKeySequence(key), widget);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        shortcut->setAutoRepeat(true);
        shortcut->setEnabled(isActive());
        connect(shortcut, &QShortcut::activated, this, [this, frames = frames] { stepFrames(frames); });
        keys.push_back(shortcut);
    }
}

void ReplayBar::start(std::shared_ptr<const CaptureLogContent> content, const CalibrationData& calibration,
                      const CalibrationSource& source) {
    setPlaying(false);
    log = std::move(content);
    loaded = calibration;
    loadedSource = source;
    found.reset();
    dropOwnLoad();
    lookingForOwn = needsLogsCalibration(log->description, loadedSource);
    if (lookingForOwn) {
        ownLoad = new CalibrationFileLoad(this);
        connect(ownLoad, &CalibrationFileLoad::finished, this, &ReplayBar::onCalibrationRead);
        ownLoad->start(log->description.calibrationPath);
    }
    const QString name = QFileInfo(log->path).fileName();
    ui->lblReplayLog->setText(tr("Replay of %1").arg(name));
    ui->lblReplayLog->setToolTip(shownPath(log->path));
    {
        const QSignalBlocker blocker(ui->sldReplayRow);
        ui->sldReplayRow->setRange(
            0, static_cast<int>(std::min<std::size_t>(std::max<std::size_t>(log->rowCount, 1), INT_MAX)) - 1);
        ui->sldReplayRow->setValue(0);
        ui->sldReplayRow->setPageStep(std::max(1, ui->sldReplayRow->maximum() / 20));
    }
    for (QShortcut* key : keys)
        key->setEnabled(true);
    show();
    choose();
}

// A read of an earlier log's file that never came back is left behind; one
// that comes back later is not taken for the present log's.
void ReplayBar::dropOwnLoad() {
    if (ownLoad) {
        ownLoad->disconnect(this);
        ownLoad->deleteLater();
    }
    ownLoad = nullptr;
    lookingForOwn = false;
}

void ReplayBar::stop() {
    setPlaying(false);
    dropOwnLoad();
    replay.reset();
    log.reset();
    for (QShortcut* key : keys)
        key->setEnabled(false);
    hide();
}

void ReplayBar::setLoadedCalibration(const CalibrationData& calibration, const CalibrationSource& source) {
    if (!isActive())
        return;
    loaded = calibration;
    loadedSource = source;
    choose();
}

void ReplayBar::choose() {
    const std::size_t row = replay ? replay->row() : 0;
    replay = std::make_unique<LogReplay>(log, chooseReplayCalibration(log->description, found, loaded, loadedSource));
    replay->setRow(row);
    ui->lblReplayCalibration->setText(calibrationText());
    ui->lblReplayCalibration->setToolTip(ui->lblReplayCalibration->text());
    emit calibrationChanged();
    showRow();
}

void ReplayBar::onCalibrationRead() {
    CalibrationFileLoad::Result result = ownLoad->takeResult();
    lookingForOwn = false;
    if (!result.error)
        found = FoundCalibration{std::move(result.calibration), calibrationSource(result.path, result.bytes).sha256};
    if (isActive())
        choose();
}

QString ReplayBar::calibrationText() const {
    const ReplayCalibration& used = replay->calibration();
    const QString path = shownPath(used.path);
    const QString loadedName = used.path.isEmpty() ? tr("none") : path;
    switch (used.kind) {
    case ReplayCalibration::Kind::LogsOwn:
        return tr("Calibration: the log's own, %1").arg(path);
    case ReplayCalibration::Kind::LoadedIsLogs:
        return tr("Calibration: the log's own, as loaded, %1").arg(path);
    case ReplayCalibration::Kind::Loaded:
        if (lookingForOwn)
            return tr("Calibration: the loaded one, %1, while the log's own is read, %2")
                .arg(loadedName, shownPath(used.logsPath));
        return tr("Calibration: the loaded one, %1; the log's own, %2, is not found or has changed")
            .arg(loadedName, shownPath(used.logsPath));
    case ReplayCalibration::Kind::NoDescription:
        return tr("Calibration: the loaded one, %1; the log has no description that names its own").arg(loadedName);
    case ReplayCalibration::Kind::None:
        break;
    }
    return tr("Calibration: none, as when the log was made");
}

bool ReplayBar::isPlaying() const {
    return playTimer->isActive();
}

void ReplayBar::setPlaying(bool playing) {
    if (playing && (!isActive() || replay->rowCount() == 0))
        playing = false;
    // From the last row, playing starts again at the first.
    if (playing && replay->row() + 1 >= replay->rowCount())
        replay->setRow(0);
    {
        const QSignalBlocker blocker(ui->btnReplayPlay);
        ui->btnReplayPlay->setChecked(playing);
    }
    ui->btnReplayPlay->setText(playing ? tr("  Pause") : tr("  Play"));
    ui->btnReplayPlay->setIcon(
        QIcon(playing ? QStringLiteral(":/images/icons/pause.png") : QStringLiteral(":/images/icons/play.png")));
    if (!playing) {
        playTimer->stop();
        return;
    }
    restartClock();
    playTimer->start();
    showRow();
}

void ReplayBar::restartClock() {
    if (!isActive())
        return;
    clockStart = replay->secondsAt(replay->row());
    clock.start();
}

void ReplayBar::onPlayTick() {
    const double speed = ui->cmbReplaySpeed->currentData().toInt();
    const std::size_t row = replay->rowAtSeconds(clockStart + static_cast<double>(clock.elapsed()) / 1000.0 * speed);
    if (row != replay->row()) {
        replay->setRow(row);
        showRow();
    }
    if (replay->row() + 1 >= replay->rowCount())
        setPlaying(false);
}

void ReplayBar::setRow(int row) {
    if (!isActive() || row < 0 || static_cast<std::size_t>(row) == replay->row())
        return;
    replay->setRow(static_cast<std::size_t>(row));
    restartClock();
    showRow();
}

void ReplayBar::stepFrames(int frames) {
    if (!isActive())
        return;
    replay->stepRows(frames);
    restartClock();
    showRow();
}

void ReplayBar::stepSeconds(int seconds) {
    if (!isActive())
        return;
    replay->stepSeconds(seconds);
    restartClock();
    showRow();
}

void ReplayBar::showRow() {
    const std::size_t row = replay->row();
    {
        const QSignalBlocker blocker(ui->sldReplayRow);
        ui->sldReplayRow->setValue(static_cast<int>(std::min<std::size_t>(row, INT_MAX)));
    }
    const QLocale locale;
    ui->lblReplayFrame->setText(tr("Frame %1 of %2")
                                    .arg(locale.toString(static_cast<qulonglong>(row + 1)),
                                         locale.toString(static_cast<qulonglong>(replay->rowCount()))));
    const QString fromTrigger = tr("%1 s").arg(locale.toString(replay->secondsFromTrigger(), 'f', 3));
    if (const std::optional<qint64> stamp = replay->timeStamp())
        ui->lblReplayTime->setText(
            tr("%1, %2 from the trigger").arg(dateTimeText(static_cast<std::uint64_t>(*stamp)), fromTrigger));
    else if (replay->content().timestamps.empty())
        ui->lblReplayTime->setText(tr("%1 from the trigger (at %2 Hz, the log has no time stamps)")
                                       .arg(fromTrigger, locale.toString(replay->rate())));
    else
        ui->lblReplayTime->setText(tr("%1 from the trigger (at %2 Hz, the log's time stamps go back)")
                                       .arg(fromTrigger, locale.toString(replay->rate())));
    ui->lblReplayTrigger->setText(replay->isBeforeTrigger() ? tr("before the trigger") : tr("after the trigger"));
    emit frameChanged();
}
