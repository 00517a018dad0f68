#include "RecentMenu.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

RecentMenu::RecentMenu(const QString& title, const QString& key, QWidget* parent)
    : QMenu(title, parent)
    , key(QStringLiteral("recent/") + key) {
    connect(this, &QMenu::aboutToShow, this, &RecentMenu::rebuild);
    // Built once now as well: a menu without entries would not open.
    rebuild();
}

QStringList RecentMenu::files() const {
    return QSettings().value(key).toStringList();
}

void RecentMenu::add(const QString& path) {
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList paths = files();
    paths.removeAll(absolute);
    paths.prepend(absolute);
    store(paths.mid(0, maxFiles));
}

void RecentMenu::remove(const QString& path) {
    QStringList paths = files();
    paths.removeAll(QFileInfo(path).absoluteFilePath());
    store(paths);
}

void RecentMenu::store(const QStringList& paths) {
    QSettings settings;
    if (paths.isEmpty())
        settings.remove(key);
    else
        settings.setValue(key, paths);
}

void RecentMenu::rebuild() {
    clear();
    const QStringList paths = files();
    int number = 0;
    for (const QString& path : paths) {
        ++number;
        // The name with a number to type; the whole path as the tip. "&&"
        // keeps an ampersand of the name from becoming a mnemonic.
        const QString name = QFileInfo(path).fileName().replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry = addAction(number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(name) : name);
        entry->setToolTip(QDir::toNativeSeparators(path));
        entry->setStatusTip(QDir::toNativeSeparators(path));
        connect(entry, &QAction::triggered, this, [this, path] { emit fileChosen(path); });
    }
    if (paths.isEmpty()) {
        addAction(tr("No files yet"))->setEnabled(false);
        return;
    }
    addSeparator();
    connect(addAction(tr("Clear List")), &QAction::triggered, this, [this] { store({}); });
}
