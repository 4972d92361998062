// The PSD import window with scripted answers: the window and its top bar,
// the account of a read, the rows top first with their fields, groups and
// hidden layers, the row handlers, the preview selection, failed reads,
// importing into a new project as one undoable step, what the user changed
// being what is imported, clipped layers imported as previewed, dropped
// documents and a read that is running.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSlider>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>
#include <QtTest>

#include "compose/layerstack.h"
#include "core/coreinit.h"
#include "gui/layers/unitframelayer.h"
#include "gui/layers/unitlayers.h"
#include "gui/main/unitdisplay32.h"
#include "gui/psdimport/unitframepsd.h"
#include "gui/psdimport/unitimportpsd.h"
#include "gui/widgets/imageview32.h"
#include "host/playback.h"
#include "project/blendclass.h"
#include "project/project.h"
#include "support/drops.h"
#include "support/shell.h"

using quenvar::CurrentProject;

namespace {

QString Fixture(const char* name) {
  return QStringLiteral(QUENVAR_SOURCE_DIR "/tests/psd/fixtures/") + QString::fromUtf8(name);
}

TfrmPSDImport& Window(Shell& s) {
  return *s.form->frmPSDImport;
}

// Reads a fixture through the file box and Read PSD.
void Read(Shell& s, const char* fixture) {
  Window(s).efilename->setText(Fixture(fixture));
  Window(s).bRead->click();
}

// The rows as the list shows them, top first.
QList<TframePSDLayer*> Listed(TfrmPSDImport& w) {
  QList<TframePSDLayer*> rows;
  QLayout* list = w.sb1->widget()->layout();
  for (int i = 0; i < list->count(); ++i)
    if (auto* row = qobject_cast<TframePSDLayer*>(list->itemAt(i)->widget())) rows << row;
  return rows;
}

QStringList Names(const QList<TframePSDLayer*>& rows) {
  QStringList names;
  for (TframePSDLayer* row : rows) names << row->layername->text();
  return names;
}

TframePSDLayer& RowNamed(TfrmPSDImport& w, const QString& name) {
  for (TframePSDLayer* row : w.rows())
    if (row->layername->text() == name) return *row;
  qFatal("no row %s", qPrintable(name));
}

// The log from the line `first` on.
QStringList LogFrom(Shell& s, const QString& first) {
  const QStringList lines = s.logLines();
  const qsizetype at = lines.lastIndexOf(first);
  return at < 0 ? QStringList() : lines.mid(at);
}

quenvar::TBlendLayer& LayerAt(int i) {
  return *CurrentProject()->layers.at(std::size_t(i));
}

quenvar::TImgView32& Preview(TfrmPSDImport& w) {
  return w.img32->view();
}

void Drop(QWidget* target, const QStringList& files) {
  QVERIFY(DropFilesOn(target, files));
}

}  // namespace

class TestPsdImport : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { quenvar::InitCore(); }
  void cleanup() { quenvar::Playback() = quenvar::TPlaybackState{}; }
  void importPsdShowsTheWindowWithoutBlocking();
  void oneReadWritesItsWholeAccount();
  void rowsListTheTopOfTheDocumentFirst();
  void hiddenLayersAndGroupsInTheRowsAndThePreview();
  void rowHandlersChangeThePreview();
  void separatorPickRightAfterEnteringMovesDown();
  void previewSelectionAndTheCentreKeepingResize();
  void failedReadsWriteTheTwoErrorLines();
  void aPictureThatIsNoPsdBecomesTheBasePicture();
  void importIntoANewProjectIsOneUndoableStep();
  void importStopsWhenTheNewProjectIsCancelled();
  void importTakesWhatTheUserChanged();
  void clippedLayersImportAsThePreviewShowsThem();
  void aDroppedDocumentIsReadInTheWindow();
  void aRunningReadKeepsTheButtonsAndASecondReadAway();
};

