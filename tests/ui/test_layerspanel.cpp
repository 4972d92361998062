// The layers panel and its rows with scripted answers: new layers, the mode
// list's separators, the motion pad, restacking by the title bar, deleting,
// duplicating, opacity and Clear Alpha, the picture dialog, dropped files,
// keys, and undo walking every edit back.
#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QUrl>
#include <QWheelEvent>
#include <QtTest>

#include "compose/motionpad.h"
#include "gui/layers/unitframelayer.h"
#include "gui/layers/unitlayers.h"
#include "gui/main/editcommand.h"
#include "gui/main/unitdisplay32.h"
#include "gui/widgets/bitmapbox.h"
#include "gui/widgets/imageview32.h"
#include "host/playback.h"
#include "project/blendclass.h"
#include "project/layeredit.h"
#include "project/project.h"
#include "project/undobudget.h"
#include "support/drops.h"
#include "support/shell.h"

using quenvar::CurrentProject;
using quenvar::Playback;

namespace {

const QString kPicture = QStringLiteral(QUENVAR_SOURCE_DIR "/tests/project/fixtures/a.png");
const QString kOtherPicture = QStringLiteral(QUENVAR_SOURCE_DIR "/tests/project/fixtures/e.png");

TfrmLayers& Panel(Shell& s) {
  return *s.form->frmLayers;
}

TframeLayer& Row(Shell& s, int i) {
  return *Panel(s).rows.at(i);
}

quenvar::TBlendLayer& LayerAt(int i) {
  return *CurrentProject()->layers.at(std::size_t(i));
}

// A project with `count` layers, each holding a picture.
void ProjectWithPictures(Shell& s, int count) {
  s.newProject("Clouds", "200", "150");
  for (int i = 1; i < count; ++i) Panel(s).bNew->click();
  for (int i = 0; i < count; ++i) {
    s.prompter.fileNames.push_back(i % 2 ? kOtherPicture : kPicture);
    Row(s, i).bOpenClick();
  }
}

// Mouse input given straight to a row's motion pad, as the pad's control
// hands it on.
void PadPress(TframeLayer& row, int x, int y) {
  row.img2dc->view().MouseDown(quenvar::mbLeft, quenvar::ssLeft, x, y);
}
void PadMove(TframeLayer& row, int x, int y) {
  row.img2dc->view().MouseMove(quenvar::ssLeft, x, y);
}
void PadRelease(TframeLayer& row, int x, int y) {
  row.img2dc->view().MouseUp(quenvar::mbLeft, 0, x, y);
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)),
                type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}

// Drags a row's title bar by `dy` pixels in steps, as the pointer would.
void DragTitle(TframeLayer& row, int dy) {
  QWidget* bar = row.PanelTop;
  QPoint at(60, 5);
  SendMouse(bar, QEvent::MouseButtonPress, at, Qt::LeftButton);
  const int step = dy < 0 ? -8 : 8;
  for (int moved = 0; std::abs(moved) < std::abs(dy); moved += step) {
    // The bar moves with the row, so the pointer stays over the same spot.
    const QPoint global = bar->mapToGlobal(at) + QPoint(0, step);
    SendMouse(bar, QEvent::MouseMove, bar->mapFromGlobal(global), Qt::LeftButton);
  }
  SendMouse(bar, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void Drop(QWidget* target, const QStringList& files) {
  QVERIFY(DropFilesOn(target, files));
}

}  // namespace

class TestLayersPanel : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { Playback() = quenvar::TPlaybackState{}; }
  void newProjectShowsOneRowAndNewAddsDodgeLayers();
  void rowsShowTheirLayersFields();
  void separatorsStepAwayFromThePreviousPick();
  void padSetsTheMotionTheLabelShows();
  void restackingByTheTitleBarMovesTheLayerItsRowAndItsMotion();
  void deletingAsksThenRenumbersAndDeleteButtonFindsTheCurrentRow();
  void duplicateCopiesTheLayerWithItsFields();
  void opacityZeroAndClearAlpha();
  void pictureDialogStartsInTheLastFolderAndCancelStopsMotion();
  void unreadablePictureIsReportedAndKeepsTheMotion();
  void openingAPictureRefitsTheSelectionFrame();
  void undoKeepsWithinItsMemoryBudget();
  void droppedFilesBecomeLayersInOrder();
  void arrowKeysMoveTheSelectedLayerAndDeleteAsks();
  void undoWalksEveryEditBackAndRedoForward();
  void editsMarkTheProjectSoExitAsks();
  void padsShowTheirLayersMotionAfterEveryRebuild();
  void tileWrapIsAMenuCheckThatUndoTakesBack();
  void theWheelScrollsThePanelUnlessAControlWasClicked();
  void rowsFitThePanelAtItsDefaultWidth();
  void titleShowsTheNameAfterADragAndOpacityItsNumber();
  void theFirstPressInTheViewAfterThePanelSelects();
};

