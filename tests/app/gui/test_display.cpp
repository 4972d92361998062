// The view window: size and title, the checkerboard, selection and dragging,
// the frame step through the real timer, PLAY/STOP and closing.
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "compose/layerstack.h"
#include "host/playback.h"
#include "project/projectview.h"
#include "test_display_support.h"

using quenvar::CurrentProject;
using quenvar::Playback;

class TestDisplay : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { Playback() = quenvar::TPlaybackState{}; }
  void newProjectOpensAStoppedViewAtCanvasSize();
  void enlargingShowsTheCheckerboardAndStopsPlayback();
  void clickingSelectsAndEmptySpaceClears();
  void draggingTheFrameMovesTheLayer();
  void draggingAHandleResizesTheLayer();
  void timerStepScrollsTheLayers();
  void playStopCaptionAndPlaying();
  void closingTheViewClosesTheProject();
  void escapeLeavesFullScreen();
};

void TestDisplay::newProjectOpensAStoppedViewAtCanvasSize() {
  Shell s;
  s.newProject("Clouds", "768", "576");
  TfrmProject32* view = View(s);
  QVERIFY(view);
  QCOMPARE(view->img32->size(), QSize(768, 576));
  QCOMPARE(view->ClientWidth(), 768);
  QCOMPARE(view->ClientHeight(), 576);
  QCOMPARE(view->windowTitle(), QStringLiteral("untitled.zyl [768x576]"));
  QVERIFY(!view->Timer1->isActive());
  QVERIFY(!Playback().playing);
  // New's first layer, still without a picture.
  QCOMPARE(view->view().Layers().Count(), 1);
  view->view().Compose();
  QCOMPARE(view->view().Buffer().Pixel(0, 0), 0xFFFFFFFFu);
  QCOMPARE(view->view().Buffer().Pixel(767, 575), 0xFFFFFFFFu);
  QCOMPARE(view->view().PaintStages()[0].Stage, quenvar::PST_CUSTOM);
}

void TestDisplay::enlargingShowsTheCheckerboardAndStopsPlayback() {
  Shell s;
  s.newProject("Clouds", "768", "576");
  TfrmProject32* view = View(s);
  s.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(s.form.get()));

  QCOMPARE(view->img32->size(), QSize(768, 576));
  s.form->StartPlayback();
  QVERIFY(view->Timer1->isActive());
  // The user drags the window's corner: the whole window grows.
  view->resize(view->size() + QSize(100, 60));
  QCOMPARE(view->img32->size(), QSize(868, 636));
  QVERIFY(!Playback().playing);
  QVERIFY(!view->Timer1->isActive());
  QCOMPARE(view->windowTitle(), QStringLiteral("untitled.zyl [868x636]"));
  const QImage shown = view->img32->grab().toImage().convertToFormat(QImage::Format_RGB32);
  QCOMPARE(shown.pixel(768, 0), 0xFFE0E0E0u);    // square (48, 0)
  QCOMPARE(shown.pixel(790, 10), 0xFFFFFFFFu);   // square (49, 0)
  QCOMPARE(shown.pixel(0, 576), 0xFFE0E0E0u);    // square (0, 36)
  QCOMPARE(shown.pixel(20, 580), 0xFFFFFFFFu);   // square (1, 36)
  QCOMPARE(shown.pixel(800, 600), 0xFFFFFFFFu);  // square (50, 37)
  QCOMPARE(shown.pixel(767, 575), 0xFFFFFFFFu);  // canvas
}

