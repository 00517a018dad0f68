#pragma once

#include <QPixmap>
#include <QString>

// The picture of a compiled-in icon file, for a label: its own size in
// logical pixels, taken from the NAME@2x.png sibling on screens of a pixel
// ratio of 2 or more (a QPixmap loaded from the path would always be the
// small picture, scaled up there).
QPixmap iconPixmap(const QString& path);
