// Helpers for the tests of the DAQ main window.
#pragma once

#include "EmulatorControl.h"
#include "MainWindow.h"
#include "SelDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

// Answers the modal dialogs the window opens. They run their own event loop
// inside the window's code, so a test cannot act on them from its own stack:
// this polls for the active modal widget from a timer and hands it to the
// next expected handler. A handler returns true when it closed the dialog.
class ModalAnswerer : public QObject {
public:
    using Handler = std::function<bool(QWidget*)>;

    ModalAnswerer() {
        connect(&poll, &QTimer::timeout, this, &ModalAnswerer::check);
        poll.start(5);
    }

    void expect(Handler handler) { handlers.push_back(std::move(handler)); }
    // Clicks `button` of the next message box, after `waitTicks` polls, and
    // records its title and text.
    void expectMessage(QMessageBox::StandardButton button, int waitTicks = 0) {
        auto polls = std::make_shared<int>(0);
        expect([this, button, waitTicks, polls](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box)
                return false;
            if ((*polls)++ < waitTicks)
                return false;
            titles.append(box->windowTitle());
            texts.append(box->text());
            textFormats.append(box->textFormat());
            openBoxesSeen = std::max(openBoxesSeen, visibleMessageBoxes());
            box->button(button)->click();
            return true;
        });
    }
    // Answers the next file dialog with `path`, or cancels it when empty.
    void expectFile(const QString& path) {
        expect([this, path](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            if (!dialog)
                return false;
            titles.append(dialog->windowTitle());
            if (path.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(path);
                QMetaObject::invokeMethod(dialog, "accept"); // protected slot
            }
            return true;
        });
    }
    // Accepts or cancels the next device selection dialog.
    void expectSelection(bool accept) {
        expect([accept](QWidget* widget) {
            auto* dialog = qobject_cast<SelDialog*>(widget);
            if (dialog && accept)
                dialog->accept();
            else if (dialog)
                dialog->reject();
            return dialog != nullptr;
        });
    }
    bool done() const { return handlers.empty(); }

    static int visibleMessageBoxes() {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            count += qobject_cast<QMessageBox*>(widget) && widget->isVisible();
        return count;
    }

    QStringList titles;
    QStringList texts;
    QList<Qt::TextFormat> textFormats;
    int openBoxesSeen = 0;

private:
    void check() {
        QWidget* widget = QApplication::activeModalWidget();
        if (!widget || handlers.empty())
            return;
        // Handlers may open nested loops; take the handler off first.
        Handler handler = handlers.front();
        if (handler(widget))
            handlers.pop_front();
    }

    QTimer poll;
    std::deque<Handler> handlers;
};

template <typename T> T* child(QObject& parent, const char* name) {
    T* object = parent.findChild<T*>(QString::fromLatin1(name));
    if (!object)
        qFatal("no child %s", name);
    return object;
}

// Lets the window's refresh timer tick `count` more times.
inline bool waitForTicks(MainWindow& window, int count) {
    QSignalSpy ticks(window.findChild<QTimer*>("refreshTimer"), &QTimer::timeout);
    for (int waited = 0; ticks.count() < count && waited < 5000; waited += 10)
        QTest::qWait(10);
    return ticks.count() >= count;
}

inline QString statusOf(MainWindow& window) {
    const QList<QLabel*> labels = window.statusBar()->findChildren<QLabel*>();
    return labels.isEmpty() ? QString() : labels.first()->text();
}

inline bool showsPicture(QLabel* label, const QString& path) {
    return label->pixmap(Qt::ReturnByValue).toImage() == QPixmap(path).toImage();
}

// One emulated USB board whose frames the test writes: words[1] is the I/O
// port, words[2] the counter. Every sensor reads `sensor`, except the one of
// flat index `hotIndex` (row * 8 + column), which reads `hotValue`.
struct ScriptedBoard {
    std::atomic<std::uint32_t> port{0};
    std::atomic<std::uint32_t> counter{0};
    std::atomic<float> sensor{0.5f};
    std::atomic<int> hotIndex{-1};
    std::atomic<float> hotValue{0.0f};

    void install() {
        KivraTolmEmulator::reset();
        KivraTolmEmulator::BoardConfig board;
        board.counterPulsePeriodMs = 0;
        board.frameSource = [this](std::uint64_t, float* floats, std::uint32_t* words) {
            for (int i = 0; i < 4; ++i)
                floats[i] = 1.25f * static_cast<float>(i);
            for (int i = 0; i < 64; ++i)
                floats[4 + i] = (i == hotIndex.load() ? hotValue.load() : sensor.load()) * 2.5f;
            words[1] = port.load();
            words[2] = counter.load();
        };
        KivraTolmEmulator::setBoards({board});
    }
};