void TestDisplay::clickingSelectsAndEmptySpaceClears() {
  Shell s;
  s.newProject("Clouds", "400", "300");
  quenvar::TBlendLayer& a = AddLayer(100, 50, 10, 10);
  quenvar::TBlendLayer& b = AddLayer(100, 50, 200, 100);
  TfrmProject32* view = View(s);
  view->BuildFromProject();
  QCOMPARE(view->view().Layers().Count(), 3);  // New's empty first layer, a, b

  Click(view->img32, QPoint(50, 30));
  QCOMPARE(view->selectedLayer(), static_cast<quenvar::TPositionedLayer*>(a.ALayer));
  quenvar::TRubberbandLayer* frame = view->selectionFrame();
  QVERIFY(frame);
  QCOMPARE(frame->Index(), 3);
  QCOMPARE(frame->LayerOptions(), 0xB0000000u & ~quenvar::LOB_NO_UPDATE);
  QCOMPARE(int(frame->Handles), 15);
  QCOMPARE(frame->Location().Left, 10.f);

  // Another layer: the same frame moves to it and comes to the front.
  Click(view->img32, QPoint(250, 120));
  QCOMPARE(view->selectedLayer(), static_cast<quenvar::TPositionedLayer*>(b.ALayer));
  QCOMPARE(view->selectionFrame(), frame);
  QCOMPARE(frame->Index(), view->view().Layers().Count() - 1);
  QCOMPARE(frame->ChildLayer(), static_cast<quenvar::TPositionedLayer*>(b.ALayer));

  Click(view->img32, QPoint(390, 290));
  QVERIFY(!view->selectedLayer());
  QVERIFY(!frame->Visible());
  QVERIFY(!frame->ChildLayer());
  QVERIFY(!view->view().Layers().MouseListener());

  // Rebuilding forgets the selection and its frame.
  Click(view->img32, QPoint(50, 30));
  view->BuildFromProject();
  QVERIFY(!view->selectedLayer());
  QVERIFY(!view->selectionFrame());
  QCOMPARE(view->view().Layers().Count(), 3);
}

void TestDisplay::draggingTheFrameMovesTheLayer() {
  Shell s;
  s.newProject("Clouds", "400", "300");
  quenvar::TBlendLayer& a = AddLayer(100, 50, 10, 10);
  TfrmProject32* view = View(s);
  view->BuildFromProject();
  Click(view->img32, QPoint(50, 30));
  QVERIFY(view->selectionFrame());
  Drag(view->img32, QPoint(50, 30), QPoint(80, 45));
  const quenvar::TFloatRect& at = a.ALayer->Location();
  QCOMPARE(at.Left, 40.f);
  QCOMPARE(at.Top, 25.f);
  QCOMPARE(at.Right, 140.f);
  QCOMPARE(at.Bottom, 75.f);
  // What a save would write.
  QCOMPARE(a.ViewPlacement().left, 40);
  QCOMPARE(a.ViewPlacement().top, 25);
  // The selected layer stays selected; the drag did not reach the canvas.
  QCOMPARE(view->selectedLayer(), static_cast<quenvar::TPositionedLayer*>(a.ALayer));
  QCOMPARE(view->selectionFrame()->Location().Left, 40.f);
}

void TestDisplay::draggingAHandleResizesTheLayer() {
  Shell s;
  s.newProject("Clouds", "400", "300");
  quenvar::TBlendLayer& a = AddLayer(100, 50, 10, 10);
  TfrmProject32* view = View(s);
  view->BuildFromProject();
  Click(view->img32, QPoint(50, 30));
  quenvar::TRubberbandLayer* frame = view->selectionFrame();
  // The bottom-right corner handle sits on the frame's corner.
  const QPoint corner(109, 59);
  QCOMPARE(frame->GetDragState(corner.x(), corner.y()), quenvar::dsSizeBR);
  QCOMPARE(view->img32->cursor().shape(), Qt::SizeAllCursor);
  SendMouse(view->img32, QEvent::MouseMove, corner, Qt::NoButton, Qt::NoButton);
  QCOMPARE(view->img32->cursor().shape(), Qt::SizeFDiagCursor);
  Drag(view->img32, corner, corner + QPoint(40, 20));
  // The corner follows the pointer (within the handle's pixel); the other
  // edges stay.
  QCOMPARE(a.ALayer->Location().Left, 10.f);
  QCOMPARE(a.ALayer->Location().Top, 10.f);
  QVERIFY(qAbs(a.ALayer->Location().Right - 150.f) <= 1.f);
  QVERIFY(qAbs(a.ALayer->Location().Bottom - 80.f) <= 1.f);
}