void TestPsdImport::importPsdShowsTheWindowWithoutBlocking() {
  Shell s;
  TfrmPSDImport& w = Window(s);
  QVERIFY(!w.isVisible());
  s.newProject();
  s.action("miImportPSD")->trigger();
  QVERIFY(w.isVisible());
  QVERIFY(!w.isModal());
  QCOMPARE(w.windowTitle(), QStringLiteral("Import PSD"));
  QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));  // dialogs stand above it
  QCOMPARE(w.windowFlags() & Qt::Tool, Qt::Tool);
  QVERIFY(!w.PanelPSD->isVisible());
  QCOMPARE(w.Paneltop->height(), 34);
  QCOMPARE(w.Paneltop->palette().color(QPalette::Window), QColor(249, 251, 252));
  QCOMPARE(w.G32_Button2->text(), QStringLiteral("..."));
  QCOMPARE(w.bRead->text(), QStringLiteral("Read PSD"));
  QCOMPARE(w.G32_Button1->text(), QStringLiteral("Import Layers"));
  QVERIFY(!w.ComboBox1->isEnabled());
  QCOMPARE(w.ComboBox1->currentText(), QStringLiteral("Exploit Layers"));
  QCOMPARE(w.ComboBox1->itemText(1), QStringLiteral("Store as PSD"));
  QVERIFY(!w.pbProgress->isVisible());
  // The IMPORT button does the same; a hidden window comes back.
  w.hide();
  s.child<QPushButton>("bImport")->click();
  QVERIFY(w.isVisible());

  // "..." reads the chosen document; cancelled, nothing happens.
  w.Button2Click();
  QCOMPARE(s.prompter.pickerFilters.last(), QStringLiteral("PSD Files (*.psd)"));
  QVERIFY(w.rows().isEmpty());
  s.prompter.fileNames.push_back(Fixture("twolayers.psd"));
  w.G32_Button2->click();
  QCOMPARE(w.efilename->text(), Fixture("twolayers.psd"));
  QCOMPARE(w.rows().size(), 2);
}

void TestPsdImport::oneReadWritesItsWholeAccount() {
  Shell s;
  s.runBanner();
  Read(s, "twolayers.psd");
  const QString file = Fixture("twolayers.psd");
  QStringList got = LogFrom(s, QStringLiteral(">> Reading Layers ( layercount : 2 )"));
  QVERIFY(got.size() > 10);
  const QRegularExpression loadTime(QStringLiteral("^load time: \\d+ms$"));
  for (QString& line : got)
    if (loadTime.match(line).hasMatch()) line = QStringLiteral("load time: Nms");
  const QStringList want = {
      // The reader's account.
      ">> Reading Layers ( layercount : 2 )",
      " ",
      "Layer 0 \"Bottom",
      "  pos x:0,y:0 / Size: 4x3",
      "  4ch blend:norm opacity:255 vis :1",
      "Layer 1 \"Top",
      "  pos x:1,y:1 / Size: 2x2",
      "  4ch blend:scrn opacity:255 vis :1",
      " ",
      ">> Reading Channels ",
      " ",
      "> Layer 0 size 21 ch 1 pos 272 < RLE",
      "> Layer 0 size 21 ch 2 pos 295 < RLE",
      "> Layer 0 size 12 ch 3 pos 318 < RLE",
      "> Layer 0 size 21 ch 4 pos 332 < RLE",
      "> Layer 1 size 10 ch 1 pos 355 < RLE",
      "> Layer 1 size 10 ch 2 pos 367 < RLE",
      "> Layer 1 size 10 ch 3 pos 379 < RLE",
      "> Layer 1 size 10 ch 4 pos 391 < RLE",
      " ",
      ">> Mixing channels ",
      " ",
      " ",
      "Decoding Layer \"Bottom\"",
      "  channel type RLE id -1 BPS : 1 size 12",
      "  pos :272",
      "  rle map size :3",
      " w/h : 4x3",
      "  channel type RLE id 0 BPS : 1 size 12",
      "  pos :295",
      "  rle map size :3",
      " w/h : 4x3",
      "  channel type RLE id 1 BPS : 1 size 12",
      "  pos :318",
      "  rle map size :3",
      " w/h : 4x3",
      "  channel type RLE id 2 BPS : 1 size 12",
      "  pos :332",
      "  rle map size :3",
      " w/h : 4x3",
      "  Mixing colors // ",
      "rgba mix",
      " ",
      "Decoding Layer \"Top\"",
      "  channel type RLE id -1 BPS : 1 size 4",
      "  pos :355",
      "  rle map size :2",
      " w/h : 2x2",
      "  channel type RLE id 0 BPS : 1 size 4",
      "  pos :367",
      "  rle map size :2",
      " w/h : 2x2",
      "  channel type RLE id 1 BPS : 1 size 4",
      "  pos :379",
      "  rle map size :2",
      " w/h : 2x2",
      "  channel type RLE id 2 BPS : 1 size 4",
      "  pos :391",
      "  rle map size :2",
      " w/h : 2x2",
      "  Mixing colors // ",
      "rgba mix",
      "fpos : 401",
      // The window's.
      QStringLiteral("file : ") + file,
      "image format : RGB Color",
      "load time: Nms",
      "resource section : 30",
      "layers : 2",
      "layers section : 340",
      "layers + mask : 340",
      "layer infosec : 332",
      "Inserting layer .. (None norm)",
      "Inserting layer .. (Screen scrn)",
  };
  QCOMPARE(got, want);
}

