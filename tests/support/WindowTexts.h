// What a window shows in words, for the tests of its translation: its texts
// by object name, and the buttons and labels that need more width than they
// get.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <QTabWidget>
#include <QToolBar>
#include <QWidget>

// The texts of a window's actions, buttons, labels, group boxes and tabs,
// keyed by kind and object name ("tab:" + tab widget + index).
inline QMap<QString, QString> windowTexts(QWidget& window) {
    QMap<QString, QString> texts;
    texts.insert(QStringLiteral("title"), window.windowTitle());
    for (QAction* action : window.findChildren<QAction*>())
        if (!action->objectName().isEmpty())
            texts.insert(QStringLiteral("action:") + action->objectName(), action->text());
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        if (!button->objectName().isEmpty())
            texts.insert(QStringLiteral("button:") + button->objectName(), button->text());
    for (QLabel* label : window.findChildren<QLabel*>())
        if (!label->objectName().isEmpty())
            texts.insert(QStringLiteral("label:") + label->objectName(), label->text());
    for (QGroupBox* box : window.findChildren<QGroupBox*>())
        texts.insert(QStringLiteral("group:") + box->objectName(), box->title());
    for (QTabWidget* tabs : window.findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i)
            texts.insert(QStringLiteral("tab:%1%2").arg(tabs->objectName()).arg(i), tabs->tabText(i));
    return texts;
}

// The visible buttons and labels whose size hint is wider than they are, as
// "name "text": hint > width", and the tool bar actions that the width
// leaves to the tool bar's extension menu ("»"), as "name "text": hidden".
// A widget made compact with a fixed width (the trend tab's toggles) asks
// for no more: there the text must fit.
inline QStringList crampedWidgets(QWidget& window) {
    QStringList cramped;
    const auto check = [&](QWidget* widget, const QString& text) {
        const bool fixed = widget->minimumWidth() == widget->maximumWidth();
        const int needed = fixed ? widget->fontMetrics().horizontalAdvance(text) : widget->sizeHint().width();
        if (widget->isVisibleTo(&window) && needed > widget->width())
            cramped << QStringLiteral("%1 \"%2\": %3 > %4")
                           .arg(widget->objectName(), text)
                           .arg(needed)
                           .arg(widget->width());
    };
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        check(button, button->text());
    for (QLabel* label : window.findChildren<QLabel*>())
        check(label, label->text());
    for (QToolBar* bar : window.findChildren<QToolBar*>()) {
        if (!bar->isVisibleTo(&window))
            continue;
        for (QAction* action : bar->actions()) {
            const QWidget* button = bar->widgetForAction(action);
            if (action->isVisible() && !action->isSeparator() && button && !button->isVisibleTo(&window))
                cramped << QStringLiteral("%1 \"%2\": hidden").arg(action->objectName(), action->text());
        }
    }
    return cramped;
}

// crampedWidgets() on every page of every tab widget, the window at `size`.
inline QStringList crampedOnEveryTab(QWidget& window, const QSize& size) {
    window.resize(size);
    window.show();
    QApplication::processEvents();
    QStringList cramped = crampedWidgets(window);
    for (QTabWidget* tabs : window.findChildren<QTabWidget*>()) {
        const int shown = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            cramped += crampedWidgets(window);
        }
        tabs->setCurrentIndex(shown);
    }
    cramped.removeDuplicates();
    return cramped;
}

// The texts that `translated` still shows as `english` did, leaving out
// those in `same` (words German shares with English, and data, by text or
// by key) and the names of sensors and channels ("A1", "AIn0").
inline QStringList untranslatedTexts(const QMap<QString, QString>& english, const QMap<QString, QString>& translated,
                                     const QStringList& same) {
    static const QRegularExpression name(QStringLiteral("^([A-H][1-8]|AIn[0-3])$"));
    QStringList left;
    for (auto it = english.cbegin(); it != english.cend(); ++it) {
        if (it.value().trimmed().isEmpty() || same.contains(it.value()) || same.contains(it.key()) ||
            name.match(it.value()).hasMatch())
            continue;
        if (translated.value(it.key()) == it.value())
            left << it.key() + QStringLiteral(" \"") + it.value() + QLatin1Char('"');
    }
    return left;
}
