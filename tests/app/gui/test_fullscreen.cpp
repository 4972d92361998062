// Full-screen presentation: FS, Esc in the view and in the main window, F11
// and Space, closing, tool windows, the fitted picture, clicks on it, and the
// pointer.
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "gui/dialogs/unitstatus.h"
#include "gui/layers/unitlayers.h"
#include "gui/psdimport/unitimportpsd.h"
#include "gui/widgets/pointerhider.h"
#include "host/playback.h"
#include "test_display_support.h"

using quenvar::CurrentProject;
using quenvar::Playback;

namespace {

const QString kDemo = QStringLiteral(QUENVAR_SOURCE_DIR "/examples/demo.zyl");

// Every part of the windowed layout that full screen takes away.
bool WindowedChromeHidden(const Shell& s) {
  return s.form->menuBar()->isHidden() && s.child<QWidget>("TopPanel")->isHidden() &&
         s.form->statusBar()->isHidden();
}

bool WindowedChromeShown(const Shell& s) {
  return !s.form->menuBar()->isHidden() && !s.child<QWidget>("TopPanel")->isHidden() &&
         !s.form->statusBar()->isHidden();
}

QRect ScreenRect(const Shell& s) {
  return s.form->screen()->geometry();
}

// Where img32 lies, in screen coordinates.
QRect ViewOnScreen(const Shell& s) {
  QWidget* img = View(s)->img32;
  return QRect(img->mapToGlobal(QPoint(0, 0)), img->size());
}

// A layer covering the canvas in one colour.
void SolidLayer(int w, int h, quenvar::TColor32 colour) {
  auto* layer = new quenvar::TBlendLayer();
  layer->bmp.Resize(w, h);
  for (int i = 0; i < w * h; ++i) layer->bmp.Bits()[i] = colour;
}

void OpenShown(Shell& s, const QString& path = kDemo) {
  s.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(s.form.get()));
  QVERIFY(s.form->OpenProjectPath(path));
}

void PressFs(Shell& s) {
  s.child<QPushButton>("G32_Button1")->click();
}

}  // namespace

class TestFullScreen : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { Playback() = quenvar::TPlaybackState{}; }
  void fsWhilePlayingPresentsTheViewAndKeepsPlaying();
  void escapeInTheViewRestoresTheWindowedLayout();
  void escapeOutsideFullScreenKeepsTheView();
  void escapeElsewhereStaysFullScreen();
  void f11TogglesAndSpacePauses();
  void closingLeavesFullScreenBeforeTheQuestion();
  void toolWindowsWaitForTheWindowedLayout();
  void theCanvasIsScaledOnBlackAndFramesKeepItsSize();
  void clicksHitTheLayerShownThere();
  void aProjectOpenedDuringFullScreenIsPresented();
  void pointerHidesWhilePlayingFullScreen();
};

void TestFullScreen::fsWhilePlayingPresentsTheViewAndKeepsPlaying() {
  Shell s;
  OpenShown(s);
  QVERIFY(Playback().playing);
  QVERIFY(s.form->frmLayers->isVisible());
  const QImage before = View(s)->img32->bufferImage().copy();

  PressFs(s);
  QVERIFY(s.form->fullScreen);
  QVERIFY(s.form->isFullScreen());
  QVERIFY(WindowedChromeHidden(s));
  QVERIFY(!s.form->frmLayers->isVisible());
  QVERIFY(View(s)->isMaximized());
  QTRY_COMPARE(ViewOnScreen(s), ScreenRect(s));
  QVERIFY(View(s)->presenting());
  QVERIFY(View(s)->img32->hasFocus());
  // The frame is still the canvas, and it keeps moving.
  QCOMPARE(View(s)->ClientWidth(), 768);
  QCOMPARE(View(s)->ClientHeight(), 576);
  QVERIFY(Playback().playing);
  QVERIFY(View(s)->Timer1->isActive());
  QTRY_VERIFY(View(s)->img32->bufferImage() != before);
}

