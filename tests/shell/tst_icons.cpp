#include <QDir>
#include <QIcon>
#include <QPixmap>
#include <QtTest>

// The programs only link the shell library: no Q_INIT_RESOURCE here, the
// icons must be there all the same.
class TestIcons : public QObject {
    Q_OBJECT

private slots:
    void iconResolves_data();
    void iconResolves();
    void noUnlistedIcons();

private:
    static QStringList names();
};

QStringList TestIcons::names() {
    return {"calendar-5", "cancel",   "cancel-1",   "chat-9", "checked",   "controls", "down-arrow-5", "drag",
            "edit",       "exit-1",   "exit-2",     "folder", "folder-13", "folder-2", "graph-2",      "graph-7",
            "grid-1",     "joystick", "left-arrow", "number", "number-1",  "number-2", "number-3",     "pantone",
            "plus",       "record",   "restart",    "server", "stop",      "success",  "target",       "up-arrow-6"};
}

void TestIcons::iconResolves_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("maxSide");
    // Line numbers and I/O indicators sit in boxes of at most 16 x 16 pixels.
    const QStringList small{"number", "number-1", "number-2", "number-3", "success", "target"};
    for (const QString& name : names())
        QTest::newRow(qPrintable(name)) << QString(":/images/icons/%1.png").arg(name)
                                        << (small.contains(name) ? 16 : 64);
}

void TestIcons::iconResolves() {
    QFETCH(QString, path);
    QFETCH(int, maxSide);

    const QPixmap pixmap(path);
    QVERIFY2(!pixmap.isNull(), qPrintable(path));
    QVERIFY(pixmap.width() <= maxSide && pixmap.height() <= maxSide);
    QVERIFY(pixmap.width() >= 16 && pixmap.height() >= 16);
    QVERIFY(!QIcon(path).pixmap(16, 16).isNull());
}

void TestIcons::noUnlistedIcons() {
    QStringList expected;
    for (const QString& name : names())
        expected << name + ".png";
    QStringList shipped = QDir(":/images/icons").entryList(QDir::Files);
    expected.sort();
    shipped.sort();
    QCOMPARE(shipped, expected);
}

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