void TestLayersPanel::newProjectShowsOneRowAndNewAddsDodgeLayers() {
  Shell s;
  QVERIFY(!Panel(s).isVisible());
  s.newProject();
  QVERIFY(Panel(s).isVisible());
  QCOMPARE(Panel(s).windowTitle(), QStringLiteral("Layers"));
  QCOMPARE(Panel(s).rows.size(), 1);
  QCOMPARE(Row(s, 0).LName->text(), QStringLiteral("Layer 1"));
  QCOMPARE(Row(s, 0).cbBlend->currentText(), QStringLiteral("None"));
  QCOMPARE(Row(s, 0).cbBlend->count(), 43);
  QCOMPARE(Panel(s).currentLayerNumber, 1);
  QCOMPARE(Panel(s).LCount->text(), QStringLiteral("1 layers. "));
  QVERIFY(!CurrentProject()->modified);

  Panel(s).bNew->click();
  QCOMPARE(Panel(s).rows.size(), 2);
  QCOMPARE(Row(s, 1).LName->text(), QStringLiteral("Layer 2"));
  QCOMPARE(Row(s, 1).cbBlend->currentText(), QStringLiteral("Dodge"));
  QCOMPARE(LayerAt(1).Mode(), quenvar::bmDodge);
  QCOMPARE(LayerAt(1).number, 2);
  QVERIFY(!Playback().playing);
  QVERIFY(CurrentProject()->modified);
  // Insert Layer does the same.
  s.action("miInsertLayer")->trigger();
  QCOMPARE(Panel(s).rows.size(), 3);
  QVERIFY(!Panel(s).processAfterAdd);

  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  s.action("miCloseProject")->trigger();
  QVERIFY(!Panel(s).isVisible());
  QCOMPARE(Panel(s).rows.size(), 0);
  QVERIFY(!s.form->undoStack->canUndo());
}

void TestLayersPanel::rowsShowTheirLayersFields() {
  Shell s;
  ProjectWithPictures(s, 1);
  TframeLayer& row = Row(s, 0);
  QCOMPARE(row.LName->text(), QStringLiteral("a.png"));
  QCOMPARE(row.eFilename->text(), QStringLiteral("a.png"));
  QCOMPARE(row.LPicture->text(), QStringLiteral("size : 8 x 6 "));
  QCOMPARE(row.sbOpacity->value(), 255);
  // The thumbnail: the picture squeezed into 64 x 64.
  QCOMPARE(row.Image1->bitmap().Width(), 64);
  QVERIFY(row.Image1->bitmap().Pixel(32, 32) != 0xFFFFFFFFu);
  // The pad shows the layer's motion: none.
  QVERIFY(row.pad);
  QCOMPARE(quenvar::PadLabel(row.pad->speedX, row.pad->speedY), std::string("0x0"));
  QCOMPARE(row.LOpacityValue->text(), QStringLiteral("255"));
  // Entering the row highlights it and selects its layer in the view.
  row.FrameEnter();
  QCOMPARE(Panel(s).currentRow, &row);
  QVERIFY(row.bOpen->isVisibleTo(&row));
  QCOMPARE(row.PanelTop->palette().color(QPalette::Window), QColor(231, 237, 240));
  QCOMPARE(row.PanelMain->palette().color(QPalette::Window), QColor(194, 209, 218));
  QCOMPARE(s.form->frmProject32->selectedLayer(),
           static_cast<quenvar::TPositionedLayer*>(LayerAt(0).ALayer));
  row.FrameExit();
  QVERIFY(!Panel(s).currentRow);
  QVERIFY(!row.bOpen->isVisibleTo(&row));
  QCOMPARE(row.PanelMain->palette().color(QPalette::Window), QColor(247, 247, 247));
}

void TestLayersPanel::separatorsStepAwayFromThePreviousPick() {
  Shell s;
  s.newProject();
  Panel(s).bNew->click();
  TframeLayer& row = Row(s, 1);
  CurrentProject()->modified = false;
  emit row.cbBlend->activated(9);  // a separator, picked in a fresh row
  QCOMPARE(row.cbBlend->currentIndex(), 10);
  QCOMPARE(row.cbBlend->currentText(), QStringLiteral("Difference"));
  QCOMPARE(LayerAt(1).Mode(), quenvar::bmDifference);
  QVERIFY(Playback().playing);
  QVERIFY(CurrentProject()->modified);
  emit row.cbBlend->activated(12);
  QCOMPARE(LayerAt(1).Mode(), quenvar::bmExclusion);
  emit row.cbBlend->activated(9);
  QCOMPARE(row.cbBlend->currentText(), QStringLiteral("MultiLight"));
  QCOMPARE(LayerAt(1).Mode(), quenvar::bmMultiLight);
  QCOMPARE(LayerAt(1).ALayer->Bitmap().DrawMode(), quenvar::dmCustom);
}