void TestFullScreen::escapeInTheViewRestoresTheWindowedLayout() {
  Shell s;
  OpenShown(s);
  PressFs(s);
  QTRY_COMPARE(ViewOnScreen(s), ScreenRect(s));

  QTest::keyClick(View(s)->img32, Qt::Key_Escape);
  QVERIFY(!s.form->fullScreen);
  QVERIFY(!s.form->isFullScreen());
  QVERIFY(s.form->isMaximized());
  QVERIFY(WindowedChromeShown(s));
  QVERIFY(s.form->frmLayers->isVisible());
  QVERIFY(!View(s)->isMaximized());
  QVERIFY(!View(s)->presenting());
  // At (10, 10), with the client area exactly the canvas, whatever frame
  // the window has.
  QCOMPARE(View(s)->pos(), QPoint(10, 10));
  QCOMPARE(View(s)->img32->size(), QSize(768, 576));
  QCOMPARE(View(s)->ClientWidth(), 768);
  QCOMPARE(View(s)->ClientHeight(), 576);
  QCOMPARE(View(s)->ClientWidth(), View(s)->img32->width());
  QCOMPARE(View(s)->ClientHeight(), View(s)->img32->height());
  QVERIFY(View(s)->windowTitle().startsWith("demo.zyl ["));
  QVERIFY(View(s)->img32->hasFocus());
  // The frame kept the canvas size all along: playback goes on, and the
  // button says so.
  QVERIFY(View(s)->Timer1->isActive());
  QCOMPARE(s.child<QPushButton>("bAnimate")->text(), QStringLiteral("STOP"));
  QVERIFY(CurrentProject());
}

void TestFullScreen::escapeOutsideFullScreenKeepsTheView() {
  Shell s;
  OpenShown(s);
  View(s)->setGeometry(150, 80, 900, 700);
  const QSize client = View(s)->img32->size();
  QTest::keyClick(View(s)->img32, Qt::Key_Escape);
  QVERIFY(!s.form->fullScreen);
  QVERIFY(WindowedChromeShown(s));
  QCOMPARE(View(s)->geometry(), QRect(150, 80, 900, 700));
  QCOMPARE(View(s)->img32->size(), client);
}

void TestFullScreen::escapeElsewhereStaysFullScreen() {
  // Without a project there is nothing to present: FS and F11 do nothing.
  Shell s;
  s.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(s.form.get()));
  PressFs(s);
  QVERIFY(!s.form->fullScreen);
  QTest::keyClick(s.child<QMdiArea>("MDIClient"), Qt::Key_F11);
  QVERIFY(!s.form->fullScreen);
  QVERIFY(WindowedChromeShown(s));
  // Esc that reaches the main window rather than the view applies full
  // screen again rather than leaving it.
  QVERIFY(s.form->OpenProjectPath(kDemo));
  PressFs(s);
  QVERIFY(s.form->fullScreen);
  QWidget* mdi = s.child<QMdiArea>("MDIClient");
  QTest::keyClick(mdi, Qt::Key_Escape);
  QVERIFY(s.form->fullScreen);
  QVERIFY(s.form->isFullScreen());
  QVERIFY(WindowedChromeHidden(s));
  // Outside full screen the main window leaves Esc alone.
  QTest::keyClick(mdi, Qt::Key_F11);
  QVERIFY(!s.form->fullScreen);
  QTest::keyClick(mdi, Qt::Key_Escape);
  QVERIFY(!s.form->fullScreen);
  QVERIFY(WindowedChromeShown(s));
}

void TestFullScreen::f11TogglesAndSpacePauses() {
  Shell s;
  OpenShown(s);
  auto* animate = s.child<QPushButton>("bAnimate");
  QTest::keyClick(View(s)->img32, Qt::Key_F11);
  QVERIFY(s.form->fullScreen);
  QVERIFY(Playback().playing);

  QTest::keyClick(View(s)->img32, Qt::Key_Space);
  QVERIFY(!Playback().playing);
  QVERIFY(!View(s)->Timer1->isActive());
  QCOMPARE(animate->text(), QString("PLAY"));
  QTest::keyClick(View(s)->img32, Qt::Key_Space);
  QVERIFY(Playback().playing);
  QCOMPARE(animate->text(), QString("STOP"));
  // A held key does not flicker between the two.
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ", true);
  QApplication::sendEvent(View(s)->img32, &repeat);
  QVERIFY(Playback().playing);

  QTest::keyClick(View(s)->img32, Qt::Key_F11);
  QVERIFY(!s.form->fullScreen);
  QVERIFY(WindowedChromeShown(s));
  QCOMPARE(View(s)->img32->size(), QSize(768, 576));
  QVERIFY(Playback().playing);

  // In the window the view takes Space too.
  QTest::keyClick(View(s)->img32, Qt::Key_Space);
  QVERIFY(!Playback().playing);
  QVERIFY(!View(s)->Timer1->isActive());
  QCOMPARE(animate->text(), QString("PLAY"));
}

