#pragma once

#include <QMenu>
#include <QString>
#include <QStringList>

// A "Recent" menu: the files last used for one purpose, newest first, kept
// in the program's settings store under `key` ("recent/…"). The list is read
// each time the menu opens, so that it shows what the program added meanwhile.
class RecentMenu : public QMenu {
    Q_OBJECT

public:
    static constexpr int maxFiles = 8;

    RecentMenu(const QString& title, const QString& key, QWidget* parent = nullptr);

    QStringList files() const;
    // Puts `path` (made absolute) first; the oldest beyond maxFiles goes.
    void add(const QString& path);
    void remove(const QString& path);

signals:
    // An entry was chosen; the file may be gone since.
    void fileChosen(const QString& path);

private:
    void rebuild();
    void store(const QStringList& paths);

    QString key;
};