void TestPsdImport::rowsListTheTopOfTheDocumentFirst() {
  Shell s;
  TfrmPSDImport& w = Window(s);
  Read(s, "groups.psd");
  QVERIFY(w.PanelPSD->isVisibleTo(&w));
  QVERIFY(w.PanelC->isVisibleTo(&w));
  QCOMPARE(w.size(), QSize(1024, 768).boundedTo(w.screen()->availableGeometry().size()));
  const QList<TframePSDLayer*> rows = Listed(w);
  QCOMPARE(Names(rows),
           QStringList({"Äußere", "Kind 日本", "Versteckt", "Tief", "Über 🎨", "Grund"}));
  QStringList objectNames;
  for (TframePSDLayer* row : rows) objectNames << row->objectName();
  QCOMPARE(objectNames, QStringList({"framepsdlayer7", "framepsdlayer6", "framepsdlayer5",
                                     "framepsdlayer4", "framepsdlayer1", "framepsdlayer0"}));
  // The groups' closing records have no rows; LTotal counts picture layers.
  QCOMPARE(w.LTotal->text(), QStringLiteral("Total 4 layers."));
  QCOMPARE(rows[0]->size(), QSize(299, 39));
  QCOMPARE(rows[1]->LEmpty->text(), QStringLiteral("2x2"));
  QCOMPARE(rows[1]->LOpacity->text(), QStringLiteral("255"));
  QCOMPARE(rows[1]->gb1->value(), 255);
  QCOMPARE(rows[1]->cbBlend->currentText(), QStringLiteral("None"));
  QCOMPARE(rows[1]->Panel1->palette().color(QPalette::Window), QColor(247, 247, 247));
  QVERIFY(!rows[1]->img->pixmap().isNull());
  QCOMPARE(rows[1]->img->pixmap().size(), QSize(32, 32));
  // A group row: no picture, no opacity or mode, grey as an empty record.
  TframePSDLayer& group = *rows[0];
  QVERIFY(!group.previewLayer);
  QVERIFY(!group.gb1->isVisibleTo(&group));
  QVERIFY(!group.cbBlend->isVisibleTo(&group));
  QCOMPARE(group.LEmpty->text(), QStringLiteral("N/A"));
  QCOMPARE(group.Panel1->palette().color(QPalette::Window), QColor(198, 198, 198));
  // One preview layer per picture layer, bottom first, over the document.
  QCOMPARE(Preview(w).Layers().Count(), 4);
  QCOMPARE(Preview(w).Bitmap().Width(), 8);
  QCOMPARE(w.img32->size(), QSize(8, 8));
  QCOMPARE(rows[1]->previewLayer->Location(), (quenvar::TFloatRect{4, 4, 6, 6}));
  QVERIFY(rows[1]->previewLayer->Cropped());
  QCOMPARE(rows[1]->previewLayer->Index(), 3);

  // A second read replaces the rows and the preview layers.
  Read(s, "twolayers.psd");
  QCOMPARE(Names(Listed(w)), QStringList({"Top", "Bottom"}));
  QCOMPARE(w.LTotal->text(), QStringLiteral("Total 2 layers."));
  QCOMPARE(Preview(w).Layers().Count(), 2);
  QCOMPARE(RowNamed(w, "Top").cbBlend->currentText(), QStringLiteral("Screen"));
}

