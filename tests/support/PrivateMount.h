// A folder with a mount of its own in a private mount namespace: a small
// tmpfs that fills up, or a read-only bind mount. `unshare -rm` makes the
// namespace, so the machine's mounts stay as they are; the test and the
// programs it starts reach the mounted folder through /proc/PID/root of the
// process that holds the namespace.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

class PrivateMount {
public:
    enum Kind { Tmpfs64k, ReadOnly };

    // `files`: empty files the folder holds before it is mounted (what a
    // read-only bind mount then shows).
    explicit PrivateMount(Kind kind, const QStringList& files = {}) {
        for (const QString& name : files) {
            QFile file(folder.filePath(name));
            file.open(QIODevice::WriteOnly);
        }
        const QString mount = kind == Tmpfs64k ? QStringLiteral("mount -t tmpfs -o size=64k tmpfs \"$0\"")
                                               : QStringLiteral("mount --bind \"$0\" \"$0\" && "
                                                                "mount -o remount,bind,ro \"$0\"");
        holder.start(QStringLiteral("unshare"),
                     {"-rm", "sh", "-c", mount + " && echo mounted && exec sleep 600", folder.path()});
        if (holder.waitForStarted(5000) && holder.waitForReadyRead(5000))
            mounted = holder.readAllStandardOutput().startsWith("mounted");
        if (!mounted)
            qWarning("no private mount: %s", holder.readAllStandardError().constData());
    }
    ~PrivateMount() {
        holder.kill();
        holder.waitForFinished(5000);
    }

    bool isMounted() const { return mounted; }
    // A path in the mounted folder, as this process and its children see it.
    QString path(const QString& name = {}) const {
        return QStringLiteral("/proc/%1/root%2/%3").arg(holder.processId()).arg(folder.path(), name);
    }
    // Fills the tmpfs: a file that takes every block still free (again
    // after one was freed).
    bool fill() const {
        QFile file(path(QStringLiteral("filler")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'x');
        while (file.write(block) > 0) {
        }
        return file.write("x", 1) < 0;
    }

private:
    QTemporaryDir folder;
    QProcess holder;
    bool mounted = false;
};
