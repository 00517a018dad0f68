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
        : extraArguments_(std::move(extraArguments)) {
        if (!config.isEmpty()) {
            configPath_ = configDir_.filePath("board.ini");
            QFile file(configPath_);
            if (file.open(QIODevice::WriteOnly))
                file.write(config.toUtf8());
        }
    }

    ~BoardServerProcess() { kill(); }

    // Starts on `port` (0: any free one) and waits for the start-up line.
    bool start(quint16 port = 0) {
        kill();
        QStringList arguments = {"--listen", QString("127.0.0.1:%1").arg(port)};
        if (!configPath_.isEmpty())
            arguments << "--config" << configPath_;
        arguments << extraArguments_;
        output_.clear();
        process_.setProgram(BOARD_EMULATOR);
        process_.setArguments(arguments);
        // Its complaints, sanitizer reports included, show in the test output.
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        if (!process_.waitForStarted(5000))
            return false;
        static const QRegularExpression line("listening on 127\\.0\\.0\\.1:(\\d+)\\n");
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000 && process_.state() == QProcess::Running) {
            process_.waitForReadyRead(100);
            output_ += QString::fromUtf8(process_.readAllStandardOutput());
            const QRegularExpressionMatch match = line.match(output_);
            if (match.hasMatch()) {
                port_ = static_cast<quint16>(match.captured(1).toUInt());
                return true;
            }
        }
        return false;
    }

    quint16 port() const { return port_; }
    QString address() const { return QString("127.0.0.1:%1").arg(port_); }
    std::string host() const { return "127.0.0.1"; }
    QProcess& process() { return process_; }
    // Everything it printed so far.
    QString output() {
        output_ += QString::fromUtf8(process_.readAllStandardOutput());
        return output_;
    }

    void stall() { ::kill(static_cast<pid_t>(process_.processId()), SIGSTOP); }
    void resume() { ::kill(static_cast<pid_t>(process_.processId()), SIGCONT); }
    void signal(int number) { ::kill(static_cast<pid_t>(process_.processId()), number); }

    // Gone at once, as a crash or a pulled cable would leave it.
    void kill() {
        if (process_.state() == QProcess::NotRunning)
            return;
        resume();
        process_.kill();
        process_.waitForFinished(5000);
    }

private:
    QTemporaryDir configDir_;
    QString configPath_;
    QStringList extraArguments_;
    QProcess process_;
    QString output_;
    quint16 port_ = 0;
};
