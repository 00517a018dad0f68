// kivratolm-board-emulator run by a test: started on a free loopback port,
// its start-up line read for the port, stopped, stalled and killed on
// demand, and never left behind.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class BoardServerProcess {
public:
    // `config`: the text of an emulator configuration file; empty: the default board.
    explicit BoardServerProcess(const QString& config = {}, QStringList extraArguments = {})
        : extraServerArguments(std::move(extraArguments)) {
        if (!config.isEmpty()) {
            configPath = configDir.filePath("board.ini");
            QFile file(configPath);
            if (file.open(QIODevice::WriteOnly))
                file.write(config.toUtf8());
        }
    }

    ~BoardServerProcess() { kill(); }

    // Starts on `port` (0: any free one) and waits for the start-up line.
    bool start(quint16 port = 0) {
        kill();
        QStringList arguments = {"--listen", QString("127.0.0.1:%1").arg(port)};
        if (!configPath.isEmpty())
            arguments << "--config" << configPath;
        arguments << extraServerArguments;
        serverOutput.clear();
        serverProcess.setProgram(BOARD_EMULATOR);
        serverProcess.setArguments(arguments);
        // Its complaints, sanitizer reports included, show in the test output.
        serverProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        serverProcess.start();
        if (!serverProcess.waitForStarted(5000))
            return false;
        static const QRegularExpression line("listening on 127\\.0\\.0\\.1:(\\d+)\\n");
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000 && serverProcess.state() == QProcess::Running) {
            serverProcess.waitForReadyRead(100);
            serverOutput += QString::fromUtf8(serverProcess.readAllStandardOutput());
            const QRegularExpressionMatch match = line.match(serverOutput);
            if (match.hasMatch()) {
                serverPort = static_cast<quint16>(match.captured(1).toUInt());
                return true;
            }
        }
        return false;
    }

    quint16 port() const { return serverPort; }
    QString address() const { return QString("127.0.0.1:%1").arg(serverPort); }
    std::string host() const { return "127.0.0.1"; }
    QProcess& process() { return serverProcess; }
    // Everything it printed so far.
    QString output() {
        serverOutput += QString::fromUtf8(serverProcess.readAllStandardOutput());
        return serverOutput;
    }

    void stall() { ::kill(static_cast<pid_t>(serverProcess.processId()), SIGSTOP); }
    void resume() { ::kill(static_cast<pid_t>(serverProcess.processId()), SIGCONT); }
    void signal(int number) { ::kill(static_cast<pid_t>(serverProcess.processId()), number); }

    // Gone at once, as a crash or a pulled cable would leave it.
    void kill() {
        if (serverProcess.state() == QProcess::NotRunning)
            return;
        resume();
        serverProcess.kill();
        serverProcess.waitForFinished(5000);
    }

private:
    QTemporaryDir configDir;
    QString configPath;
    QStringList extraServerArguments;
    QProcess serverProcess;
    QString serverOutput;
    quint16 serverPort = 0;
};
