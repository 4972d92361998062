#pragma once
// Files dragged onto the program's windows.
#include <QStringList>

class QMimeData;

// The local files a drag carries, in the order given; empty when it carries
// none.
QStringList DroppedFiles(const QMimeData* data);
