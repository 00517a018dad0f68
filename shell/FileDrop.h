#pragma once

#include <QString>
#include <QStringList>

class QMimeData;

// The first local file of a drag whose name ends with one of `suffixes`
// (".tolmcal3", ".csv"; any case); empty when it holds none.
QString droppedFile(const QMimeData* data, const QStringList& suffixes);