void TestPsdImport::hiddenLayersAndGroupsInTheRowsAndThePreview() {
  Shell s;
  TfrmPSDImport& w = Window(s);
  Read(s, "layers.psd");
  TframePSDLayer& hidden = RowNamed(w, "Hidden");
  QVERIFY(!hidden.isVisible->isChecked());
  QVERIFY(!hidden.previewLayer->Visible());
  QVERIFY(!hidden.previewLayer->MouseEvents());  // a hidden layer takes no clicks
  TframePSDLayer& empty = RowNamed(w, "Empty");
  QCOMPARE(empty.LEmpty->text(), QStringLiteral("N/A"));
  QCOMPARE(empty.Panel1->palette().color(QPalette::Window), QColor(198, 198, 198));
  empty.Panel1Exit();
  QCOMPARE(empty.Panel1->palette().color(QPalette::Window), QColor(247, 247, 247));
  QCOMPARE(RowNamed(w, "Offset").LOpacity->text(), QStringLiteral("128"));
  QCOMPARE(RowNamed(w, "Offset").cbBlend->currentText(), QStringLiteral("Multiply"));

  Read(s, "groups.psd");
  TframePSDLayer& tief = RowNamed(w, "Tief");
  TframePSDLayer& versteckt = RowNamed(w, "Versteckt");
  TframePSDLayer& aeussere = RowNamed(w, "Äußere");
  TframePSDLayer& kind = RowNamed(w, "Kind 日本");
  // Tief's own box is ticked, but its group is hidden.
  QVERIFY(tief.isVisible->isChecked());
  QVERIFY(!versteckt.isVisible->isChecked());
  QVERIFY(!tief.previewLayer->Visible());
  versteckt.isVisible->click();
  QVERIFY(tief.previewLayer->Visible());
  aeussere.isVisible->click();
  QVERIFY(!tief.previewLayer->Visible());
  QVERIFY(!kind.previewLayer->Visible());
  QVERIFY(RowNamed(w, "Grund").previewLayer->Visible());
}

void TestPsdImport::rowHandlersChangeThePreview() {
  Shell s;
  TfrmPSDImport& w = Window(s);
  Read(s, "twolayers.psd");
  TframePSDLayer& top = RowNamed(w, "Top");
  top.gb1->setValue(90);
  QCOMPARE(top.LOpacity->text(), QStringLiteral("90"));
  QCOMPARE(top.previewLayer->Bitmap().MasterAlpha(), 90u);
  top.isVisible->click();
  QVERIFY(!top.previewLayer->Visible());
  top.isVisible->click();
  QVERIFY(top.previewLayer->Visible());
  // Entering the row lights it and forgets the last mode pick.
  top.previousModeIndex = 7;
  top.Panel1Enter();
  QCOMPARE(top.Panel1->palette().color(QPalette::Window), QColor(231, 237, 240));
  QCOMPARE(top.previousModeIndex, 0);
  top.Panel1Exit();
  QCOMPARE(top.Panel1->palette().color(QPalette::Window), QColor(247, 247, 247));
  // A click on the name or the thumbnail puts the focus on the box.
  w.ShowImport();
  QVERIFY(QTest::qWaitForWindowActive(&w));
  QTest::mouseClick(top.layername, Qt::LeftButton);
  QVERIFY(top.isVisible->hasFocus());
  QCOMPARE(top.Panel1->palette().color(QPalette::Window), QColor(231, 237, 240));
  QTest::mouseClick(RowNamed(w, "Bottom").img, Qt::LeftButton);
  QCOMPARE(top.Panel1->palette().color(QPalette::Window), QColor(247, 247, 247));
}

