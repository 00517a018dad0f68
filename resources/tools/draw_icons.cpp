// Draws the pictures that the Tango icon theme has no match for, in Tango's
// palette, into the icon folder given as the only argument:
//   number.png .. number-3.png  line numbers 0..3 of the digital I/Os
//   target.png, success.png     I/O indicator off / on (an LED)
//   checked.png                 a check mark ("Done")
//   exit-1.png                  exit-2.png with a save badge ("Save and Exit")
// exit-1.png is composed from exit-2.png and folder-2.png of the same folder,
// so those two must be there already. Run with QT_QPA_PLATFORM=offscreen.
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

QImage blank(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage numberBadge(int number) {
    QImage image = blank(16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
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

QImage led(const QColor& light, const QColor& base, const QColor& dark) {
    QImage image = blank(16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient fill(QPointF(6, 5.5), 9);
    fill.setColorAt(0, Qt::white);
    fill.setColorAt(0.25, light);
    fill.setColorAt(1, base);
    p.setBrush(fill);
    p.setPen(QPen(dark, 1));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    return image;
}

QImage checkMark() {
    QImage image = blank(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
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

QImage saveAndExit(const QImage& exit, const QImage& save) {
    QImage image = blank(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(0, 0, 32, 32), exit);
    p.drawImage(QRect(0, 14, 18, 18), save);
    return image;
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
    const QImage exit(folder.filePath(QStringLiteral("exit-2.png")));
    const QImage saveIcon(folder.filePath(QStringLiteral("folder-2.png")));
    if (exit.isNull() || saveIcon.isNull()) {
        QTextStream(stderr) << "exit-2.png and folder-2.png must be in " << folder.path() << '\n';
        return 1;
    }

    bool ok = save(numberBadge(0), folder, QStringLiteral("number.png"));
    for (int n = 1; n <= 3; ++n)
        ok = save(numberBadge(n), folder, QStringLiteral("number-%1.png").arg(n)) && ok;
    ok = save(led(aluminiumLight, aluminium, aluminiumDark), folder, QStringLiteral("target.png")) && ok;
    ok = save(led(chameleonLight, chameleon, chameleonDark), folder, QStringLiteral("success.png")) && ok;
    ok = save(checkMark(), folder, QStringLiteral("checked.png")) && ok;
    ok = save(saveAndExit(exit, saveIcon), folder, QStringLiteral("exit-1.png")) && ok;
    return ok ? 0 : 1;
}
