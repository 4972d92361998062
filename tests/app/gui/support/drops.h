#pragma once
// Files dragged onto a window, as the platform would deliver them.
#include <QStringList>

class QWidget;

// Sends a drag carrying `files` over `target` and, when the window takes it,
// the drop. False when the drag was refused.
bool DropFilesOn(QWidget* target, const QStringList& files);