void TestLayersPanel::padSetsTheMotionTheLabelShows() {
  Shell s;
  ProjectWithPictures(s, 1);
  TframeLayer& row = Row(s, 0);
  PadPress(row, 10, 10);
  QCOMPARE(Panel(s).currentRow, &row);  // a press on the pad enters the row
  PadMove(row, 40, 20);
  // The move reports the speeds drawn before it, those of the press.
  QCOMPARE(LayerAt(0).posx, -6);
  QCOMPARE(LayerAt(0).posy, -4);
  PadRelease(row, 40, 20);
  // The release gives the layer the speeds the label shows.
  QCOMPARE(row.pad->speedX, 2);
  QCOMPARE(row.pad->speedY, -2);
  QCOMPARE(LayerAt(0).posx, 2);
  QCOMPARE(LayerAt(0).posy, -2);
  QCOMPARE(LayerAt(0).px, 1);
  QCOMPARE(LayerAt(0).py, 0);
  QCOMPARE(LayerAt(0).mx, 1);
  QCOMPARE(LayerAt(0).my, 1);
  // Moves without the left button change nothing.
  row.img2dc->view().MouseMove(0, 63, 63);
  QCOMPARE(LayerAt(0).posx, 2);
  // One undo step takes the whole drag back.
  s.form->undoStack->undo();
  QCOMPARE(LayerAt(0).posx, 0);
  QCOMPARE(LayerAt(0).mx, 0);
}

void TestLayersPanel::restackingByTheTitleBarMovesTheLayerItsRowAndItsMotion() {
  Shell s;
  ProjectWithPictures(s, 3);
  s.form->StopPlayback();
  quenvar::TBlendLayer* first = &LayerAt(0);
  quenvar::TBlendLayer* second = &LayerAt(1);
  second->posx = 1;
  TframeLayer& row = Row(s, 1);
  DragTitle(row, -TframeLayer::kRowHeight);
  QVERIFY(!row.dragging);
  QCOMPARE(&LayerAt(0), second);
  QCOMPARE(&LayerAt(1), first);
  QCOMPARE(second->number, 1);
  QCOMPARE(first->number, 2);
  auto& items = s.form->frmProject32->view().Layers();
  QCOMPARE(&items[0], static_cast<quenvar::TCustomLayer*>(second->ALayer));
  QCOMPARE(&items[1], static_cast<quenvar::TCustomLayer*>(first->ALayer));
  // The rows follow: the dragged row is first now, the others under it.
  QCOMPARE(Panel(s).rows.at(0), &row);
  QCOMPARE(row.y(), 0);
  QCOMPARE(Panel(s).rows.at(1)->y(), TframeLayer::kRowHeight);
  // The frame step scrolls the moved layer by its own motion.
  const quenvar::TColor32 firstPixel = second->ALayer->Bitmap().Pixel(0, 0);
  const quenvar::TColor32 otherPixel = first->ALayer->Bitmap().Pixel(0, 0);
  s.form->frmProject32->StepFrame();
  QCOMPARE(second->ALayer->Bitmap().Pixel(1, 0), firstPixel);
  QCOMPARE(first->ALayer->Bitmap().Pixel(0, 0), otherPixel);
  // Undone in one step.
  s.form->undoStack->undo();
  QCOMPARE(&LayerAt(0), first);
  QCOMPARE(LayerAt(0).number, 1);
  QCOMPARE(&items[1], static_cast<quenvar::TCustomLayer*>(LayerAt(1).ALayer));
}

