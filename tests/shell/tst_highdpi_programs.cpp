// Both real programs on a real X server whose desktop asks for 200 % (the
// X resource Xft.dpi: 192, as desktops set it), with no scale factor in the
// environment: each must come up at a pixel ratio of 2, with the window and
// its views at the logical sizes they have at 100 % (Xft.dpi: 96), and with
// icons and pictures drawn from their double-size files.
//
// Everything is looked at from outside, as a user's desktop sees it: the
// window's size in device pixels (xwininfo), screenshots (ImageMagick's
// import), the icon the window hands to the desktop (xprop).
#include "VirtualDesktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

struct TopLevel {
    QString id;
    QSize size;     // device pixels
    QPoint topLeft; // on the screen, device pixels
};

// The program's main window, by the start of its title.
TopLevel findWindow(const QString& titleStart, const QProcessEnvironment& environment) {
    const QString tree = QString::fromLocal8Bit(output("xwininfo", {"-root", "-tree"}, environment));
    // "0x... "title": ("name" "class")  WxH+x+y  +X+Y": the last pair is on the screen.
    const QRegularExpression line(
        QStringLiteral("^\\s*(0x[0-9a-f]+) \"%1[^\"]*\":.*\\s(\\d+)x(\\d+)\\+-?\\d+\\+-?\\d+\\s+\\+(-?\\d+)\\+(-?\\d+)")
            .arg(QRegularExpression::escape(titleStart)),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(tree);
    if (!match.hasMatch())
        return {};
    return {match.captured(1), QSize(match.captured(2).toInt(), match.captured(3).toInt()),
            QPoint(match.captured(4).toInt(), match.captured(5).toInt())};
}

QImage screenshot(const QString& window, const QProcessEnvironment& environment) {
    const QByteArray png = output("import", {"-window", window, "png:-"}, environment);
    return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
}

// The pictures of _NET_WM_ICON: width, height, then ARGB pixels, repeated.
QList<QImage> windowIcons(const QString& window, const QProcessEnvironment& environment) {
    const QString text =
        QString::fromLatin1(output("xprop", {"-id", window, "-notype", "32c", "_NET_WM_ICON"}, environment));
    const QStringList words = text.section('=', 1).split(',', Qt::SkipEmptyParts);
    QList<QImage> icons;
    int at = 0;
    while (at + 2 <= words.size()) {
        const int width = words[at].trimmed().toInt();
        const int height = words[at + 1].trimmed().toInt();
        at += 2;
        if (width <= 0 || height <= 0 || at + width * height > words.size())
            break;
        QImage icon(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                icon.setPixel(x, y, words[at++].trimmed().toUInt());
        }
        icons.append(icon);
    }
    return icons;
}

bool dark(QRgb c) {
    return std::max({qRed(c), qGreen(c), qBlue(c)}) < 160;
}

bool black(QRgb c) {
    return std::max({qRed(c), qGreen(c), qBlue(c)}) < 40;
}

// The bar graphs' rectangles in logical pixels, found by their frames: the
// only long vertical lines that dark in the window. A frame of one logical
// pixel lies half inside the widget, so its outer pixel column is the
// widget's first (ratio 1: half covered; ratio 2: the inner of two).
QList<QRect> barGraphRects(const QImage& image, int ratio) {
    const int minimumRun = 150 * ratio;
    struct Edge {
        int x, top, bottom;
    };
    QList<Edge> edges;
    for (int x = 0; x < image.width(); ++x) {
        int run = 0;
        for (int y = 0; y <= image.height(); ++y) {
            if (y < image.height() && dark(image.pixel(x, y))) {
                ++run;
                continue;
            }
            if (run >= minimumRun) {
                edges.append({x, y - run, y - 1});
                break;
            }
            run = 0;
        }
    }
    QList<QRect> rects;
    for (int i = 0; i + 1 < edges.size(); i += 2) {
        const Edge& left = edges[i];
        const Edge& right = edges[i + 1];
        rects.append(QRect(left.x / ratio, left.top / ratio, (right.x + 1 - left.x) / ratio,
                           (left.bottom + 1 - left.top) / ratio));
    }
    if (edges.size() % 2 != 0)
        rects.append(QRect()); // an unpaired edge: no frame pairs up
    return rects;
}

// The box of the grid's cells in device pixels: the black inside of cells of
// sensors reading 0 (white text, white outlines), the only long black runs
// in the window.
QRect cellBlock(const QImage& image, int ratio) {
    const int minimumRun = 20 * ratio;
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x <= image.width(); ++x) {
            if (x < image.width() && black(image.pixel(x, y))) {
                ++run;
                continue;
            }
            if (run >= minimumRun)
                box |= QRect(x - run, y, run, 1);
            run = 0;
        }
    }
    return box;
}

