#include "gui/widgets/filedrops.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

QStringList DroppedFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files.append(url.toLocalFile());
  return files;
}

void AcceptFileDrag(QDragEnterEvent* event) {
  if (!DroppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

QStringList TakeFileDrop(QDropEvent* event) {
  const QStringList files = DroppedFiles(event->mimeData());
  if (!files.isEmpty()) event->acceptProposedAction();
  return files;
}