void TestLayersPanel::deletingAsksThenRenumbersAndDeleteButtonFindsTheCurrentRow() {
  Shell s;
  ProjectWithPictures(s, 3);
  quenvar::TBlendLayer* third = &LayerAt(2);
  // "Delete layer" on the second row: no question, the rows close up.
  Row(s, 1).Deletelayer1Click();
  QCOMPARE(int(CurrentProject()->layers.size()), 2);
  QCOMPARE(Panel(s).rows.size(), 2);
  QCOMPARE(third->number, 2);
  QVERIFY(Playback().playing);
  QCOMPARE(Panel(s).rows.at(1)->layer, third);
  QCOMPARE(Panel(s).rows.at(1)->y(), TframeLayer::kRowHeight);
  QVERIFY(!s.form->frmProject32->selectedLayer());

  // "- DELETE" asks about the current row's layer.
  Panel(s).rows.at(1)->FrameEnter();
  QCOMPARE(Panel(s).currentLayerNumber, 2);
  s.prompter.answers.push_back(false);
  Panel(s).bDelete->click();
  QCOMPARE(s.prompter.questions.last(), QStringLiteral("Delete layer \"a.png\" ?"));
  QCOMPARE(int(CurrentProject()->layers.size()), 2);
  s.prompter.answers.push_back(true);
  Panel(s).bDelete->click();
  QCOMPARE(int(CurrentProject()->layers.size()), 1);
  QCOMPARE(Panel(s).rows.size(), 1);
  // A number past the rows does nothing and asks nothing.
  const int asked = s.prompter.questions.size();
  Panel(s).bDelete->click();
  QCOMPARE(s.prompter.questions.size(), asked);
  QCOMPARE(int(CurrentProject()->layers.size()), 1);
}

void TestLayersPanel::duplicateCopiesTheLayerWithItsFields() {
  Shell s;
  ProjectWithPictures(s, 1);
  TframeLayer& row = Row(s, 0);
  emit row.cbBlend->activated(4);  // Multiply
  row.sbOpacity->setValue(90);
  LayerAt(0).posx = 3;
  row.Duplicatelayer1Click();
  QCOMPARE(int(CurrentProject()->layers.size()), 2);
  QCOMPARE(Panel(s).rows.size(), 2);
  TframeLayer& copy = Row(s, 1);
  QCOMPARE(copy.LName->text(), QStringLiteral("a.png"));
  QCOMPARE(copy.cbBlend->currentText(), QStringLiteral("Multiply"));
  QCOMPARE(copy.sbOpacity->value(), 90);
  QCOMPARE(LayerAt(1).posx, 3);
  QCOMPARE(LayerAt(1).number, 2);
  QCOMPARE(LayerAt(1).ALayer->Bitmap().MasterAlpha(), 90u);
}

void TestLayersPanel::opacityZeroAndClearAlpha() {
  Shell s;
  ProjectWithPictures(s, 2);
  TframeLayer& row = Row(s, 1);
  quenvar::TBitmap32& shown = LayerAt(1).ALayer->Bitmap();
  row.sbOpacity->setValue(100);
  QCOMPARE(LayerAt(1).opacity, 100);
  QCOMPARE(shown.MasterAlpha(), 100u);
  row.ResetGraph1Click();
  QCOMPARE(shown.MasterAlpha(), 255u);
  QCOMPARE(row.sbOpacity->value(), 100);
  QCOMPARE(LayerAt(1).opacity, 100);
  row.sbOpacity->setValue(101);
  QCOMPARE(shown.MasterAlpha(), 101u);
  // Opacity 0 draws at 0, also when a row is made for such a layer.
  row.sbOpacity->setValue(0);
  QCOMPARE(shown.MasterAlpha(), 0u);
  s.form->RebuildLayerFrames();
  s.form->frmProject32->BuildFromProject();
  s.form->RebuildLayerFrames();
  QCOMPARE(Row(s, 1).sbOpacity->value(), 0);
  QCOMPARE(LayerAt(1).ALayer->Bitmap().MasterAlpha(), 0u);
}

void TestLayersPanel::pictureDialogStartsInTheLastFolderAndCancelStopsMotion() {
  Shell s;
  s.newProject();
  TframeLayer& row = Row(s, 0);
  s.prompter.fileNames.push_back(kPicture);
  row.bOpenClick();
  QVERIFY(s.prompter.pickerFilters.last().startsWith("All images (*.bmp *.bw *.cel"));
  QVERIFY(s.prompter.pickerFilters.last().contains(";;Photoshop images (*.pdd *.psd)"));
  QCOMPARE(s.form->lastPictureFolder,
           QStringLiteral(QUENVAR_SOURCE_DIR "/tests/project/fixtures/"));
  QVERIFY(Playback().playing);
  LayerAt(0).posx = 4;
  LayerAt(0).posy = -1;
  row.bOpenClick();  // cancelled
  QCOMPARE(s.prompter.pickerFolders.last(), s.form->lastPictureFolder);
  QCOMPARE(LayerAt(0).posx, 0);
  QCOMPARE(LayerAt(0).posy, 0);
  QCOMPARE(LayerAt(0).name, std::string("a.png"));
  QVERIFY(Playback().playing);
}