// Whether `picture` appears in `image` with every one of its opaque pixels
// unchanged (the translucent edge pixels blend with whatever lies beneath).
bool showsPicture(const QImage& image, const QImage& picture) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    QVector<QPoint> opaque;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(argb.pixel(x, y)) == 255)
                opaque.append(QPoint(x, y));
        }
    }
    if (opaque.isEmpty())
        return false;
    for (int top = 0; top + argb.height() <= image.height(); ++top) {
        for (int left = 0; left + argb.width() <= image.width(); ++left) {
            const bool all = std::all_of(opaque.begin(), opaque.end(), [&](const QPoint& p) {
                return (image.pixel(left + p.x(), top + p.y()) & 0xffffff) == (argb.pixel(p) & 0xffffff);
            });
            if (all)
                return true;
        }
    }
    return false;
}

// Whether one of `icons` is the picture of `path`, as it comes out of a
// pixmap: premultiplied, then unpremultiplied for the desktop.
bool hasIcon(const QList<QImage>& icons, const QString& path) {
    const QImage expected =
        QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied).convertToFormat(QImage::Format_ARGB32);
    return std::any_of(icons.begin(), icons.end(), [&](const QImage& icon) { return icon == expected; });
}

// What the desktop sees of one start of a program.
struct Look {
    QSize windowSize;
    QPoint windowTopLeft;
    QImage barGraphs; // the window as it comes up
    QImage grid;      // the DAQ window with its grid tab shown
    QList<QImage> icons;
};

} // namespace

class TestHighDpiPrograms : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void followsDesktopScaling_data();
    void followsDesktopScaling();
    void roundsFractionalScaling_data();
    void roundsFractionalScaling();
    void fitsASmallScreen_data();
    void fitsASmallScreen();

private:
    Look startAndLook(const QString& program, const QString& title, int dpi);
    Look startAndLook(const QString& program, const QString& title, int dpi, const QProcessEnvironment& desktop);

    QTemporaryDir folder;
    std::unique_ptr<QProcess> server;
    QProcessEnvironment environment;
    // 1600 x 1200: at 200 % smaller than either window wants.
    std::unique_ptr<QProcess> smallServer;
    QProcessEnvironment smallEnvironment;
};

void TestHighDpiPrograms::initTestCase() {
    for (const char* tool : {"Xvfb", "xrdb", "xwininfo", "xprop", "import", "xdotool"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QSKIP(qPrintable(QString("%1 is not installed (scripts/setup.sh installs it)").arg(tool)));
    }
    QVERIFY(folder.isValid());

    server = std::make_unique<QProcess>();
    const QString display = startXServer(*server, "2560x1920x24");
    QVERIFY2(!display.isEmpty(), server->readAllStandardError().constData());
    environment = desktopEnvironment(display);
    environment.insert("LC_ALL", "C.UTF-8");
    // Sensors that all read 0: still pictures, black grid cells.
    const QString board = folder.filePath("board.ini");
    QFile file(board);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[board0]\npattern = constant\nconstant = 0\n");
    file.close();
    environment.insert("KIVRATOLM_EMULATOR", board);

    smallServer = std::make_unique<QProcess>();
    const QString smallDisplay = startXServer(*smallServer, "1600x1200x24");
    QVERIFY2(!smallDisplay.isEmpty(), smallServer->readAllStandardError().constData());
    smallEnvironment = environment;
    smallEnvironment.insert("DISPLAY", smallDisplay);
}

void TestHighDpiPrograms::cleanupTestCase() {
    for (auto* running : {server.get(), smallServer.get()}) {
        if (running) {
            running->terminate();
            running->waitForFinished();
        }
    }
}

Look TestHighDpiPrograms::startAndLook(const QString& program, const QString& title, int dpi) {
    return startAndLook(program, title, dpi, environment);
}

Look TestHighDpiPrograms::startAndLook(const QString& program, const QString& title, int dpi,
                                       const QProcessEnvironment& desktop) {
    Look look;
    if (output("xrdb", {"-nocpp", "-load", "-"}, desktop, QString("Xft.dpi: %1\n").arg(dpi).toLatin1()).isNull())
        qWarning("xrdb failed");

    // A fresh home per start: no saved theme, no saved device.
    const QString home = folder.filePath(
        QString("home-%1-%2-%3").arg(QFileInfo(program).fileName()).arg(dpi).arg(desktop.value("DISPLAY").mid(1)));
    const QProcessEnvironment env = withFreshHome(desktop, home);

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {"use=usb/-"});
    if (!process.waitForStarted()) {
        qWarning() << program << "did not start";
        return look;
    }
    TopLevel window;
    QElapsedTimer clock;
    clock.start();
    while (window.id.isEmpty() && clock.elapsed() < 30000 && process.state() == QProcess::Running) {
        QThread::msleep(200);
        window = findWindow(title, env);
    }
    if (!window.id.isEmpty()) {
        // Some ticks of the display timer.
        QThread::msleep(1500);
        look.windowSize = window.size;
        look.windowTopLeft = window.topLeft;
        look.barGraphs = screenshot(window.id, env);
        look.icons = windowIcons(window.id, env);
        if (title.contains("DAQ")) {
            // The grid tab, second on the window's left edge.
            const int ratio = qRound(dpi / 96.0);
            output("xdotool",
                   {"mousemove", "--window", window.id, QString::number(25 * ratio), QString::number(230 * ratio),
                    "click", "1"},
                   env);
            QThread::msleep(800);
            look.grid = screenshot(window.id, env);
        }
    } else {
        qWarning().noquote() << "no window" << title << "from" << program << ":" << process.readAll();
    }
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
    return look;
}

