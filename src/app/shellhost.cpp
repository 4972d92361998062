#include "app/shellhost.h"

#include <QCoreApplication>
#include <QThread>

#include "app/mainform.h"
#include "app/unitdisplay32.h"
#include "compose/layerstack.h"

namespace {

QString FromStd(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

}  // namespace

TShellHost::TShellHost(Tmainform& form) : form_(form), previousSink_(quenvar::SetLogSink(this)) {
  quenvar::SetProjectHost(this);
}

TShellHost::~TShellHost() {
  quenvar::SetProjectHost(nullptr);
  quenvar::SetLogSink(previousSink_);
}

void TShellHost::StatusLog(std::string_view line) {
  form_.StatusLog(FromStd(line));
}

void TShellHost::PsdLog(std::string_view line) {
  form_.PsdLog(FromStd(line));
}

void TShellHost::StopPlayback() {
  form_.StopPlayback();
}

void TShellHost::ProcessPendingEvents() {
  QCoreApplication::processEvents();
}

void TShellHost::Sleep(int milliseconds) {
  QThread::msleep(static_cast<unsigned long>(milliseconds));
}

bool TShellHost::ViewClientSize(int& width, int& height) {
  if (!form_.frmProject32) return false;
  width = form_.frmProject32->ClientWidth();
  height = form_.frmProject32->ClientHeight();
  return true;
}

quenvar::TLayerCollection* TShellHost::ViewLayers() {
  return form_.frmProject32 ? &form_.frmProject32->view().Layers() : nullptr;
}

void TShellHost::ViewLayerCreated(quenvar::TBitmapLayer& layer) {
  if (form_.frmProject32) form_.frmProject32->WatchViewLayer(layer);
}