void TestLayersPanel::unreadablePictureIsReportedAndKeepsTheMotion() {
  QTemporaryDir dir;
  const QString bad = dir.filePath("broken.png");
  QFile f(bad);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("not a picture");
  f.close();
  Shell s;
  ProjectWithPictures(s, 1);
  LayerAt(0).posx = 2;
  s.prompter.fileNames.push_back(bad);
  Row(s, 0).bOpenClick();
  QCOMPARE(s.prompter.messages.size(), 1);
  QVERIFY(s.prompter.messages.last().contains("broken.png"));
  QCOMPARE(LayerAt(0).posx, 2);
  // The layer is as it was, and nothing was put on the undo stack.
  QCOMPARE(LayerAt(0).bmp.Width(), 8);
  QCOMPARE(LayerAt(0).name, std::string("a.png"));
  QCOMPARE(LayerAt(0).filename, kPicture.toStdString());
  QCOMPARE(s.form->undoStack->undoText(), QStringLiteral("Open picture"));
  QCOMPARE(Row(s, 0).LName->text(), QStringLiteral("a.png"));
  QVERIFY(!Playback().playing);
}

void TestLayersPanel::openingAPictureRefitsTheSelectionFrame() {
  Shell s;
  ProjectWithPictures(s, 1);
  TfrmProject32& view = *s.form->frmProject32;
  quenvar::TBitmapLayer* shown = LayerAt(0).ALayer;
  view.SetSelection(shown);
  shown->SetLocation(quenvar::TFloatRect{10, 5, 50, 35});  // stretched by the frame
  quenvar::CommitLayerPlacement(*CurrentProject(), LayerAt(0));
  view.RefreshSelection();
  s.prompter.fileNames.push_back(kOtherPicture);  // 5 x 4
  Row(s, 0).bOpenClick();
  QCOMPARE(shown->Location(), (quenvar::TFloatRect{10, 5, 15, 9}));
  QCOMPARE(view.selectionFrame()->Location(), shown->Location());
  // Undone, the frame takes the old size again.
  s.form->undoStack->undo();
  QCOMPARE(view.selectionFrame()->Location(), (quenvar::TFloatRect{10, 5, 50, 35}));
}

void TestLayersPanel::undoKeepsWithinItsMemoryBudget() {
  QTemporaryDir dir;
  QImage picture(300, 200, QImage::Format_ARGB32);
  picture.fill(QColor(10, 20, 30, 128));
  QVERIFY(picture.save(dir.filePath("big.png")));
  Shell s;
  s.runBanner();  // the status window and line
  s.newProject("Clouds", "200", "150");
  s.prompter.fileNames.push_back(dir.filePath("big.png"));
  Row(s, 0).bOpenClick();
  QUndoStack& stack = *s.form->undoStack;
  // Undo and redo make the rows again: the slider is looked up each time.
  auto setOpacity = [&](int value) { Row(s, 0).sbOpacity->setValue(value); };

  // Room for three and a half opacity steps: the oldest go.
  setOpacity(200);
  const std::size_t step = CommandBytes(*stack.command(stack.count() - 1));
  s.form->SetUndoBudget(3 * step + step / 2);
  for (int value : {190, 180, 170, 160}) setOpacity(value);
  QCOMPARE(stack.count(), 3);
  while (stack.canUndo()) stack.undo();
  QCOMPARE(LayerAt(0).opacity, quint16(190));
  QVERIFY2(CurrentProject()->modified, "the unchanged state went with the oldest steps");
  while (stack.canRedo()) stack.redo();

  // The saved state stays marked through a trim.
  s.prompter.fileNames.push_back(dir.filePath("budget.zyl"));
  s.action("miSaveAs")->trigger();
  setOpacity(150);
  setOpacity(140);
  stack.undo();
  stack.undo();
  QCOMPARE(LayerAt(0).opacity, quint16(160));
  QVERIFY(!CurrentProject()->modified);

  // Clear Alpha keeps the view's 300 x 200 pixels: more than undo may keep.
  Row(s, 0).ResetGraph1Click();
  QCOMPARE(stack.count(), 0);
  QCOMPARE(s.status(), QString::fromLatin1(quenvar::kUndoHistoryClearedLine));
  QCOMPARE(LayerAt(0).ALayer->Bitmap().Pixel(0, 0) >> 24, 255u);  // done all the same
  QVERIFY(CurrentProject()->modified);
}