void TestDisplay::timerStepScrollsTheLayers() {
  Shell s;
  s.newProject("Clouds", "320", "200");
  quenvar::TBlendLayer& a = AddLayer(100, 50, 0, 0, 3, 0);
  quenvar::TBlendLayer& still = AddLayer(20, 10, 150, 0, 0, 0);
  TfrmProject32* view = View(s);
  view->BuildFromProject();
  Click(view->img32, QPoint(160, 5));  // a selected layer's frame is not scrolled
  QSignalSpy ticks(view->Timer1, &QTimer::timeout);
  s.form->StartPlayback();
  QVERIFY(ticks.wait(2000));
  s.form->StopPlayback();
  QCOMPARE(ticks.count(), 1);
  const quenvar::TBitmap32& shown = a.ALayer->Bitmap();
  QCOMPARE(shown.Pixel(0, 1), Numbered(97, 0, 100));
  QCOMPARE(shown.Pixel(2, 0), Numbered(99, 49, 100));
  QCOMPARE(still.ALayer->Bitmap().Pixel(0, 0), Numbered(0, 0, 20));
  // The step repainted at once: the buffer shows the scrolled layer.
  QCOMPARE(view->view().Buffer().Pixel(2, 0), Numbered(99, 49, 100));
  QVERIFY(!Playback().stepBusy);
  // The FPS box paces the timer.
  s.child<QComboBox>("cbInterval")->setCurrentText(QStringLiteral("10"));
  QCOMPARE(view->Timer1->interval(), 100);
}

void TestDisplay::playStopCaptionAndPlaying() {
  Shell s;
  auto* button = s.child<QPushButton>("bAnimate");
  button->click();
  QCOMPARE(s.prompter.messages, QStringList("No active project .. "));
  QCOMPARE(button->text(), QStringLiteral("PLAY"));

  s.newProject("Clouds", "200", "100");
  TfrmProject32* view = View(s);
  button->click();
  QVERIFY(Playback().playing);
  QVERIFY(view->Timer1->isActive());
  QCOMPARE(button->text(), QStringLiteral("STOP"));
  button->click();
  QVERIFY(!Playback().playing);
  QVERIFY(!view->Timer1->isActive());
  QCOMPARE(button->text(), QStringLiteral("PLAY"));

  // Playback started by other means: the caption says what the button will
  // do.
  s.form->StartPlayback();
  QCOMPARE(button->text(), QStringLiteral("STOP"));
  button->click();
  QVERIFY(!Playback().playing);
  QCOMPARE(button->text(), QStringLiteral("PLAY"));
  // The disabled SEQUENCER button is wired to the same command.
  QVERIFY(!s.child<QPushButton>("G32_Button2")->isEnabled());
}

void TestDisplay::closingTheViewClosesTheProject() {
  Shell s;
  s.runBanner();
  s.newProject("Clouds", "200", "100");
  AddLayer(10, 10);
  CurrentProject()->modified = true;
  QPointer<TfrmProject32> view = View(s);
  view->BuildFromProject();
  s.form->StartPlayback();
  // Unsaved work is offered a save first.
  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  view->close();
  QVERIFY(!CurrentProject());
  QVERIFY(!s.form->frmProject32);
  QVERIFY(!Playback().playing);
  QCOMPARE(s.prompter.questions.size(), 1);
  QCOMPARE(s.logLines().last(), QStringLiteral(" "));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(!view);
  // Close project without a view does nothing.
  s.action("miCloseProject")->trigger();
  QVERIFY(!CurrentProject());
}

void TestDisplay::escapeLeavesFullScreen() {
  Shell s;
  s.newProject("Clouds", "200", "100");
  s.form->fullScreen = true;
  QTest::keyClick(View(s)->img32, Qt::Key_Escape);
  QVERIFY(!s.form->fullScreen);
  QVERIFY(CurrentProject());
}

QTEST_MAIN(TestDisplay)
#include "test_display.moc"
