// Answers the modal dialogs that the code under test opens. They run their
// own event loop inside that code, so a test cannot act on them from its own
// stack: a timer polls for the active modal widget and answers it from a
// script given in advance, and records what was shown.
//
// - Message boxes take the scripted answers in order (answer(), onMessage()).
//   A box without one is answered with its escape button (No, or OK), so an
//   unexpected question never hangs a test; the test sees it in shownBoxes().
// - File dialogs take the names given to chooseFiles() in order; an empty
//   name, or none left, cancels.
// - Any other dialog goes to the next handler given to onDialog(); without
//   one it is left alone.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>

class ModalResponder : public QObject {
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        Qt::TextFormat textFormat;
        QString detailedText;
    };
    // Returns true once it has answered the box; false leaves the box open
    // and asks again at the next poll.
    using MessageHandler = std::function<bool(QMessageBox*)>;

    ModalResponder() {
        connect(&poll, &QTimer::timeout, this, &ModalResponder::respond);
        poll.start(5);
    }

    // Leaves each message box open this long before answering it.
    void setAnswerDelay(int milliseconds) { answerDelay = milliseconds; }

    // The answers for the next message boxes, in order.
    void answer(std::initializer_list<QMessageBox::StandardButton> buttons) {
        for (QMessageBox::StandardButton button : buttons) {
            messageHandlers.push_back([button](QMessageBox* box) {
                QAbstractButton* chosen = box->button(button);
                (chosen ? chosen : box->buttons().value(0))->click();
                return true;
            });
        }
    }
    // Lets `handler` answer the next message box.
    void onMessage(MessageHandler handler) { messageHandlers.push_back(std::move(handler)); }
    // Handles the next modal dialog of class Dialog that is neither a message
    // box nor a file dialog (until it comes, others are left alone); the
    // handler must close it.
    template <typename Dialog = QDialog, typename Handler> void onDialog(Handler handler) {
        dialogHandlers.push_back({[](QDialog* dialog) { return qobject_cast<Dialog*>(dialog) != nullptr; },
                                  [handler](QDialog* dialog) {
                                      handler(qobject_cast<Dialog*>(dialog));
                                  }});
    }
    // The names for the next file dialogs, in order; an empty name cancels.
    void chooseFiles(std::initializer_list<QString> names) { fileAnswers.insert(fileAnswers.end(), names); }

    const QList<Box>& shownBoxes() const { return boxes; }
    QStringList shownTitles() const {
        QStringList titles;
        for (const Box& box : boxes)
            titles << box.title;
        return titles;
    }
    QStringList shownTexts() const {
        QStringList texts;
        for (const Box& box : boxes)
            texts << box.text;
        return texts;
    }
    const QStringList& fileDialogTitles() const { return fileDialogs; }
    int fileDialogsShown() const { return fileDialogs.size(); }
    bool allAnswersUsed() const { return messageHandlers.empty() && fileAnswers.empty() && dialogHandlers.empty(); }
    void clear() { boxes.clear(); }

    static int visibleMessageBoxes() {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            count += qobject_cast<QMessageBox*>(widget) && widget->isVisible();
        return count;
    }

private:
    void respond() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            respondTo(box);
        else if (auto* dialog = qobject_cast<QFileDialog*>(modal))
            respondTo(dialog);
        else if (auto* dialog = qobject_cast<QDialog*>(modal))
            respondTo(dialog);
    }

    void respondTo(QMessageBox* box) {
        if (answerDelay > 0) {
            if (waitingBox != box) {
                waitingBox = box;
                shownSince.start();
            }
            if (shownSince.elapsed() < answerDelay)
                return;
        }
        const Box shown{box->windowTitle(), box->text(), box->icon(), box->textFormat(), box->detailedText()};
        MessageHandler handler = escape;
        if (!messageHandlers.empty()) {
            // Off the list while it runs: a click may open the next box in a
            // nested event loop, which takes the next handler.
            handler = std::move(messageHandlers.front());
            messageHandlers.pop_front();
        }
        const int at = boxes.size();
        if (handler(box))
            boxes.insert(at, shown);
        else
            messageHandlers.push_front(std::move(handler));
    }

    static bool escape(QMessageBox* box) {
        QAbstractButton* button = box->escapeButton();
        (button ? button : box->buttons().value(0))->click();
        return true;
    }

    void respondTo(QFileDialog* dialog) {
        fileDialogs.append(dialog->windowTitle());
        const QString name = fileAnswers.empty() ? QString() : fileAnswers.front();
        if (!fileAnswers.empty())
            fileAnswers.pop_front();
        if (name.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(name);
            // QFileDialog hides its accept(); the override runs anyway.
            static_cast<QDialog*>(dialog)->accept();
        }
    }

    void respondTo(QDialog* dialog) {
        if (dialogHandlers.empty() || handledDialog == dialog || !dialogHandlers.front().wants(dialog))
            return;
        // Marked and taken off first: the handler may open a nested event
        // loop in which this dialog is active again.
        handledDialog = dialog;
        const DialogHandler handler = std::move(dialogHandlers.front());
        dialogHandlers.pop_front();
        handler.handle(dialog);
    }

    struct DialogHandler {
        std::function<bool(QDialog*)> wants;
        std::function<void(QDialog*)> handle;
    };

    QTimer poll;
    std::deque<MessageHandler> messageHandlers;
    std::deque<QString> fileAnswers;
    std::deque<DialogHandler> dialogHandlers;
    QPointer<QDialog> handledDialog;
    int answerDelay = 0;
    QPointer<QMessageBox> waitingBox;
    QElapsedTimer shownSince;
    QList<Box> boxes;
    QStringList fileDialogs;
};
