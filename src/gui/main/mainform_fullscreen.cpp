// Full-screen presentation. The display mode is left as the user set it:
// full screen covers the screen the main window is on, at its resolution,
// and the view shows the canvas scaled to fit.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <utility>

#include "gui/dialogs/unitstatus.h"
#include "gui/dialogs/unitwhatsnew.h"
#include "gui/layers/unitlayers.h"
#include "gui/main/mainform.h"
#include "gui/main/unitdisplay32.h"
#include "gui/psdimport/unitimportpsd.h"
#include "gui/widgets/imageview32.h"
#include "gui/widgets/pointerhider.h"
#include "project/project.h"

void Tmainform::SetFullScreen(bool on) {
  // Set first, so tool windows that come up during the switch are held back.
  fullScreen = on;
  if (on)
    EnterFullScreen();
  else
    LeaveFullScreen();
}

void Tmainform::G32_Button1Click() {
  // Nothing to present without a project.
  if (!project()) return;
  // Pending events run during the switch; no frame steps in between.
  StopPlayback();
  SetFullScreen(true);
  StartPlayback();
}

void Tmainform::EnterFullScreen() {
  QCoreApplication::processEvents();
  TopPanel_->hide();
  statusBar()->hide();
  HideFloatingWindows();
  menuBar()->hide();
  mdiArea_->setFrameShape(QFrame::NoFrame);
  mdiArea_->setBackground(Qt::black);
  // The geometry too, where no window manager acts on the state.
  if (QScreen* s = screen()) setGeometry(s->geometry());
  showFullScreen();
  QCoreApplication::processEvents();
  PresentView();
  QCoreApplication::processEvents();
}

void Tmainform::LeaveFullScreen() {
  pointerHider->Watch(nullptr);
  QCoreApplication::processEvents();
  TopPanel_->show();
  statusBar()->show();
  menuBar()->show();
  mdiArea_->setFrameShape(windowedMdiFrame_);
  mdiArea_->setBackground(windowedMdiBackground_);
  showMaximized();
  if (QScreen* s = screen()) setGeometry(s->availableGeometry());
  repaint();
  QCoreApplication::processEvents();
  RestoreView();
  QCoreApplication::processEvents();
  ShowHiddenFloatingWindows();
}

void Tmainform::AttachView() {
  if (frmProject32 && frmProject32->mdiArea() != mdiArea_) mdiArea_->addSubWindow(frmProject32);
}

void Tmainform::PresentView() {
  if (!frmProject32) return;
  AttachView();
  frmProject32->move(0, 0);
  frmProject32->SetPresenting(true);
  frmProject32->img32->setFocus();
  pointerHider->Watch(frmProject32->img32);
}

void Tmainform::RestoreView() {
  if (!frmProject32) return;
  AttachView();
  frmProject32->SetPresenting(false);
  frmProject32->showNormal();
  frmProject32->move(10, 10);
  // The client area is the canvas again, whatever frame the window has.
  if (quenvar::TProject* p = project()) frmProject32->SetClientSize(p->width, p->height);
  // Hiding it for its new frame took the focus away.
  frmProject32->img32->setFocus();
}

void Tmainform::HideFloatingWindows() {
  QList<QWidget*> windows{frmLayers, frmStatus};
  if (frmPSDImport) windows << static_cast<QWidget*>(frmPSDImport.data());
  for (TfrmWhatsNew* w : findChildren<TfrmWhatsNew*>(Qt::FindDirectChildrenOnly)) windows << w;
  for (QWidget* w : windows) {
    if (!w || !w->isVisible()) continue;
    w->hide();
    if (!heldBack_.contains(w)) heldBack_.append(w);
  }
}

void Tmainform::ShowHiddenFloatingWindows() {
  const QList<QPointer<QWidget>> windows = std::exchange(heldBack_, {});
  for (const QPointer<QWidget>& w : windows) {
    // The layers panel belongs to an open project.
    if (!w || (w == frmLayers && !frmProject32)) continue;
    w->show();
  }
}

void Tmainform::ShowFloatingWindow(QWidget* window) {
  if (!window) return;
  if (!fullScreen) {
    window->show();
    return;
  }
  window->hide();
  if (!heldBack_.contains(window)) heldBack_.append(window);
}

bool Tmainform::InView(QObject* object) const {
  for (QObject* o = object; o; o = o->parent())
    if (o == frmProject32) return true;
  return false;
}

bool Tmainform::FormKeyDown(QObject* target, QKeyEvent* key) {
  switch (key->key()) {
    case Qt::Key_F11:
      if (!key->isAutoRepeat()) {
        if (fullScreen)
          SetFullScreen(false);
        else
          G32_Button1Click();
      }
      return true;
    case Qt::Key_Escape:
      // The view takes its own Esc: it leaves full screen.
      if (!fullScreen || InView(target)) return false;
      // Full screen without a project (a player start that could not read
      // its file) has nothing to show: Esc leaves it.
      if (!project())
        SetFullScreen(false);
      else
        G32_Button1Click();
      return true;
    case Qt::Key_Space:
      // In the window only the view takes Space; buttons keep their own.
      if (!fullScreen) return false;
      if (!key->isAutoRepeat()) bAnimateClick();
      return true;
    default:
      return false;
  }
}
