// Log file names with placeholders: how they are read and filled in, and
// which number of a series a capture takes among the files already there.
#include "CaptureFileLock.h"
#include "FileNamePattern.h"
#include "LogFileChoice.h"
#include "PrivateMount.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDateTime when(QDate(2026, 12, 8), QTime(9, 5, 7));

} // namespace

class TestFileNamePattern : public QObject {
    Q_OBJECT

private slots:
    void names_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("error");
        QTest::newRow("no braces") << "/data/run.csv"
                                   << "/data/run.csv"
                                   << "";
        QTest::newRow("number") << "run-{n}.csv"
                                << "run-7.csv"
                                << "";
        QTest::newRow("number twice") << "{n}/{n}"
                                      << "7/7"
                                      << "";
        QTest::newRow("local date and time") << "{date}_{time}.csv"
                                             << "20261208_090507.csv"
                                             << "";
        QTest::newRow("doubled braces") << "a{{b}}c-{{n}}"
                                        << "a{b}c-{n}"
                                        << "";
        QTest::newRow("unknown") << "run-{x}.csv"
                                 << ""
                                 << "unknown placeholder {x}";
        QTest::newRow("empty braces") << "{}.csv"
                                      << ""
                                      << "unknown placeholder {}";
        QTest::newRow("open only") << "run-{n.csv"
                                   << ""
                                   << "a \"{\" without its \"}\" at character 5";
        QTest::newRow("open before open") << "{n{date}"
                                          << ""
                                          << "a \"{\" without its \"}\" at character 1";
        QTest::newRow("close only") << "run}.csv"
                                    << ""
                                    << "a \"}\" without its \"{\" at character 4";
        QTest::newRow("close after a placeholder") << "{n}}"
                                                   << ""
                                                   << "a \"}\" without its \"{\" at character 4";
    }

    void names() {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(QString, error);
        const FileNamePattern parsed(pattern);
        QCOMPARE(parsed.error(), error);
        if (error.isEmpty())
            QCOMPARE(parsed.name(7, when), name);
    }

    void seriesAmongExistingFiles_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("held"); // a file a running capture holds
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("fresh");
        QTest::newRow("empty folder") << "run-{n}.csv" << QStringList() << ""
                                      << "run-1.csv" << true;
        QTest::newRow("after the last") << "run-{n}.csv" << QStringList{"run-1.csv", "run-2.csv"} << ""
                                        << "run-3.csv" << true;
        QTest::newRow("the lowest free") << "run-{n}.csv" << QStringList{"run-1.csv", "run-3.csv"} << ""
                                         << "run-2.csv" << true;
        QTest::newRow("a description alone") << "run-{n}.csv" << QStringList{"run-1.csv.json"} << ""
                                             << "run-2.csv" << true;
        QTest::newRow("a dangling link") << "run-{n}.csv" << QStringList{"link:run-1.csv"} << ""
                                         << "run-2.csv" << true;
        QTest::newRow("held by an armed capture") << "run-{n}.csv" << QStringList() << "run-1.csv"
                                                  << "run-2.csv" << true;
        QTest::newRow("without a number: as given") << "{date}.csv" << QStringList{"20261208.csv"} << ""
                                                    << "20261208.csv" << false;
    }

    void seriesAmongExistingFiles() {
        QFETCH(QString, pattern);
        QFETCH(QStringList, existing);
        QFETCH(QString, held);
        QFETCH(QString, chosen);
        QFETCH(bool, fresh);
        QTemporaryDir dir;
        for (const QString& name : existing) {
            if (name.startsWith("link:")) {
                QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath(name.mid(5))));
                continue;
            }
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("earlier\n");
        }
        const CaptureFileLock other = held.isEmpty() ? CaptureFileLock() : CaptureFileLock::take(dir.filePath(held));

        const LogFileChoice choice = chooseLogFile(FileNamePattern(dir.filePath(pattern)), when);
        QCOMPARE(choice.error, QString());
        QCOMPARE(choice.fileName, dir.filePath(chosen));
        QCOMPARE(choice.fresh, fresh);
        QVERIFY(choice.lock.isHeld());
        // The number is held by the lock; the capture's first block makes the file.
        if (fresh)
            QVERIFY(!QFileInfo::exists(choice.fileName));
        QVERIFY(CaptureFileLock::take(choice.fileName).inUse());
        for (const QString& name : existing) {
            if (!name.startsWith("link:"))
                QCOMPARE(QFileInfo(dir.filePath(name)).size(), 8);
        }
    }

    // The folder's own reason, and nothing left behind.
    void seriesInAReadOnlyFolder() {
        PrivateMount readOnly(PrivateMount::ReadOnly, {"run-1.csv"});
        QVERIFY(readOnly.isMounted());
        const LogFileChoice choice = chooseLogFile(FileNamePattern(readOnly.path("run-{n}.csv")), when);
        QCOMPARE(choice.error, QString("Read-only file system"));
        QCOMPARE(choice.fileName, readOnly.path("run-2.csv"));
        QVERIFY(!choice.fresh);
        QVERIFY(!choice.lock.isHeld());
        QCOMPARE(QDir(readOnly.path()).entryList(QDir::Files), QStringList{"run-1.csv"});
    }
};

QTEST_GUILESS_MAIN(TestFileNamePattern)
#include "tst_filenamepattern.moc"
