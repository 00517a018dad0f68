#include "FileDrop.h"

#include <QMimeData>
#include <QUrl>

QString droppedFile(const QMimeData* data, const QStringList& suffixes) {
    if (!data || !data->hasUrls())
        return QString();
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        for (const QString& suffix : suffixes) {
            if (path.endsWith(suffix, Qt::CaseInsensitive))
                return path;
        }
    }
    return QString();
}
