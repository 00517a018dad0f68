#pragma once

#include <QApplication>
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

// Answers the modal message boxes and file dialogs that the code under test
// opens, from a script given in advance, and records what they showed.
// A message box without a scripted answer is answered with its escape
// button (No, or OK), so an unexpected question never hangs a test; the
// test then sees it in shownBoxes().
class ModalResponder : public QObject {
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        Qt::TextFormat textFormat;
    };

    ModalResponder() {
        connect(&poll, &QTimer::timeout, this, &ModalResponder::respond);
        poll.start(5);
    }

    // Leaves each message box open this long before answering it.
    void setAnswerDelay(int milliseconds) { answerDelay = milliseconds; }

    // The answers for the next message boxes, in order.
    void answer(std::initializer_list<QMessageBox::StandardButton> buttons) {
        buttonAnswers.insert(buttonAnswers.end(), buttons);
    }
    // Handles the next modal dialog that is neither a message box nor a file
    // dialog; the handler must close it.
    void onDialog(std::function<void(QDialog*)> handler) { dialogHandlers.push_back(std::move(handler)); }
    // The names for the next file dialogs, in order; an empty name cancels.
    void chooseFiles(std::initializer_list<QString> names) { fileAnswers.insert(fileAnswers.end(), names); }

    const QList<Box>& shownBoxes() const { return boxes; }
    QStringList shownTexts() const {
        QStringList texts;
        for (const Box& box : boxes)
            texts << box.text;
        return texts;
    }
    int fileDialogsShown() const { return fileDialogs; }
    bool allAnswersUsed() const { return buttonAnswers.empty() && fileAnswers.empty() && dialogHandlers.empty(); }
    void clear() { boxes.clear(); }

private:
    void respond() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (answerDelay > 0) {
                if (waitingBox != box) {
                    waitingBox = box;
                    shownSince.start();
                }
                if (shownSince.elapsed() < answerDelay)
                    return;
            }
            boxes.append({box->windowTitle(), box->text(), box->icon(), box->textFormat()});
            QAbstractButton* button = box->escapeButton();
            if (!buttonAnswers.empty()) {
                button = box->button(buttonAnswers.front());
                buttonAnswers.pop_front();
            }
            if (!button)
                button = box->buttons().value(0);
            button->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            ++fileDialogs;
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
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            if (dialogHandlers.empty() || handledDialog == dialog)
                return;
            handledDialog = dialog;
            auto handler = std::move(dialogHandlers.front());
            dialogHandlers.pop_front();
            handler(dialog);
        }
    }

    QTimer poll;
    std::deque<QMessageBox::StandardButton> buttonAnswers;
    std::deque<QString> fileAnswers;
    std::deque<std::function<void(QDialog*)>> dialogHandlers;
    QPointer<QDialog> handledDialog;
    int answerDelay = 0;
    QPointer<QMessageBox> waitingBox;
    QElapsedTimer shownSince;
    QList<Box> boxes;
    int fileDialogs = 0;
};
