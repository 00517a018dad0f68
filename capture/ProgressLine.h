#pragma once

#include <QElapsedTimer>
#include <QString>

// One line on a terminal that says how the capture stands, rewritten in
// place. Off unless standard error is a terminal.
class ProgressLine {
public:
    explicit ProgressLine(bool on);

    // The text while recording: the rows written, and with a length (`total`
    // rows, more than 0) the total and the time left at `rowsPerSecond`.
    static QString recordingText(int rows, int total, double rowsPerSecond);

    bool isOn() const { return on; }
    // Shows `text`: at once with `now` (a new state), else at most five
    // times a second.
    void show(const QString& text, bool now = false);
    // Makes room for a message on a line of its own.
    void clear();
    // Leaves the last text standing.
    void finish();

private:
    void put(const QByteArray& bytes);

    bool on;
    bool shown = false;
    QString last;
    QElapsedTimer sinceShown;
};