void TestLayersPanel::droppedFilesBecomeLayersInOrder() {
  Shell s;
  s.newProject();
  Drop(&Panel(s), {kPicture, kOtherPicture});
  QCOMPARE(int(CurrentProject()->layers.size()), 3);
  QCOMPARE(LayerAt(1).name, std::string("a.png"));
  QCOMPARE(LayerAt(2).name, std::string("e.png"));
  QCOMPARE(Panel(s).rows.size(), 3);
  Drop(s.form->frmProject32, {kOtherPicture});
  QCOMPARE(int(CurrentProject()->layers.size()), 4);
  // One undo takes a whole drop back.
  s.form->undoStack->undo();
  s.form->undoStack->undo();
  QCOMPARE(int(CurrentProject()->layers.size()), 1);

  // A dropped project opens it, asking first about the unsaved one.
  QTemporaryDir dir;
  const QString path = dir.filePath("drop.zyl");
  Drop(&Panel(s), {kPicture});
  s.prompter.fileNames.push_back(path);
  s.action("miSaveAs")->trigger();
  CurrentProject()->modified = true;
  s.prompter.answers.push_back(false);
  Drop(s.form.get(), {path});
  QCOMPARE(s.prompter.questions.last(),
           QStringLiteral("Project \"Clouds\" is not saved.\r\rDo you want to save it "));
  QCOMPARE(QString::fromStdString(CurrentProject()->fileName), path);
  QCOMPARE(int(CurrentProject()->layers.size()), 2);
}

void TestLayersPanel::arrowKeysMoveTheSelectedLayerAndDeleteAsks() {
  Shell s;
  ProjectWithPictures(s, 2);
  TfrmProject32* view = s.form->frmProject32;
  Row(s, 1).FrameEnter();
  QCOMPARE(view->selectedLayer(), static_cast<quenvar::TPositionedLayer*>(LayerAt(1).ALayer));
  QTest::keyClick(view, Qt::Key_Right);
  QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
  QCOMPARE(LayerAt(1).ALayer->Location().Left, 1.f);
  QCOMPARE(LayerAt(1).ALayer->Location().Top, 10.f);
  QCOMPARE(LayerAt(1).x, 1);
  QCOMPARE(LayerAt(1).y, 10);
  QCOMPARE(view->selectionFrame()->Location().Left, 1.f);
  s.form->undoStack->undo();  // the nudges fold into one step
  QCOMPARE(LayerAt(1).ALayer->Location().Left, 0.f);
  QCOMPARE(LayerAt(1).ALayer->Location().Top, 0.f);
  s.prompter.answers.push_back(true);
  QTest::keyClick(view, Qt::Key_Delete);
  QCOMPARE(s.prompter.questions.last(), QStringLiteral("Delete layer \"e.png\" ?"));
  QCOMPARE(int(CurrentProject()->layers.size()), 1);
}

void TestLayersPanel::undoWalksEveryEditBackAndRedoForward() {
  Shell s;
  s.newProject();
  auto snapshot = [] {
    QStringList state;
    for (const quenvar::TBlendLayer* l : CurrentProject()->layers)
      state << QStringLiteral("%1 %2 %3 %4 %5,%6 %7x%8")
                   .arg(QString::fromStdString(l->name))
                   .arg(int(l->Mode()))
                   .arg(l->opacity)
                   .arg(l->number)
                   .arg(l->posx)
                   .arg(l->posy)
                   .arg(l->bmp.Width())
                   .arg(l->bmp.Height());
    return state;
  };
  const QStringList start = snapshot();
  QList<QStringList> states{start};
  auto step = [&](const std::function<void()>& edit) {
    edit();
    states << snapshot();
  };
  step([&] { Panel(s).bNew->click(); });
  step([&] { Panel(s).bNew->click(); });
  step([&] {
    s.prompter.fileNames.push_back(kPicture);
    Row(s, 0).bOpenClick();
  });
  step([&] {
    s.prompter.fileNames.push_back(kOtherPicture);
    Row(s, 2).bOpenClick();
  });
  step([&] { emit Row(s, 1).cbBlend->activated(14); });
  step([&] { Row(s, 2).sbOpacity->setValue(77); });
  step([&] {
    PadPress(Row(s, 2), 48, 36);
    PadRelease(Row(s, 2), 48, 36);
  });
  step([&] { DragTitle(Row(s, 2), -2 * TframeLayer::kRowHeight); });
  step([&] { Row(s, 1).Duplicatelayer1Click(); });
  step([&] { Row(s, 0).ResetMotion1Click(); });
  step([&] { Row(s, 3).Deletelayer1Click(); });
  for (int i = 1; i < states.size(); ++i)
    QVERIFY2(states[i] != states[i - 1], qPrintable(QString::number(i)));

  for (int i = states.size() - 2; i >= 0; --i) {
    QVERIFY(s.action("miUndo")->isEnabled());
    s.action("miUndo")->trigger();
    QCOMPARE(snapshot(), states[i]);
    QCOMPARE(Panel(s).rows.size(), states[i].size());
  }
  QVERIFY(!s.action("miUndo")->isEnabled());
  QVERIFY(!CurrentProject()->modified);
  for (int i = 1; i < states.size(); ++i) {
    s.action("miRedo")->trigger();
    QCOMPARE(snapshot(), states[i]);
  }
  QVERIFY(CurrentProject()->modified);
}