void TestPsdImport::separatorPickRightAfterEnteringMovesDown() {
  Shell s;
  TfrmPSDImport& w = Window(s);
  Read(s, "twolayers.psd");
  TframePSDLayer& top = RowNamed(w, "Top");
  QCOMPARE(top.cbBlend->currentText(), QStringLiteral("Screen"));
  top.Panel1Enter();
  const int separator = 9;
  QVERIFY(top.cbBlend->itemText(separator).startsWith(QLatin1Char('-')));
  emit top.cbBlend->activated(separator);
  QCOMPARE(top.cbBlend->currentIndex(), separator + 1);
  QCOMPARE(top.cbBlend->currentText(), QStringLiteral("Difference"));
  QCOMPARE(top.row->mode, quenvar::bmDifference);
  quenvar::TBitmap32 want;
  quenvar::ApplyBlendMode(want, quenvar::bmDifference);
  QVERIFY(top.previewLayer->Bitmap().OnPixelCombine() == want.OnPixelCombine());
  // From below, a separator steps up.
  emit top.cbBlend->activated(12);
  emit top.cbBlend->activated(separator);
  QCOMPARE(top.cbBlend->currentIndex(), separator - 1);
  // "None" draws as a plain blend again.
  emit top.cbBlend->activated(0);
  QCOMPARE(top.previewLayer->Bitmap().DrawMode(), quenvar::dmBlend);
}

void TestPsdImport::previewSelectionAndTheCentreKeepingResize() {
  Shell s;
  TfrmPSDImport& w = Window(s);
  Read(s, "layers.psd");
  quenvar::TImgView32& v = Preview(w);
  TframePSDLayer& masked = RowNamed(w, "Masked");                   // (2, 2) to (10, 10)
  TframePSDLayer& n = RowNamed(w, QString(255, QLatin1Char('N')));  // (36, 26) to (40, 30)
  TframePSDLayer& background = RowNamed(w, "Background");           // (0, 0) to (40, 30)
  // The topmost layer under the pointer is chosen.
  v.MouseDown(quenvar::mbLeft, quenvar::ssLeft, 37, 27);
  v.MouseUp(quenvar::mbLeft, 0, 37, 27);
  QCOMPARE(w.selectedLayer(), n.previewLayer);
  quenvar::TRubberbandLayer* frame = w.selectionFrame();
  QVERIFY(frame);
  QCOMPARE(frame->MinWidth, 1.0f);
  QCOMPARE(frame->MinHeight, 1.0f);
  QCOMPARE(frame->Location(), n.previewLayer->Location());
  QCOMPARE(frame->Index(), v.Layers().Count() - 1);
  v.MouseDown(quenvar::mbLeft, quenvar::ssLeft, 25, 15);
  v.MouseUp(quenvar::mbLeft, 0, 25, 15);
  QCOMPARE(w.selectedLayer(), background.previewLayer);
  QCOMPARE(w.selectionFrame(), frame);  // one frame, brought to the top
  QCOMPARE(frame->Index(), v.Layers().Count() - 1);

  // Ctrl and the right handle: the layer grows on both sides.
  v.MouseDown(quenvar::mbLeft, quenvar::ssLeft | quenvar::ssCtrl, 39, 14);
  v.MouseMove(quenvar::ssLeft | quenvar::ssCtrl, 44, 14);
  v.MouseUp(quenvar::mbLeft, quenvar::ssCtrl, 44, 14);
  QCOMPARE(background.previewLayer->Location(), (quenvar::TFloatRect{-4, 0, 44, 30}));
  // Without Ctrl only the dragged edge moves.
  v.MouseDown(quenvar::mbLeft, quenvar::ssLeft, 19, 29);
  v.MouseMove(quenvar::ssLeft, 19, 33);
  v.MouseUp(quenvar::mbLeft, 0, 19, 33);
  QCOMPARE(background.previewLayer->Location(), (quenvar::TFloatRect{-4, 0, 44, 33}));
  // Hiding the selected layer ends the selection.
  background.isVisible->click();
  QVERIFY(!w.selectedLayer());
  QVERIFY(!frame->Visible());

  // A press outside every layer ends the selection and lets the mouse go.
  v.MouseDown(quenvar::mbLeft, quenvar::ssLeft, 6, 6);
  v.MouseUp(quenvar::mbLeft, 0, 6, 6);
  QCOMPARE(w.selectedLayer(), masked.previewLayer);
  QVERIFY(frame->Visible());
  v.MouseDown(quenvar::mbLeft, quenvar::ssLeft, 30, 15);
  QVERIFY(!w.selectedLayer());
  QVERIFY(!v.Layers().MouseListener());
  QVERIFY(!frame->Visible());
  v.MouseUp(quenvar::mbLeft, 0, 30, 15);
}