void TestFullScreen::closingLeavesFullScreenBeforeTheQuestion() {
  Shell s;
  OpenShown(s);
  CurrentProject()->modified = true;
  PressFs(s);
  bool fullScreenWhenAsked = true, menuShownWhenAsked = false;
  s.prompter.onQuestion = [&](const QString&) {
    fullScreenWhenAsked = s.form->fullScreen || s.form->isFullScreen();
    menuShownWhenAsked = !s.form->menuBar()->isHidden();
  };
  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  QVERIFY(!s.form->close());
  QCOMPARE(s.prompter.questions.size(), 1);
  QVERIFY(!fullScreenWhenAsked);
  QVERIFY(menuShownWhenAsked);
  QVERIFY(CurrentProject());
  QCOMPARE(s.terminations, 0);
}

void TestFullScreen::toolWindowsWaitForTheWindowedLayout() {
  Shell s;
  OpenShown(s);
  PressFs(s);
  // The status window comes with the banner; during full screen it waits.
  s.runBanner();
  QVERIFY(s.form->frmStatus);
  QVERIFY(!s.form->frmStatus->isVisible());
  QVERIFY(!s.form->frmLayers->isVisible());
  QTest::keyClick(View(s)->img32, Qt::Key_Escape);
  QVERIFY(s.form->frmStatus->isVisible());
  QVERIFY(s.form->frmLayers->isVisible());

  // The PSD import window waits too.
  s.form->ImportPSDClick();
  QWidget* import = s.form->frmPSDImport;
  QVERIFY(import->isVisible());
  PressFs(s);
  QVERIFY(!import->isVisible());
  QTest::keyClick(View(s)->img32, Qt::Key_Escape);
  QVERIFY(import->isVisible());

  // A project closed meanwhile takes its layers panel with it.
  PressFs(s);
  s.form->CloseProjectView();
  QVERIFY(!View(s));
  QTest::keyClick(s.child<QMdiArea>("MDIClient"), Qt::Key_F11);
  QVERIFY(!s.form->fullScreen);
  QVERIFY(s.form->frmStatus->isVisible());
  QVERIFY(!s.form->frmLayers->isVisible());
}

void TestFullScreen::theCanvasIsScaledOnBlackAndFramesKeepItsSize() {
  Shell s;
  s.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(s.form.get()));
  s.newProject("Red", "200", "100");
  SolidLayer(200, 100, 0xFFFF0000u);
  View(s)->BuildFromProject();
  PressFs(s);
  const QRect screen = ScreenRect(s);
  QTRY_COMPARE(ViewOnScreen(s), screen);

  const quenvar::TFitPlacement fit = View(s)->img32->Placement();
  const quenvar::TFitPlacement expected =
      quenvar::FitToScreen(200, 100, screen.width(), screen.height());
  QCOMPARE(fit.target, expected.target);
  const QImage shown = View(s)->img32->grab().toImage();
  QCOMPARE(shown.size(), screen.size());
  const quenvar::TRect t = fit.target;
  // Bars are black; the picture covers its whole target, edge pixels too.
  const QPoint outside[] = {{0, 0},
                            {screen.width() - 1, screen.height() - 1},
                            {t.Left + 3, t.Top - 1},
                            {t.Left + 3, t.Bottom}};
  for (QPoint p : outside)
    if (!t.Contains(p.x(), p.y())) QCOMPARE(shown.pixel(p), qRgb(0, 0, 0));
  for (QPoint p : {QPoint(t.Left, t.Top), QPoint(t.Right - 1, t.Bottom - 1),
                   QPoint((t.Left + t.Right) / 2, (t.Top + t.Bottom) / 2)})
    QCOMPARE(shown.pixel(p), qRgb(255, 0, 0));

  // What is written is the canvas, unscaled.
  QTemporaryDir dir;
  const QString frame = dir.filePath("frame.bmp");
  s.prompter.fileNames.push_back(frame);
  s.action("miSaveFrame")->trigger();
  const QImage saved(frame);
  QCOMPARE(saved.size(), QSize(200, 100));
  QCOMPARE(saved.pixel(199, 99), qRgb(255, 0, 0));
}