void TestHighDpiPrograms::followsDesktopScaling_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QSize>("logicalSize");
    QTest::addColumn<QString>("icon");
    QTest::newRow("DAQ") << DAQ_PROGRAM << "Kivra Tolm DAQ lite" << QSize(1200, 900) << "server";
    QTest::newRow("CAL") << CAL_PROGRAM << "Kivra Tolm CAL lite" << QSize(1024, 768) << "controls";
}

void TestHighDpiPrograms::followsDesktopScaling() {
    QFETCH(QString, program);
    QFETCH(QString, title);
    QFETCH(QSize, logicalSize);
    QFETCH(QString, icon);

    const Look normal = startAndLook(program, title, 96);
    const Look doubled = startAndLook(program, title, 192);

    // Pixel ratio 1 and 2: the window's device pixels.
    QCOMPARE(normal.windowSize, logicalSize);
    QCOMPARE(doubled.windowSize, logicalSize * 2);
    QVERIFY(!normal.barGraphs.isNull() && !doubled.barGraphs.isNull());

    // The bar graphs: the same logical rectangles at both ratios.
    const QList<QRect> views = barGraphRects(normal.barGraphs, 1);
    QCOMPARE(views.size(), 8);
    for (const QRect& view : views)
        QVERIFY2(view.width() > 40 && view.height() > 300,
                 qPrintable(QString("%1x%2").arg(view.width()).arg(view.height())));
    QCOMPARE(barGraphRects(doubled.barGraphs, 2), views);

    // The window's icon from the double-size picture.
    const QString iconPath = ":/images/icons/" + icon;
    QVERIFY(hasIcon(normal.icons, iconPath + ".png"));
    QVERIFY2(hasIcon(doubled.icons, iconPath + "@2x.png"), "the window icon is not the @2x picture");

    if (!title.contains("DAQ"))
        return;
    // The grid: its cells at the same logical place, within the pixel that
    // antialiasing of the cell edges may add or take on each side.
    const QRect cells = cellBlock(normal.grid, 1);
    const QRect cellsDoubled = cellBlock(doubled.grid, 2);
    QVERIFY2(cells.width() > 300 && cells.height() > 300,
             qPrintable(QString("%1x%2").arg(cells.width()).arg(cells.height())));
    const QRect expected(cells.topLeft() * 2, cells.size() * 2);
    for (int edge : {cellsDoubled.left() - expected.left(), cellsDoubled.top() - expected.top(),
                     cellsDoubled.right() - expected.right(), cellsDoubled.bottom() - expected.bottom()})
        QVERIFY2(std::abs(edge) <= 2, qPrintable(QString("cells at %1,%2 %3x%4, expected about %5,%6 %7x%8")
                                                     .arg(cellsDoubled.x())
                                                     .arg(cellsDoubled.y())
                                                     .arg(cellsDoubled.width())
                                                     .arg(cellsDoubled.height())
                                                     .arg(expected.x())
                                                     .arg(expected.y())
                                                     .arg(expected.width())
                                                     .arg(expected.height())));

    // The line number and I/O indicator pictures, unscaled.
    QVERIFY(showsPicture(normal.barGraphs, QImage(":/images/icons/number.png")));
    QVERIFY2(showsPicture(doubled.barGraphs, QImage(":/images/icons/number@2x.png")),
             "the line number picture is not the @2x picture");
    QVERIFY(showsPicture(doubled.barGraphs, QImage(":/images/icons/target@2x.png")) ||
            showsPicture(doubled.barGraphs, QImage(":/images/icons/success@2x.png")));
}

void TestHighDpiPrograms::roundsFractionalScaling_data() {
    followsDesktopScaling_data();
}

// At 150 % the factor is rounded to 2, as Qt 5 does by default; Qt 6 would
// pass 1.5 through unless told otherwise, so both builds must show the same
// window here.
void TestHighDpiPrograms::roundsFractionalScaling() {
    QFETCH(QString, program);
    QFETCH(QString, title);
    QFETCH(QSize, logicalSize);

    QCOMPARE(startAndLook(program, title, 144).windowSize, logicalSize * 2);
}

void TestHighDpiPrograms::fitsASmallScreen_data() {
    followsDesktopScaling_data();
}

// 200 % on 1600 x 1200 leaves 800 x 600 logical pixels: both windows want
// more and get the whole screen, title bar and tool bar on it.
void TestHighDpiPrograms::fitsASmallScreen() {
    QFETCH(QString, program);
    QFETCH(QString, title);

    const Look look = startAndLook(program, title, 192, smallEnvironment);
    QCOMPARE(QRect(look.windowTopLeft, look.windowSize), QRect(0, 0, 1600, 1200));
}

QTEST_MAIN(TestHighDpiPrograms)
#include "tst_highdpi_programs.moc"
