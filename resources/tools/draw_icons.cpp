// Draws the pictures that the Tango icon theme has no match for, in Tango's
// palette, into the icon folder given as the only argument:
//   number.png .. number-3.png  line numbers 0..3 of the digital I/Os
//   target.png, success.png     I/O indicator off / on (an LED)
//   checked.png                 a check mark ("Done")
//   exit-1.png                  exit-2.png with a save badge ("Save and Exit")
// Each also at twice the size as NAME@2x.png, drawn (not scaled) at that
// size, for high-resolution screens.
// exit-1.png is composed from exit-2.png and folder-2.png of the same folder
// (the @2x from their @2x), so those must be there already. Run with
// QT_QPA_PLATFORM=offscreen.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

namespace {

// Tango palette.
const QColor skyBlueLight(0x72, 0x9f, 0xcf);
const QColor skyBlue(0x34, 0x65, 0xa4);
const QColor skyBlueDark(0x20, 0x4a, 0x87);
const QColor chameleonLight(0x8a, 0xe2, 0x34);
const QColor chameleon(0x73, 0xd2, 0x16);
const QColor chameleonDark(0x4e, 0x9a, 0x06);
const QColor aluminiumLight(0xee, 0xee, 0xec);
const QColor aluminium(0xba, 0xbd, 0xb6);
const QColor aluminiumDark(0x55, 0x57, 0x53);

// A transparent picture of `size` x `size` pixels at `scale`; what is drawn
// into it is given in the coordinates of the picture at scale 1.
QImage blank(int size, int scale) {
    QImage image(size * scale, size * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void begin(QPainter& p, int scale) {
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
}

QImage numberBadge(int number, int scale) {
    QImage image = blank(16, scale);
    QPainter p(&image);
    begin(p, scale);
    QLinearGradient fill(0, 0, 0, 16);
    fill.setColorAt(0, skyBlueLight);
    fill.setColorAt(1, skyBlue);
    p.setBrush(fill);
    p.setPen(QPen(skyBlueDark, 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::number(number));
    return image;
}

QImage led(const QColor& light, const QColor& base, const QColor& dark, int scale) {
    QImage image = blank(16, scale);
    QPainter p(&image);
    begin(p, scale);
    QRadialGradient fill(QPointF(6, 5.5), 9);
    fill.setColorAt(0, Qt::white);
    fill.setColorAt(0.25, light);
    fill.setColorAt(1, base);
    p.setBrush(fill);
    p.setPen(QPen(dark, 1));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    return image;
}

QImage checkMark(int scale) {
    QImage image = blank(32, scale);
    QPainter p(&image);
    begin(p, scale);
    QPainterPath tick;
    tick.moveTo(5, 17);
    tick.lineTo(12.5, 25);
    tick.lineTo(27, 7);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(chameleonDark, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.setPen(QPen(chameleon, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.setPen(QPen(chameleonLight, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick.translated(-0.5, -0.8));
    return image;
}

// `exit` and `save` at `scale` already.
QImage saveAndExit(const QImage& exit, const QImage& save, int scale) {
    QImage image = blank(32, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(scale, scale);
    p.drawImage(QRect(0, 0, 32, 32), exit);
    p.drawImage(QRect(0, 14, 18, 18), save);
    return image;
}

QString fileName(const QString& name, int scale) {
    return scale == 1 ? name + QStringLiteral(".png") : QStringLiteral("%1@%2x.png").arg(name).arg(scale);
}

bool save(const QImage& image, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: " << argv[0] << " ICON_FOLDER\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    for (int scale : {1, 2}) {
        const QImage exit(folder.filePath(fileName(QStringLiteral("exit-2"), scale)));
        const QImage saveIcon(folder.filePath(fileName(QStringLiteral("folder-2"), scale)));
        if (exit.isNull() || saveIcon.isNull()) {
            QTextStream(stderr) << fileName(QStringLiteral("exit-2"), scale) << " and "
                                << fileName(QStringLiteral("folder-2"), scale) << " must be in " << folder.path()
                                << '\n';
            return 1;
        }
        ok = save(numberBadge(0, scale), folder, fileName(QStringLiteral("number"), scale)) && ok;
        for (int n = 1; n <= 3; ++n)
            ok = save(numberBadge(n, scale), folder, fileName(QStringLiteral("number-%1").arg(n), scale)) && ok;
        ok = save(led(aluminiumLight, aluminium, aluminiumDark, scale), folder,
                  fileName(QStringLiteral("target"), scale)) &&
             ok;
        ok = save(led(chameleonLight, chameleon, chameleonDark, scale), folder,
                  fileName(QStringLiteral("success"), scale)) &&
             ok;
        ok = save(checkMark(scale), folder, fileName(QStringLiteral("checked"), scale)) && ok;
        ok = save(saveAndExit(exit, saveIcon, scale), folder, fileName(QStringLiteral("exit-1"), scale)) && ok;
    }
    return ok ? 0 : 1;
}