void TestFullScreen::clicksHitTheLayerShownThere() {
  Shell s;
  s.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(s.form.get()));
  s.newProject("Clouds", "400", "200");
  quenvar::TBlendLayer& a = AddLayer(100, 50, 10, 10);
  quenvar::TBlendLayer& b = AddLayer(100, 50, 200, 100);
  View(s)->BuildFromProject();
  PressFs(s);
  QTRY_COMPARE(ViewOnScreen(s), ScreenRect(s));
  const quenvar::TFitPlacement fit = View(s)->img32->Placement();
  // The screen point where canvas point (x, y) is shown.
  auto at = [&](double x, double y) {
    return QPoint(fit.target.Left + int(x * fit.scale), fit.target.Top + int(y * fit.scale));
  };
  Click(View(s)->img32, at(250, 120));
  QCOMPARE(View(s)->selectedLayer(), static_cast<quenvar::TPositionedLayer*>(b.ALayer));
  Click(View(s)->img32, at(50, 30));
  QCOMPARE(View(s)->selectedLayer(), static_cast<quenvar::TPositionedLayer*>(a.ALayer));
  // A drag moves the layer by canvas pixels, not screen pixels.
  Drag(View(s)->img32, at(50, 30), at(80, 45));
  QVERIFY(qAbs(a.ALayer->Location().Left - 40.f) <= 1.f);
  QVERIFY(qAbs(a.ALayer->Location().Top - 25.f) <= 1.f);
  // Canvas space that no layer covers clears the selection, and so does a
  // bar beside the picture.
  Click(View(s)->img32, at(390, 190));
  QVERIFY(!View(s)->selectedLayer());
  Click(View(s)->img32, at(50, 30));
  QVERIFY(View(s)->selectedLayer());
  if (fit.target.Top > 0) {
    Click(View(s)->img32, QPoint(fit.target.Left + 100, fit.target.Top / 2));
    QVERIFY(!View(s)->selectedLayer());
  }
}

void TestFullScreen::aProjectOpenedDuringFullScreenIsPresented() {
  Shell s;
  OpenShown(s);
  PressFs(s);
  QPointer<TfrmProject32> first = View(s);
  s.form->DropFiles({kDemo});
  QVERIFY(View(s));
  QVERIFY(View(s) != first);
  QVERIFY(View(s)->presenting());
  QVERIFY(View(s)->isMaximized());
  QTRY_COMPARE(ViewOnScreen(s), ScreenRect(s));
  QCOMPARE(View(s)->ClientWidth(), 768);
  QVERIFY(!s.form->frmLayers->isVisible());
  QVERIFY(Playback().playing);
}

void TestFullScreen::pointerHidesWhilePlayingFullScreen() {
  Shell s;
  OpenShown(s);
  TPointerHider* hider = s.form->pointerHider;
  QCOMPARE(hider->timer()->interval(), 2000);
  hider->timer()->setInterval(30);
  QWidget* img = View(s)->img32;
  PressFs(s);
  QTRY_VERIFY(hider->hidden());
  QCOMPARE(img->cursor().shape(), Qt::BlankCursor);
  // Moving brings it back, and the spell begins again.
  SendMouse(img, QEvent::MouseMove, QPoint(5, 5), Qt::NoButton, Qt::NoButton);
  QVERIFY(!hider->hidden());
  QVERIFY(img->cursor().shape() != Qt::BlankCursor);
  QTRY_VERIFY(hider->hidden());

  // Paused, it stays.
  SendMouse(img, QEvent::MouseMove, QPoint(6, 6), Qt::NoButton, Qt::NoButton);
  QTest::keyClick(img, Qt::Key_Space);
  QTest::qWait(150);
  QVERIFY(!hider->hidden());
  QTest::keyClick(img, Qt::Key_Space);
  QTRY_VERIFY(hider->hidden());

  // Leaving full screen shows it for good.
  QTest::keyClick(img, Qt::Key_Escape);
  QVERIFY(!hider->hidden());
  QVERIFY(img->cursor().shape() != Qt::BlankCursor);
  QVERIFY(!hider->timer()->isActive());
}

QTEST_MAIN(TestFullScreen)
#include "test_fullscreen.moc"
