#pragma once
// Files dragged onto the program's windows.
#include <QStringList>

class QDragEnterEvent;
class QDropEvent;
class QMimeData;

// The local files a drag carries, in the order given; empty when it carries
// none.
QStringList DroppedFiles(const QMimeData* data);
// Accepts a drag that carries local files.
void AcceptFileDrag(QDragEnterEvent* event);
// The files of a drop, the drop accepted when there are any.
QStringList TakeFileDrop(QDropEvent* event);
