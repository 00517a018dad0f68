#include "ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

QRect centredGeometry(const QSize& frame, const QSize& screen) {
    // Integer division truncates toward zero, also for negative differences.
    const int x = (screen.width() - frame.width()) / 2;
    const int y = (screen.height() - frame.height()) / 2;
    return QRect(x, y, frame.width(), frame.height());
}

QRect fittedGeometry(const QRect& screen, const QRect& available, const QSize& wanted, const QSize& minimum) {
    const QSize size = wanted.boundedTo(available.size()).expandedTo(minimum);
    return keptInside(available, centredGeometry(size, screen.size()).translated(screen.topLeft()), minimum);
}

QRect keptInside(const QRect& available, const QRect& wanted, const QSize& minimum) {
    const QSize size = wanted.size().boundedTo(available.size()).expandedTo(minimum);
    // Right and bottom edges into the free area first, then the top left
    // corner, which wins when the window is larger.
    const int x = std::max(std::min(wanted.x(), available.x() + available.width() - size.width()), available.x());
    const int y = std::max(std::min(wanted.y(), available.y() + available.height() - size.height()), available.y());
    return QRect(QPoint(x, y), size);
}

void limitToScreen(QWidget& dialog) {
    const QWidget* parent = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    const QScreen* screen = parent && parent->windowHandle() ? parent->windowHandle()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize size =
        fittedGeometry(screen->geometry(), screen->availableGeometry(), dialog.size(), dialog.minimumSize()).size();
    if (size != dialog.size())
        dialog.resize(size);
}
