#include "IconPixmap.h"

#include <QIcon>
#include <QImageReader>

QPixmap iconPixmap(const QString& path) {
    // QIcon looks for the @2x file when high-DPI pixmaps are on and the
    // application's pixel ratio asks for it.
    return QIcon(path).pixmap(QImageReader(path).size());
}
