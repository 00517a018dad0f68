#include "CalibrationData.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The CAL program as the DAQ program starts it: a separate process with the
// board and the calibration file on its command line, here on the emulator
// and without a display.
class TestCalProgram : public QObject {
    Q_OBJECT

private slots:
    void runsUntilTerminated();
};

void TestCalProgram::runsUntilTerminated() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("start.tolmcal3");
    CalibrationData calibration;
    calibration.setUnit("kg");
    calibration.addPoint(0, 0, {0.5f, 2.0f});
    calibration.save(QFile::encodeName(path).toStdString());

    QProcess program;
    program.setProgram(QStringLiteral(CAL_PROGRAM));
    program.setArguments({QStringLiteral("use=usb/-"), QStringLiteral("cfg=") + path});
    program.start();
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));

    // Up and in its event loop: it neither ends by itself nor complains.
    QVERIFY2(!program.waitForFinished(3000), program.readAllStandardError().constData());
    QCOMPARE(program.state(), QProcess::Running);

    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    const QByteArray errors = program.readAllStandardError();
    QVERIFY2(!errors.contains("Sanitizer") && !errors.contains("runtime error"), errors.constData());

    // It started on the file without touching it.
    CalibrationData reread;
    reread.load(QFile::encodeName(path).toStdString());
    QVERIFY(reread == calibration);
}

QTEST_MAIN(TestCalProgram)
#include "tst_calprogram.moc"
