// The capture log against a real short write from the kernel: a child process
// captures under a file-size limit (RLIMIT_FSIZE, SIGXFSZ ignored), so the
// disk "fills" in the middle of a block, then raises the limit again as if
// space came back. The log is read with Python's csv module.
#include "CalibrationData.h"
#include "CaptureLog.h"
#include "PrivateMount.h"
#include "SaveFileCommit.h"
#include "Trigger.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using KivraTolm::InputFrame;

namespace {

constexpr int framesPerTick = 5;

InputFrame frame(std::uint32_t n) {
    InputFrame f;
    f.number = n;
    f.timestamp = 1000 + 4ULL * n;
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column)
            f.sensors[row][column] = static_cast<float>(n) + 0.125f * static_cast<float>(row * 8 + column);
    f.analog = {1.5f, -2.25f, 3.0f, 0.0f};
    f.digital = n & 0xF;
    f.counter = n;
    return f;
}

TriggerSettings everyColumn(const QString& fileName) {
    TriggerSettings s;
    s.sampleRate = 250;
    s.fileName = fileName;
    s.logSensor.fill(true);
    s.logTimestamp = true;
    s.logAnalog.fill(true);
    s.logDigital = true;
    s.logCounter = true;
    return s;
}

void setFileSizeLimit(rlim_t bytes) {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

// In the child: ticks of frames under the limit, then as many without it.
// Exit code 0 when every row reached the file in the end, 1 when the limit
// never stopped a write (the test would prove nothing), 2 otherwise.
[[noreturn]] void captureUnderLimit(const QString& fileName, rlim_t limitBytes, int ticks) {
    std::signal(SIGXFSZ, SIG_IGN);
    setFileSizeLimit(limitBytes);
    const CalibrationData calibration;
    Trigger trigger(everyColumn(fileName), calibration, 0);
    trigger.force();
    std::uint32_t next = 0;
    bool stopped = false;
    for (int tick = 0; tick < 2 * ticks; ++tick) {
        if (tick == ticks)
            setFileSizeLimit(RLIM_INFINITY);
        std::deque<InputFrame> frames;
        for (int i = 0; i < framesPerTick; ++i)
            frames.push_back(frame(next++));
        trigger.process(frames);
        stopped = stopped || trigger.rowsPending() > 0;
    }
    trigger.flush();
    const bool complete = trigger.rowsPending() == 0 && trigger.rowsWritten() == 2 * ticks * framesPerTick;
    _exit(!stopped ? 1 : complete ? 0 : 2);
}

} // namespace

class TestCaptureLogLimit : public QObject {
    Q_OBJECT

private slots:
    void everyFrameOnceAfterAShortWrite_data();
    void everyFrameOnceAfterAShortWrite();
    void rowsBeyondTheMemoryBoundAreCountedLost();
    void exportOnAFullDiskIsRefused();
};

void TestCaptureLogLimit::everyFrameOnceAfterAShortWrite_data() {
    QTest::addColumn<int>("limitBytes");
    QTest::addColumn<int>("ticks");
    // A row of every column is about 1 KiB; a tick's block about 5 KiB.
    QTest::newRow("inside the header") << 300 << 4;
    QTest::newRow("inside the column line") << 900 << 4;
    QTest::newRow("inside the first block") << 3000 << 4;
    QTest::newRow("inside a later block") << 64 * 1024 + 17 << 30;
    QTest::newRow("many ticks without space") << 20000 << 40;
}

void TestCaptureLogLimit::everyFrameOnceAfterAShortWrite() {
    QFETCH(int, limitBytes);
    QFETCH(int, ticks);
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is needed to read the log with a CSV reader");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath(QStringLiteral("limited.csv"));

    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0)
        captureUnderLimit(fileName, static_cast<rlim_t>(limitBytes), ticks);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QVERIFY2(WEXITSTATUS(status) != 1, "the file-size limit never cut a write short");
    QCOMPARE(WEXITSTATUS(status), 0);

    // Header, column line, then one row per frame: counters 0, 1, 2, ... in
    // order, each once, every row with the column line's number of fields.
    QProcess reader;
    reader.start(python, {QStringLiteral("-c"),
                          QStringLiteral("import csv, sys\n"
                                         "rows = list(csv.reader(open(sys.argv[1], newline=''), delimiter=';'))\n"
                                         "assert rows[0][0].startswith('# Sample rate: 250.00000000 Hz'), rows[0]\n"
                                         "width = len(rows[1])\n"
                                         "bad = [i for i, r in enumerate(rows[2:]) if len(r) != width]\n"
                                         "counters = [int(r[width - 2]) for r in rows[2:]]\n"
                                         "print(width, len(bad), counters == list(range(len(counters))), "
                                         "len(counters))\n"),
                          fileName});
    QVERIFY(reader.waitForFinished(30000));
    QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
    // 1 time stamp + 64 sensors + 4 inputs + digital + counter + the empty
    // field after the last separator.
    const QString expected = QStringLiteral("72 0 True %1\n").arg(2 * ticks * framesPerTick);
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()), expected);
}

// Into a read-only folder nothing is written: rows wait in memory up to the
// bound, and those beyond it are counted as lost.
void TestCaptureLogLimit::rowsBeyondTheMemoryBoundAreCountedLost() {
    PrivateMount readOnly(PrivateMount::ReadOnly);
    QVERIFY(readOnly.isMounted());
    CaptureLog log(readOnly.path(QStringLiteral("log.csv")));
    log.setPendingLimit(4096);
    const std::string row = std::string(100, 'x') + '\n';
    for (int i = 0; i < 100; ++i)
        QVERIFY(!log.append(row, 1));
    QCOMPARE(log.error(), QStringLiteral("Read-only file system"));
    QCOMPARE(log.rowsPending(), 40); // 41 rows would take 4141 bytes
    QCOMPARE(log.rowsLost(), 60);
    QCOMPARE(log.pendingText().size(), std::size_t{40 * 101});
    QCOMPARE(log.rowsWritten(), 0);
}

// An export whose last bytes find the disk full says so and leaves the old
// file as it was (QSaveFile alone would put an empty file in its place).
void TestCaptureLogLimit::exportOnAFullDiskIsRefused() {
    PrivateMount disk(PrivateMount::Tmpfs64k);
    QVERIFY(disk.isMounted());
    const QString path = disk.path(QStringLiteral("export.csv"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\n") == 4);
    }
    QVERIFY(disk.fill());
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(QByteArray(1000, 'x')), qint64{1000});
    QCOMPARE(commitSaveFile(file), QStringLiteral("No space left on device"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old\n"));
}

QTEST_GUILESS_MAIN(TestCaptureLogLimit)
#include "tst_capturelog_limit.moc"