void TestPsdImport::failedReadsWriteTheTwoErrorLines() {
  Shell s;
  s.runBanner();
  TfrmPSDImport& w = Window(s);
  const QStringList errorLines = {
      QStringLiteral("### Error : zyl incompatible psd file "),
      QStringLiteral(
          "            in photoshop(r),try to re-save file with rgb mode and reload :)")};
  w.efilename->clear();
  w.bRead->click();
  QCOMPARE(s.logLines().mid(s.logLines().size() - 2), errorLines);
  QVERIFY(!w.PanelPSD->isVisibleTo(&w));
  QVERIFY(w.sb1->isVisibleTo(w.PanelC));
  QVERIFY(!QGuiApplication::overrideCursor());
  QVERIFY(w.bRead->isEnabled());

  Read(s, "twolayers.psd");
  QVERIFY(w.PanelPSD->isVisibleTo(&w));
  // A document cut short: the reader's account, then the two lines; the
  // window keeps what it showed, the rows of the failed read are none.
  QTemporaryDir dir;
  QFile cut(dir.filePath(QStringLiteral("cut.psd")));
  QFile whole(Fixture("twolayers.psd"));
  QVERIFY(whole.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly));
  cut.write(whole.read(200));
  cut.close();
  w.efilename->setText(cut.fileName());
  w.bRead->click();
  QCOMPARE(s.logLines().mid(s.logLines().size() - 2), errorLines);
  QVERIFY(w.PanelPSD->isVisibleTo(&w));
  QVERIFY(w.rows().isEmpty());
  QVERIFY(w.model().rows.empty());
  // Nothing to import after it.
  s.newProject();
  const std::size_t layers = CurrentProject()->layers.size();
  w.G32_Button1->click();
  QCOMPARE(CurrentProject()->layers.size(), layers);
}

void TestPsdImport::aPictureThatIsNoPsdBecomesTheBasePicture() {
  Shell s;
  TfrmPSDImport& w = Window(s);
  Read(s, "twolayers.psd");
  w.efilename->setText(QStringLiteral(QUENVAR_SOURCE_DIR "/tests/project/fixtures/a.png"));
  w.bRead->click();
  QCOMPARE(Preview(w).Bitmap().Width(), 8);
  QCOMPARE(Preview(w).Bitmap().Height(), 6);
  QCOMPARE(w.img32->size(), QSize(8, 6));
  // The rows are those of the last document read.
  QCOMPARE(Names(Listed(w)), QStringList({"Top", "Bottom"}));
}