void TestLayersPanel::editsMarkTheProjectSoExitAsks() {
  QTemporaryDir dir;
  Shell s;
  ProjectWithPictures(s, 1);
  s.prompter.fileNames.push_back(dir.filePath("marks.zyl"));
  s.action("miSaveAs")->trigger();
  QVERIFY(!CurrentProject()->modified);
  const std::vector<std::function<void()>> edits = {
      [&] { Row(s, 0).sbOpacity->setValue(10); },
      [&] { Row(s, 0).ResetPosition1Click(); },
      [&] { Row(s, 0).ResetMotion1Click(); },
      [&] {
        PadPress(Row(s, 0), 50, 50);
        PadRelease(Row(s, 0), 50, 50);
      },
      [&] { Panel(s).bNew->click(); },
  };
  for (const auto& edit : edits) {
    s.action("miSave")->trigger();
    QVERIFY(!CurrentProject()->modified);
    edit();
    QVERIFY(CurrentProject()->modified);
  }
  // Undoing past the save leaves the project unlike its file.
  s.action("miSave")->trigger();
  s.action("miUndo")->trigger();
  QVERIFY(CurrentProject()->modified);
  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  s.action("miExit")->trigger();
  QCOMPARE(s.prompter.questions.last(),
           QStringLiteral("Project \"Clouds\" is not saved.\r\rExit application ?"));
  QCOMPARE(s.terminations, 0);
}

void TestLayersPanel::padsShowTheirLayersMotionAfterEveryRebuild() {
  Shell s;
  ProjectWithPictures(s, 2);
  PadPress(Row(s, 1), 44, 16);
  PadRelease(Row(s, 1), 44, 16);
  QCOMPARE(LayerAt(1).posx, 3);
  QCOMPARE(LayerAt(1).posy, -3);
  auto shows = [&](int i, int x, int y) {
    const quenvar::T2dcontrollerLayer& pad = *Row(s, i).pad;
    return pad.speedX == x && pad.speedY == y && pad.markerX == 32 + 4 * x &&
           pad.markerY == 28 + 4 * y;
  };
  // Undo and redo rebuild the rows; each pad shows its layer's motion.
  s.form->undoStack->undo();
  QVERIFY(shows(1, 0, 0));
  s.form->undoStack->redo();
  QVERIFY(shows(1, 3, -3));
  QVERIFY(shows(0, 0, 0));
  // A motion beyond the pad's reach keeps its numbers; the marker stays on
  // the pad.
  LayerAt(0).posx = 40;
  LayerAt(0).posy = -2;
  Panel(s).RebuildRows();
  QCOMPARE(quenvar::PadLabel(Row(s, 0).pad->speedX, Row(s, 0).pad->speedY), std::string("40x-2"));
  QCOMPARE(Row(s, 0).pad->markerX, 63);
  // The next drag takes the speeds from the marker again.
  PadPress(Row(s, 0), 36, 28);
  PadRelease(Row(s, 0), 36, 28);
  QCOMPARE(LayerAt(0).posx, 1);
  QCOMPARE(LayerAt(0).posy, 0);
}

void TestLayersPanel::tileWrapIsAMenuCheckThatUndoTakesBack() {
  Shell s;
  ProjectWithPictures(s, 2);
  QAction* tile = Row(s, 1).popupLayer->findChild<QAction*>(QStringLiteral("TileWrap1"));
  QVERIFY(tile);
  QCOMPARE(tile->text(), QStringLiteral("Tile wrap"));
  QVERIFY(tile->isCheckable());
  QVERIFY(!tile->isChecked());
  tile->trigger();
  QVERIFY(LayerAt(1).tileWrap);
  QVERIFY(!LayerAt(0).tileWrap);
  QVERIFY(CurrentProject()->modified);
  QCOMPARE(s.form->undoStack->undoText(), QStringLiteral("Tile wrap"));
  // Undo takes the flag back; the menu shows the layer's flag when it opens.
  s.form->undoStack->undo();
  QVERIFY(!LayerAt(1).tileWrap);
  QMenu* menu = Row(s, 1).popupLayer;
  tile = menu->findChild<QAction*>(QStringLiteral("TileWrap1"));
  tile->setChecked(true);
  emit menu->aboutToShow();
  QVERIFY(!tile->isChecked());
  s.form->undoStack->redo();
  QVERIFY(LayerAt(1).tileWrap);
  emit Row(s, 1).popupLayer->aboutToShow();
  QVERIFY(Row(s, 1).popupLayer->findChild<QAction*>(QStringLiteral("TileWrap1"))->isChecked());
  // Unticking it turns it off again.
  Row(s, 1).popupLayer->findChild<QAction*>(QStringLiteral("TileWrap1"))->trigger();
  QVERIFY(!LayerAt(1).tileWrap);
}

