#pragma once

#include <QObject>

#include <initializer_list>
#include <vector>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the event loop: the handler
// only writes the signal number into a pipe, whose reading end the loop
// watches. One per process.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~SignalWatcher() override;

    static QString name(int signalNumber);

signals:
    void caught(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* notifier = nullptr;
    std::vector<int> watchedSignals;
};