void TestPsdImport::importIntoANewProjectIsOneUndoableStep() {
  Shell s;
  s.runBanner();
  TfrmPSDImport& w = Window(s);
  Read(s, "groups.psd");
  QVERIFY(!CurrentProject());
  s.acceptProperties(QStringLiteral("Imported"), QStringLiteral("8"), QStringLiteral("8"));
  w.G32_Button1->click();
  QVERIFY(CurrentProject());
  QCOMPARE(CurrentProject()->name, std::string("Imported"));
  // New's empty first layer, then the shown layers, bottom first.
  QCOMPARE(CurrentProject()->layers.size(), 4u);
  QCOMPARE(LayerAt(1).name, std::string("Grund"));
  QCOMPARE(LayerAt(2).name, std::string("Über 🎨"));
  QCOMPARE(LayerAt(3).name, std::string("Kind 日本"));
  QCOMPARE(LayerAt(3).filename, std::string("Kind 日本.bmp"));
  QVERIFY(LayerAt(3).ALayer);
  QCOMPARE(LayerAt(3).ALayer->Index(), 3);
  TfrmLayers& panel = *s.form->frmLayers;
  QCOMPARE(panel.rows.size(), 4);
  QCOMPARE(panel.rows[3]->LName->text(), QStringLiteral("Kind 日本"));
  QCOMPARE(s.logLines().mid(s.logLines().size() - 3),
           QStringList({"Inserting layer .. (None norm)", "Inserting layer .. (None norm)",
                        "Inserting layer .. (None norm)"}));
  QVERIFY(!w.pbProgress->isVisible());
  QVERIFY(w.G32_Button1->isEnabled());
  // A click in the view selects an imported layer.
  s.form->frmProject32->view().MouseDown(quenvar::mbLeft, quenvar::ssLeft, 4, 4);
  QCOMPARE(s.form->frmProject32->selectedLayer(),
           static_cast<quenvar::TPositionedLayer*>(LayerAt(3).ALayer));

  QCOMPARE(s.action("miUndo")->text(), QStringLiteral("Undo Import PSD"));
  s.action("miUndo")->trigger();
  QCOMPARE(CurrentProject()->layers.size(), 1u);
  QCOMPARE(panel.rows.size(), 1);
  QVERIFY(!CurrentProject()->modified);
  s.action("miRedo")->trigger();
  QCOMPARE(CurrentProject()->layers.size(), 4u);
  QCOMPARE(panel.rows.size(), 4);
  // The window keeps what it read: importing again adds the layers again.
  w.G32_Button1->click();
  QCOMPARE(CurrentProject()->layers.size(), 7u);
}

void TestPsdImport::importStopsWhenTheNewProjectIsCancelled() {
  Shell s;
  TfrmPSDImport& w = Window(s);
  Read(s, "twolayers.psd");
  w.G32_Button1->click();  // the properties dialog is cancelled
  QVERIFY(s.prompter.dialogsShown.contains(QStringLiteral("frmProjectProperties")));
  QVERIFY(!CurrentProject());
  QVERIFY(w.G32_Button1->isEnabled());
}

void TestPsdImport::importTakesWhatTheUserChanged() {
  Shell s;
  s.runBanner();
  TfrmPSDImport& w = Window(s);
  s.newProject("Clouds", "40", "30");
  quenvar::Playback().playing = true;
  Read(s, "layers.psd");
  RowNamed(w, "Background").isVisible->click();  // unticked: not imported
  RowNamed(w, "Hidden").isVisible->click();      // ticked: imported
  TframePSDLayer& offset = RowNamed(w, "Offset");
  offset.gb1->setValue(33);
  emit offset.cbBlend->activated(offset.cbBlend->findText(QStringLiteral("Xor")));
  // "Hidden", (30, 20) to (50, 35), dragged in the preview by 3 and 4 pixels.
  quenvar::TImgView32& v = Preview(w);
  v.MouseDown(quenvar::mbLeft, quenvar::ssLeft, 35, 26);
  v.MouseUp(quenvar::mbLeft, 0, 35, 26);
  v.MouseDown(quenvar::mbLeft, quenvar::ssLeft, 35, 26);
  v.MouseMove(quenvar::ssLeft, 38, 30);
  v.MouseUp(quenvar::mbLeft, 0, 38, 30);
  w.G32_Button1->click();

  QStringList names;
  for (const quenvar::TBlendLayer* layer : CurrentProject()->layers)
    names << QString::fromStdString(layer->name);
  QCOMPARE(names, QStringList({"Layer 1", "Offset", "Hidden", "Empty", "Inside", "Masked",
                               QString(255, QLatin1Char('N'))}));
  QCOMPARE(LayerAt(1).opacity, 33);
  QCOMPARE(LayerAt(1).Mode(), quenvar::bmXor);
  QCOMPARE(LayerAt(1).ALayer->Bitmap().MasterAlpha(), 33u);
  QCOMPARE(LayerAt(2).Mode(), quenvar::bmScreen);
  QCOMPARE(LayerAt(2).x, 33);
  QCOMPARE(LayerAt(2).y, 24);
  QCOMPARE(LayerAt(2).ALayer->Location(), (quenvar::TFloatRect{33, 24, 53, 39}));
  QCOMPARE(LayerAt(5).x, 2);  // untouched
  QCOMPARE(s.logLines().last(), QStringLiteral("Inserting layer .. (None norm)"));
  QVERIFY(s.logLines().contains(QStringLiteral("Inserting layer .. (Xor mul )")));
  // Playback stopped around the import and goes on after it.
  QVERIFY(quenvar::Playback().playing);
}

