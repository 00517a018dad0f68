#include "BackingStoreImage.h"
#include "Grid8x8Widget.h"
#include "GridGeometry.h"
#include "Theme.h"

#include <QLocale>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <limits>

namespace {
QImage shot(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

QPen viewPen(const QColor& colour, double width) {
    return QPen(QBrush(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

// The grid painted whole and plainly, step by step as its paint is described.
QImage plainPaint(const Grid8x8Widget& grid) {
    const Theme& theme = currentTheme();
    const qreal ratio = grid.devicePixelRatioF();
    QImage image(grid.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 0, grid.width(), grid.height()), theme.graphBottom);
    painter.setPen(viewPen(theme.gridColor, theme.gridMinorWidth));
    for (int x : GridGeometry::verticalLineXs(grid.width(), theme.gridSpacing))
        painter.drawLine(QLineF(x, 0, x, grid.height()));
    for (int y : GridGeometry::horizontalLineYs(grid.height(), theme.gridSpacing))
        painter.drawLine(QLineF(0, y, grid.width(), y));
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            const QRectF rect = GridGeometry::cellRect(grid.size(), column, row);
            const GridCellShown shown = grid.cell(column, row).shown;
            const int grey = GridGeometry::greyLevel(grid.cell(column, row).intensity);
            painter.fillRect(rect, shown == GridCellShown::Reading ? QColor(grey, grey, grey) : theme.window);
            const QColor text = shown == GridCellShown::ValueOnly   ? theme.text
                                : shown == GridCellShown::NotLogged ? theme.disabled
                                : grey < 128                        ? QColor(Qt::white)
                                                                    : QColor(Qt::black);
            painter.setPen(viewPen(text, 1.0));
            painter.setFont(grid.fontFor(column, row));
            painter.drawText(rect, Qt::AlignCenter, grid.shownText(column, row));
            painter.setPen(viewPen(Qt::white, 1.0));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(rect, 8, 8, Qt::RelativeSize);
        }
    }
    painter.setPen(viewPen(theme.highlightedText, 1.0));
    painter.drawRect(0, 0, grid.width() - 1, grid.height() - 1);
    return image;
}

// The regions of the paint events a widget receives.
struct PaintRegions : QObject {
    explicit PaintRegions(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            regions.append(static_cast<QPaintEvent*>(event)->region());
        return false;
    }
    QList<QRegion> regions;
};
} // namespace

Q_DECLARE_METATYPE(GridCellShown)

class TestGridWidget : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());
        // The comparison of partial and whole paints runs again at a pixel
        // ratio of 2 (tests/widgets/CMakeLists.txt).
        QCOMPARE(qApp->devicePixelRatio(), qEnvironmentVariable("KIVRA_TEST_PIXEL_RATIO", "1").toDouble());
    }

    // Runs first, before any theme is current: grid spacing 0 and an empty
    // font family must not hang or crash the paint.
    void paintsBeforeAnyTheme() {
        Grid8x8Widget widget;
        widget.resize(100, 100);
        QVERIFY(!shot(widget).isNull());
        applyTheme(Theme::system());
    }

    void cleanup() { applyTheme(Theme::system()); }

    void cellGeometry_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("408 square, A1") << QSize(408, 408) << 0 << 0 << QRectF(6, 6, 46, 46);
        QTest::newRow("408 square, C4") << QSize(408, 408) << 2 << 3 << QRectF(106, 156, 46, 46);
        QTest::newRow("408 square, H8") << QSize(408, 408) << 7 << 7 << QRectF(356, 356, 46, 46);
        QTest::newRow("wide, centred across") << QSize(1000, 300) << 0 << 0 << QRectF(356, 6, 32.5, 32.5);
        QTest::newRow("wide, H8") << QSize(1000, 300) << 7 << 7 << QRectF(611.5, 261.5, 32.5, 32.5);
        QTest::newRow("tall, centred down") << QSize(300, 1000) << 0 << 0 << QRectF(6, 356, 32.5, 32.5);
    }

    void cellGeometry() {
        QFETCH(QSize, size);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(QRectF, expected);
        QCOMPARE(GridGeometry::cellRect(size, column, row), expected);
    }

    void greyLevel_data() {
        QTest::addColumn<double>("intensity");
        QTest::addColumn<int>("grey");
        QTest::newRow("0.5 truncates to 127") << 0.5 << 127;
        QTest::newRow("0.51 gives 130") << 0.51 << 130;
        QTest::newRow("negative is black") << -0.3 << 0;
        QTest::newRow("over range is white") << 1.4 << 255;
        QTest::newRow("beyond int range") << 1e300 << 255;
        QTest::newRow("far negative") << -1e300 << 0;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0;
    }

    void greyLevel() {
        QFETCH(double, intensity);
        QFETCH(int, grey);
        QCOMPARE(GridGeometry::greyLevel(intensity), grey);
    }

    void gridLines() {
        QCOMPARE(GridGeometry::verticalLineXs(25, 10), QVector<int>({0, 10, 20}));
        QCOMPARE(GridGeometry::horizontalLineYs(21, 10), QVector<int>({20, 10, 0}));
        QCOMPARE(GridGeometry::horizontalLineYs(25, 10), QVector<int>({24, 14, 4}));
        QVERIFY(GridGeometry::verticalLineXs(25, 0).isEmpty());
        QVERIFY(GridGeometry::horizontalLineYs(25, 0).isEmpty());
    }

    void cellText_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("calibrated");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("raw in percent") << "C" << false << "kg"
                                        << "C4\n37.25 %";
        QTest::newRow("calibrated with unit") << "C" << true << "kg"
                                              << "C4\n3.20 kg";
        QTest::newRow("calibrated without unit") << "C" << true << ""
                                                 << "C4\n3.20";
        QTest::newRow("locale decimal comma") << "de_DE" << false << ""
                                              << "C4\n37,25 %";
    }

    void cellText() {
        QFETCH(QString, locale);
        QFETCH(bool, calibrated);
        QFETCH(QString, unit);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(locale));
        Grid8x8Widget widget;
        widget.setUnit(unit);
        widget.updateSensor(2, 3, 0.3725, 3.2);
        widget.setCalibration(2, 3, calibrated);
        QCOMPARE(widget.cellText(2, 3), expected);
        QCOMPARE(widget.cellText(3, 2), QString("D3\n0.00 %").replace('.', QLocale().decimalPoint()));
        QLocale::setDefault(QLocale::c());
    }

    void cellColours_data() {
        QTest::addColumn<double>("intensity");
        QTest::addColumn<int>("grey");
        QTest::addColumn<bool>("whiteText");
        QTest::newRow("0.5: grey 127, white text") << 0.5 << 127 << true;
        QTest::newRow("0.51: grey 130, black text") << 0.51 << 130 << false;
        QTest::newRow("negative: black, white text") << -0.4 << 0 << true;
        QTest::newRow("over range: white, black text") << 1.7 << 255 << false;
    }

    void cellColours() {
        QFETCH(double, intensity);
        QFETCH(int, grey);
        QFETCH(bool, whiteText);
        Grid8x8Widget widget;
        widget.resize(408, 408);
        widget.updateSensor(2, 3, intensity, 0);
        const QImage image = shot(widget);
        const QRect cell(106, 156, 46, 46);
        // Left of the centred text, clear of the rounded outline.
        QCOMPARE(QColor(image.pixel(cell.left() + 4, cell.center().y())), QColor(grey, grey, grey));
        int darkest = 255;
        int brightest = 0;
        for (int y = cell.top() + 8; y < cell.bottom() - 8; ++y) {
            for (int x = cell.left() + 4; x < cell.right() - 4; ++x) {
                darkest = qMin(darkest, qGray(image.pixel(x, y)));
                brightest = qMax(brightest, qGray(image.pixel(x, y)));
            }
        }
        if (whiteText)
            QVERIFY2(brightest > grey + 60, qPrintable(QString::number(brightest)));
        else
            QVERIFY2(darkest < grey - 60, qPrintable(QString::number(darkest)));
        // Outline in white: on the cell's left edge halfway down.
        QVERIFY(qGray(image.pixel(cell.left(), cell.center().y())) > grey || grey == 255);
        // Cells of untouched sensors stay black with white text.
        QCOMPARE(QColor(image.pixel(10, 29)), QColor(0, 0, 0));
    }

    // A replayed log: a cell without its reading shows its value on the
    // window colour; a sensor that was not logged says so, greyed.
    void cellsWithoutReading_data() {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<GridCellShown>("shown");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("textColour");
        QTest::newRow("value only") << "system" << GridCellShown::ValueOnly << "C4\n3.20 kg" << Theme::system().text;
        QTest::newRow("not logged") << "system" << GridCellShown::NotLogged << "C4\nnot logged"
                                    << Theme::system().disabled;
        QTest::newRow("not logged, dark")
            << "dark" << GridCellShown::NotLogged << "C4\nnot logged" << Theme::dark().disabled;
    }

    void cellsWithoutReading() {
        QFETCH(QString, theme);
        QFETCH(GridCellShown, shown);
        QFETCH(QString, text);
        QFETCH(QColor, textColour);
        applyTheme(Theme::fromName(theme));
        Grid8x8Widget widget;
        widget.resize(408, 408);
        widget.setUnit("kg");
        widget.updateSensor(2, 3, 0.9, 3.2);
        widget.setCalibration(2, 3, true);
        widget.setCellShown(2, 3, shown);
        QCOMPARE(widget.cellText(2, 3), text);
        const QImage image = shot(widget);
        const QRect cell(106, 156, 46, 46);
        QCOMPARE(QColor(image.pixel(cell.left() + 4, cell.center().y())), currentTheme().window);
        // The glyphs' most covered pixel: more than halfway to the text colour.
        const int fill = qGray(currentTheme().window.rgb());
        int farthest = fill;
        for (int y = cell.top() + 8; y < cell.bottom() - 8; ++y) {
            for (int x = cell.left() + 4; x < cell.right() - 4; ++x) {
                if (qAbs(qGray(image.pixel(x, y)) - fill) > qAbs(farthest - fill))
                    farthest = qGray(image.pixel(x, y));
            }
        }
        QVERIFY2(qAbs(farthest - qGray(textColour.rgb())) < qAbs(fill - qGray(textColour.rgb())) / 2,
                 qPrintable(QString::number(farthest)));
        widget.setCellShown(2, 3, GridCellShown::Reading);
        QCOMPARE(QColor(shot(widget).pixel(cell.left() + 4, cell.center().y())), QColor(229, 229, 229));
    }

    void frameAndBackgroundFollowTheme_data() {
        QTest::addColumn<QString>("theme");
        QTest::newRow("system") << "system";
        QTest::newRow("dark") << "dark";
    }

    void frameAndBackgroundFollowTheme() {
        QFETCH(QString, theme);
        applyTheme(Theme::fromName(theme));
        Grid8x8Widget widget;
        widget.resize(600, 408);
        const QImage image = shot(widget);
        // Left of the cells: background between the grid lines at 0, 10, 20 ...
        QCOMPARE(QColor(image.pixel(15, 200)), QColor(currentTheme().graphBottom.rgba()));
        QVERIFY(image.pixel(10, 200) != image.pixel(15, 200));
        // Horizontal lines anchored at the bottom edge: 407, 397, ...
        QVERIFY(image.pixel(15, 397) != image.pixel(15, 392));
    }

    void frameInHighlightedText() {
        // Dark: a black frame on a nearly black background.
        applyTheme(Theme::dark());
        Grid8x8Widget widget;
        widget.resize(600, 408);
        QImage image = shot(widget);
        QVERIFY(qRed(image.pixel(599, 205)) < qRed(image.pixel(595, 205)));
        QVERIFY(qRed(image.pixel(305, 407)) < qRed(image.pixel(305, 404)));
        applyTheme(Theme::light());
        image = shot(widget);
        QCOMPARE(QColor(image.pixel(599, 205)), QColor(Qt::white));
    }

    void smallFontWhenTextIsTooWide() {
        applyTheme(Theme::dark());
        Grid8x8Widget widget;
        applyTheme(Theme::system());
        QCOMPARE(widget.labelFont().family(), QString("Serif"));
        QCOMPARE(widget.labelFont().pointSize(), 8);
        QCOMPARE(widget.smallLabelFont().pointSize(), 5);
        QVERIFY(!widget.labelFont().italic());
        QCOMPARE(widget.labelFont().weight(), int(QFont::Normal));

        widget.resize(408, 408);
        widget.setUnit("kg");
        widget.updateSensor(0, 0, 0.5, 0);
        widget.updateSensor(1, 0, 0.5, 123456.78);
        widget.setCalibration(1, 0, true);
        QCOMPARE(widget.fontFor(0, 0), widget.labelFont());
        QCOMPARE(widget.fontFor(1, 0), widget.smallLabelFont());

        // The small font really is used: the wide text stays inside its cell.
        const QImage image = shot(widget);
        const QRect cell(56, 6, 46, 46);
        const QRect inner = cell.adjusted(2, 8, -2, -8);
        int textLeft = inner.right();
        for (int y = inner.top(); y <= inner.bottom(); ++y) {
            for (int x = inner.left(); x <= inner.right(); ++x) {
                if (qGray(image.pixel(x, y)) > 200)
                    textLeft = qMin(textLeft, x);
            }
        }
        QVERIFY2(textLeft > cell.left() + 2, qPrintable(QString::number(textLeft)));
    }

    void tinySizesPaintQuietly() {
        static QStringList messages;
        messages.clear();
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) { messages << text; });
        for (const QSize size : {QSize(0, 0), QSize(5, 5), QSize(12, 40), QSize(40, 12)}) {
            Grid8x8Widget widget;
            widget.resize(size);
            widget.updateSensor(3, 3, 0.5, 1);
            QCOMPARE(shot(widget).size(), size);
        }
        qInstallMessageHandler(previous);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    }

    void outOfRangeCellsAreIgnored() {
        Grid8x8Widget widget;
        widget.updateSensor(8, 0, 1, 1);
        widget.updateSensor(0, -1, 1, 1);
        widget.setCalibration(0, 8, true);
        for (int i = 0; i < 64; ++i) {
            QCOMPARE(widget.cell(i % 8, i / 8).intensity, 0.0);
            QVERIFY(!widget.cell(i % 8, i / 8).hasCalibration);
        }
        widget.updateSensor(7, 7, 0.25, 2);
        QCOMPARE(widget.cell(7, 7).intensity, 0.25);
        QCOMPARE(widget.cell(7, 7).value, 2.0);
    }

    // Random frames, each shown by animate(), a resize and a change of theme
    // among them: the window holds what a whole paint of the same state
    // gives, and that is within 2 levels of the plain paint (translucent grid
    // lines, every outline stroked over its cell); a frame that changes one
    // cell's grey repaints only that cell.
    void partialRepaintsMatchWholePaint_data() {
        QTest::addColumn<QString>("theme");
        QTest::newRow("system") << "system";
        QTest::newRow("dark") << "dark";
    }

    void partialRepaintsMatchWholePaint() {
        QFETCH(QString, theme);
        applyTheme(Theme::fromName(theme));
        QWidget window;
        auto* grid = new Grid8x8Widget(&window);
        grid->setGeometry(3, 5, 697, 502);
        window.resize(703, 510);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PaintRegions painted(grid);
        grid->setUnit("kg");
        QRandomGenerator random(20261208);
        bool smallFontSeen = false;
        for (int frame = 0; frame < 30; ++frame) {
            const int changes = random.bounded(2) == 0 ? 64 : 1 + random.bounded(4);
            for (int k = 0; k < changes; ++k) {
                const int i = changes == 64 ? k : random.bounded(64);
                const double intensity = random.generateDouble() * 1.5 - 0.2;
                // A large value takes the small font.
                grid->updateSensor(i % 8, i / 8, intensity, random.bounded(5) == 0 ? 123456.75 : intensity * 40);
                grid->setCalibration(i % 8, i / 8, random.bounded(3) == 0);
                const int shown = random.bounded(12);
                grid->setCellShown(i % 8, i / 8,
                                   shown == 0   ? GridCellShown::ValueOnly
                                   : shown == 1 ? GridCellShown::NotLogged
                                                : GridCellShown::Reading);
                smallFontSeen = smallFontSeen || grid->fontFor(i % 8, i / 8) == grid->smallLabelFont();
            }
            // Another size (cells on other fractions of a pixel), another theme.
            if (frame == 10)
                grid->resize(500, 433);
            if (frame == 20)
                applyTheme(Theme::fromName(theme == "dark" ? "system" : "dark"));
            grid->animate();
            const QImage held = backingStoreImage(*grid);
            QVERIFY(!held.isNull());
            const QImage whole = wholePaint(*grid);
            QVERIFY2(largestChannelDifference(held, whole) <= 2, qPrintable(QString("frame %1").arg(frame)));
            QVERIFY2(largestChannelDifference(whole, plainPaint(*grid)) <= 2,
                     qPrintable(QString("frame %1").arg(frame)));
        }
        QVERIFY(smallFontSeen);

        // Only the grey of one calibrated cell changes: its value stays.
        grid->setCalibration(5, 2, true);
        grid->setCellShown(5, 2, GridCellShown::Reading);
        grid->updateSensor(5, 2, 0.2, 7.0);
        grid->animate();
        painted.regions.clear();
        grid->updateSensor(5, 2, 0.8, 7.0);
        grid->animate();
        QCOMPARE(painted.regions.size(), 1);
        const QRect cell = GridGeometry::cellRect(grid->size(), 5, 2).toAlignedRect();
        QVERIFY(painted.regions[0].boundingRect().contains(cell));
        QVERIFY(cell.adjusted(-2, -2, 2, 2).contains(painted.regions[0].boundingRect()));
        QVERIFY(largestChannelDifference(backingStoreImage(*grid), wholePaint(*grid)) <= 2);
    }
};

QTEST_MAIN(TestGridWidget)
#include "tst_gridwidget.moc"