void TestLayersPanel::theWheelScrollsThePanelUnlessAControlWasClicked() {
  Shell s;
  ProjectWithPictures(s, 8);
  Panel(s).show();
  QVERIFY(QTest::qWaitForWindowExposed(&Panel(s)));
  QScrollBar* bar = Panel(s).scroll->verticalScrollBar();
  QVERIFY(bar->maximum() > 0);
  TframeLayer& row = Row(s, 1);
  const quenvar::TBlendMode mode = LayerAt(1).Mode();
  const int opacity = row.sbOpacity->value();
  auto wheel = [](QWidget* w) {
    QWheelEvent e(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
  };
  wheel(row.cbBlend);
  wheel(row.sbOpacity);
  QCOMPARE(LayerAt(1).Mode(), mode);
  QCOMPARE(row.sbOpacity->value(), opacity);
  QVERIFY(bar->value() > 0);
  // Clicked first, the control takes the wheel.
  row.cbBlend->setFocus();
  QVERIFY(row.cbBlend->hasFocus());
  const int scrolled = bar->value();
  wheel(row.cbBlend);
  QVERIFY(row.cbBlend->currentIndex() != quenvar::BlendModeListRowOf(mode));
  QCOMPARE(bar->value(), scrolled);
}

void TestLayersPanel::rowsFitThePanelAtItsDefaultWidth() {
  Shell s;
  ProjectWithPictures(s, 2);
  Panel(s).show();
  QVERIFY(QTest::qWaitForWindowExposed(&Panel(s)));
  QVERIFY(!Panel(s).scroll->horizontalScrollBar()->isVisible());
  QVERIFY(Panel(s).scroll->viewport()->width() >= TframeLayer::kRowWidth);
  TframeLayer& row = Row(s, 0);
  // The size label, the file box and the mode list lie inside the row and
  // clear of the motion pad.
  const QRect pad = row.img2dc->geometry();
  for (QWidget* w :
       {static_cast<QWidget*>(row.eFilename), static_cast<QWidget*>(row.cbBlend),
        static_cast<QWidget*>(row.sbOpacity), static_cast<QWidget*>(row.LOpacityValue)}) {
    QVERIFY2(!w->geometry().intersects(pad), qPrintable(w->objectName()));
    QVERIFY(w->geometry().right() < TframeLayer::kRowWidth);
  }
  QVERIFY(row.LPicture->geometry().right() <= TframeLayer::kRowWidth - 10);
  QVERIFY(row.cbBlend->width() >= row.cbBlend->minimumSizeHint().width() - 24);
}

void TestLayersPanel::titleShowsTheNameAfterADragAndOpacityItsNumber() {
  Shell s;
  ProjectWithPictures(s, 2);
  TframeLayer& row = Row(s, 1);
  DragTitle(row, -TframeLayer::kRowHeight);
  QCOMPARE(row.LName->text(), QString::fromStdString(row.layer->name));
  row.sbOpacity->setValue(77);
  QCOMPARE(row.LOpacityValue->text(), QStringLiteral("77"));
}

void TestLayersPanel::theFirstPressInTheViewAfterThePanelSelects() {
  Shell s;
  s.newProject("Clouds", "200", "150");
  Panel(s).bNew->click();
  for (int i = 0; i < 2; ++i) {
    s.prompter.fileNames.push_back(kPicture);
    Row(s, i).bOpenClick();
  }
  // Layer 2 lies right of layer 1.
  LayerAt(1).ALayer->SetLocation(quenvar::TFloatRect{100, 50, 108, 56});
  Row(s, 0).FrameEnter();
  TfrmProject32* view = s.form->frmProject32;
  QCOMPARE(view->selectedLayer(), static_cast<quenvar::TPositionedLayer*>(LayerAt(0).ALayer));
  QWidget* img = view->img32;
  SendMouse(img, QEvent::MouseButtonPress, QPoint(103, 52), Qt::LeftButton);
  SendMouse(img, QEvent::MouseButtonRelease, QPoint(103, 52), Qt::NoButton);
  QCOMPARE(view->selectedLayer(), static_cast<quenvar::TPositionedLayer*>(LayerAt(1).ALayer));
}

QTEST_MAIN(TestLayersPanel)
#include "test_layerspanel.moc"