void TestPsdImport::clippedLayersImportAsThePreviewShowsThem() {
  Shell s;
  s.runBanner();
  TfrmPSDImport& w = Window(s);
  s.newProject("Clip", "10", "8");
  Read(s, "clip.psd");
  // "On hidden" sits on a hidden base: neither is ticked nor imported.
  QVERIFY(!RowNamed(w, "On hidden").isVisible->isChecked());
  w.G32_Button1->click();

  QStringList names;
  for (const quenvar::TBlendLayer* layer : CurrentProject()->layers)
    names << QString::fromStdString(layer->name);
  QCOMPARE(names, QStringList({"Layer 1", "Background", "Base", "Clip A", "Clip B", "Free",
                               "Outside", "First", "Above", "Over group"}));
  for (std::size_t i = 1; i < CurrentProject()->layers.size(); ++i) {
    const quenvar::TBlendLayer& layer = LayerAt(int(i));
    const quenvar::TBitmap32& preview =
        RowNamed(w, QString::fromStdString(layer.name)).previewLayer->Bitmap();
    QCOMPARE(layer.bmp.Width(), preview.Width());
    QCOMPARE(layer.bmp.Height(), preview.Height());
    for (int y = 0; y < preview.Height(); ++y)
      for (int x = 0; x < preview.Width(); ++x) {
        QCOMPARE(layer.bmp.Pixel(x, y), preview.Pixel(x, y));
        QCOMPARE(layer.ALayer->Bitmap().Pixel(x, y), preview.Pixel(x, y));
      }
  }
  // Clip A at (0, 0) is clipped away left of its base at (2, 1) and kept
  // over it; the base keeps its own opacity.
  const quenvar::TBlendLayer& clipA = LayerAt(3);
  QCOMPARE(clipA.bmp.Pixel(0, 0) >> 24, 0u);
  QVERIFY((clipA.bmp.Pixel(2, 1) >> 24) > 0u);
  QCOMPARE(LayerAt(2).opacity, 128);
}

void TestPsdImport::aDroppedDocumentIsReadInTheWindow() {
  Shell s;
  s.newProject();
  TfrmPSDImport& w = Window(s);
  const QString picture = QStringLiteral(QUENVAR_SOURCE_DIR "/tests/project/fixtures/a.png");
  Drop(s.form.get(), {Fixture("groups.psd"), picture, Fixture("twolayers.psd")});
  QVERIFY(w.isVisible());
  QCOMPARE(w.efilename->text(), Fixture("groups.psd"));
  QCOMPARE(w.rows().size(), 6);
  // The picture became a layer; the second document was left alone.
  QCOMPARE(CurrentProject()->layers.size(), 2u);
  QCOMPARE(LayerAt(1).name, std::string("a.png"));
}

void TestPsdImport::aRunningReadKeepsTheButtonsAndASecondReadAway() {
  Shell s;
  s.runBanner();
  TfrmPSDImport& w = Window(s);
  bool sawBusy = false, buttonsOff = false, progressShown = false;
  // The account lets events run, so this runs in the middle of the read.
  QTimer::singleShot(0, &w, [&] {
    sawBusy = w.Busy();
    buttonsOff =
        !w.bRead->isEnabled() && !w.G32_Button1->isEnabled() && !w.G32_Button2->isEnabled();
    progressShown = w.pbProgress->isVisibleTo(&w);
    w.ReadFile(Fixture("groups.psd"));  // refused while busy
  });
  Read(s, "twolayers.psd");
  QVERIFY(sawBusy);
  QVERIFY(buttonsOff);
  QVERIFY(progressShown);
  QCOMPARE(w.efilename->text(), Fixture("twolayers.psd"));
  QCOMPARE(w.rows().size(), 2);
  QVERIFY(!w.Busy());
  QVERIFY(w.bRead->isEnabled());
  QVERIFY(!w.pbProgress->isVisibleTo(&w));
}

QTEST_MAIN(TestPsdImport)
#include "test_psdimport.moc"
