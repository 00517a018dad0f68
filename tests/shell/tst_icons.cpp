#include "IconPixmap.h"
#include "StartUp.h"

#include <QDir>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QtTest>

// The programs only link the shell library: no Q_INIT_RESOURCE here, the
// icons must be there all the same. Runs as on a screen of pixel ratio 2
// (main() below).
class TestIcons : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void iconResolves_data();
    void iconResolves();
    void doubleSizeSibling_data() { iconResolves_data(); }
    void doubleSizeSibling();
    void noUnlistedIcons();

private:
    static QStringList names();
};

QStringList TestIcons::names() {
    return {"calendar-5", "cancel",   "cancel-1", "chat-9",   "checked",    "controls",  "down-arrow-5",
            "drag",       "edit",     "exit-1",   "exit-2",   "folder",     "folder-13", "folder-2",
            "graph-2",    "graph-7",  "grid-1",   "joystick", "left-arrow", "number",    "number-1",
            "number-2",   "number-3", "pantone",  "pause",    "play",       "plus",      "record",
            "restart",    "server",   "stop",     "success",  "target",     "trend",     "up-arrow-6"};
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

void TestIcons::initTestCase() {
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
}

void TestIcons::doubleSizeSibling() {
    QFETCH(QString, path);
    QString doubled = path;
    doubled.replace(".png", "@2x.png");
    const QSize size = QImageReader(path).size();
    QCOMPARE(QImageReader(doubled).size(), size * 2);
    const QImage expected = QImage(doubled).convertToFormat(QImage::Format_ARGB32_Premultiplied);

    // What buttons and actions show: the icon's pixmap at its own size,
    // which at ratio 2 is the double-size picture, unscaled.
    const QPixmap fromIcon = QIcon(path).pixmap(size);
    QCOMPARE(fromIcon.size(), size * 2);
    QCOMPARE(fromIcon.devicePixelRatio(), 2.0);
    QCOMPARE(fromIcon.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
    // What labels show.
    const QPixmap forLabel = iconPixmap(path);
    QCOMPARE(forLabel.size(), size * 2);
    QCOMPARE(forLabel.devicePixelRatio(), 2.0);
    QCOMPARE(forLabel.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
}

void TestIcons::noUnlistedIcons() {
    QStringList expected;
    for (const QString& name : names())
        expected << name + ".png" << name + "@2x.png";
    QStringList shipped = QDir(":/images/icons").entryList(QDir::Files);
    expected.sort();
    shipped.sort();
    QCOMPARE(shipped, expected);
}

int main(int argc, char** argv) {
    // A screen of pixel ratio 2, with the programs' high-DPI settings.
    qputenv("QT_SCALE_FACTOR", "2");
    enableHighDpiScaling();
    QApplication application(argc, argv);
    TestIcons test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_icons.moc"
