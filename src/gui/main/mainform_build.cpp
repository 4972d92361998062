// Building the main window: menus, tool panel and status strip.
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QUndoStack>
#include <QVBoxLayout>

#include "gui/main/mainform.h"
#include "gui/widgets/panelwidgets.h"
#include "gui/widgets/pictures.h"
#include "host/canvassize.h"

namespace {

QMenu* Menu(QMenuBar* bar, const char* name, const QString& caption, bool enabled = true) {
  QMenu* m = bar->addMenu(caption);
  m->setObjectName(QString::fromLatin1(name));
  m->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
  m->menuAction()->setEnabled(enabled);
  return m;
}

QMenu* SubMenu(QMenu* parent, const char* name, const QString& caption, bool enabled) {
  QMenu* m = parent->addMenu(caption);
  m->setObjectName(QString::fromLatin1(name));
  m->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
  m->menuAction()->setEnabled(enabled);
  return m;
}

}  // namespace

QAction* Tmainform::MenuItem(QMenu* menu, const char* name, const QString& caption,
                             const QKeySequence& shortcut, bool enabled) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(QString::fromLatin1(name));
  a->setShortcut(shortcut);
  a->setEnabled(enabled);
  addAction(a);  // shortcuts work while the menu is closed
  return a;
}

void Tmainform::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu"));

  QMenu* file = Menu(bar, "mFile", QStringLiteral("&File"));
  connect(MenuItem(file, "miNew", QStringLiteral("New"), QKeySequence(Qt::CTRL | Qt::Key_N)),
          &QAction::triggered, this, &Tmainform::NewClick);
  connect(MenuItem(file, "miOpen", QStringLiteral("Open"), QKeySequence(Qt::CTRL | Qt::Key_O)),
          &QAction::triggered, this, &Tmainform::OpenProjectFile);
  miImportPSD_ = MenuItem(file, "miImportPSD", QStringLiteral("Import PSD"));
  connect(miImportPSD_, &QAction::triggered, this, &Tmainform::ImportPSDClick);
  connect(MenuItem(file, "miImportOra", QStringLiteral("Import OpenRaster...")),
          &QAction::triggered, this, &Tmainform::ImportOpenRasterClick);
  file->addSeparator();
  miSave_ = MenuItem(file, "miSave", QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
  miSaveAs_ = MenuItem(file, "miSaveAs", QStringLiteral("Save as"));
  miSaveFrame_ = MenuItem(file, "miSaveFrame", QStringLiteral("Save frame"));
  connect(miSave_, &QAction::triggered, this, &Tmainform::SaveClick);
  connect(miSaveAs_, &QAction::triggered, this, &Tmainform::SaveAsClick);
  connect(miSaveFrame_, &QAction::triggered, this, &Tmainform::SaveFrameClick);
  miExportOra_ = MenuItem(file, "miExportOra", QStringLiteral("Export OpenRaster..."));
  connect(miExportOra_, &QAction::triggered, this, &Tmainform::ExportOpenRasterClick);
  miExportWeb_ = MenuItem(file, "miExportWeb", QStringLiteral("Export web page..."));
  connect(miExportWeb_, &QAction::triggered, this, &Tmainform::ExportWebPageClick);
  file->addSeparator();
  connect(MenuItem(file, "miCloseProject", QStringLiteral("Close project")), &QAction::triggered,
          this, &Tmainform::CloseProjectClick);
  file->addSeparator();
  connect(MenuItem(file, "miExit", QStringLiteral("Exit")), &QAction::triggered, this,
          &Tmainform::ExitClick);

  QMenu* edit = Menu(bar, "mEdit", QStringLiteral("&Edit"));
  miUndo_ = MenuItem(edit, "miUndo", QStringLiteral("Undo"), QKeySequence::Undo, false);
  miRedo_ = MenuItem(edit, "miRedo", QStringLiteral("Redo"), {}, false);
  miRedo_->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  connect(miUndo_, &QAction::triggered, undoStack, &QUndoStack::undo);
  connect(miRedo_, &QAction::triggered, undoStack, &QUndoStack::redo);
  connect(undoStack, &QUndoStack::canUndoChanged, miUndo_, &QAction::setEnabled);
  connect(undoStack, &QUndoStack::canRedoChanged, miRedo_, &QAction::setEnabled);
  connect(undoStack, &QUndoStack::undoTextChanged, miUndo_, [this](const QString& text) {
    miUndo_->setText(text.isEmpty() ? QStringLiteral("Undo") : QStringLiteral("Undo ") + text);
  });
  connect(undoStack, &QUndoStack::redoTextChanged, miRedo_, [this](const QString& text) {
    miRedo_->setText(text.isEmpty() ? QStringLiteral("Redo") : QStringLiteral("Redo ") + text);
  });

  QMenu* proj = Menu(bar, "mProject", QStringLiteral("&Project"));
  miCanvasSize_ = MenuItem(proj, "miCanvasSize", QStringLiteral("Canvas Size"));
  connect(miCanvasSize_, &QAction::triggered, this, &Tmainform::CanvasSizeClick);
  MenuItem(proj, "miFileManager", QStringLiteral("File manager"), {}, false);

  QMenu* layer = Menu(bar, "mLayer", QStringLiteral("Layer"));
  QMenu* convolution = SubMenu(layer, "mConvolution", QStringLiteral("Convolution"), false);
  MenuItem(convolution, "miConvolution1", QString());
  QMenu* color = SubMenu(layer, "mColor", QStringLiteral("Color"), false);
  MenuItem(color, "miBrightnessContrast", QStringLiteral("Brightness && Contrast"));
  MenuItem(color, "miHueSaturation", QStringLiteral("Hue && Saturation"));
  MenuItem(color, "miDesaturate", QStringLiteral("Desaturate"));
  MenuItem(color, "miInvert", QStringLiteral("Invert"));
  QMenu* transform = SubMenu(layer, "mTransform", QStringLiteral("Transform"), false);
  MenuItem(transform, "miResize", QStringLiteral("Resize"), QKeySequence(Qt::CTRL | Qt::Key_T));
  MenuItem(transform, "miRotate", QStringLiteral("Rotate"), QKeySequence(Qt::CTRL | Qt::Key_R));
  MenuItem(transform, "miFlipHorizontal", QStringLiteral("Flip Horizantal"));
  MenuItem(transform, "miFlipVertical", QStringLiteral("Flip Vertical"));
  layer->addSeparator();
  miInsertLayer_ = MenuItem(layer, "miInsertLayer", QStringLiteral("Insert Layer"),
                            QKeySequence(Qt::Key_Insert));
  connect(miInsertLayer_, &QAction::triggered, this, &Tmainform::InsertLayerClick);
  MenuItem(layer, "miDuplicateLayer", QStringLiteral("Duplicate Layer"), {}, false);
  MenuItem(layer, "miDeleteLayer", QStringLiteral("Delete Layer"));

  QMenu* render = Menu(bar, "mRender", QStringLiteral("Render"));
  miRenderToDisk_ = MenuItem(render, "miRenderToDisk", QStringLiteral("Render to disk"));
  connect(miRenderToDisk_, &QAction::triggered, this, &Tmainform::RenderToDiskClick);
  MenuItem(render, "miCompression", QStringLiteral("Compression"), {}, false);

  // Closed tool windows come back from here; the other items have no window
  // to show.
  QMenu* view = Menu(bar, "mView", QStringLiteral("View"));
  MenuItem(view, "miViewProject", QStringLiteral("Project"), {}, false);
  connect(MenuItem(view, "miViewLayers", QStringLiteral("Layers")), &QAction::triggered, this,
          &Tmainform::ViewLayersClick);
  MenuItem(view, "miViewFileManager", QStringLiteral("File manager"), {}, false);
  MenuItem(view, "miViewSequencer", QStringLiteral("Sequencer"), {}, false);
  connect(MenuItem(view, "miViewStatus", QStringLiteral("Status")), &QAction::triggered, this,
          &Tmainform::ViewStatusClick);

  QMenu* help = Menu(bar, "mHelp", QStringLiteral("&Help"));
  MenuItem(help, "miContents", QStringLiteral("Contents"), {}, false);
  MenuItem(help, "miIndex", QStringLiteral("Index"), {}, false);
  help->addSeparator();
  connect(MenuItem(help, "miWhatIsNew", QStringLiteral("What is new ?")), &QAction::triggered, this,
          &Tmainform::WhatIsNewClick);
  connect(MenuItem(help, "miAbout", QStringLiteral("About")), &QAction::triggered, this,
          &Tmainform::AboutClick);
}

void Tmainform::BuildToolPanel() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Central"));
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  TopPanel_ = new QWidget(central);
  TopPanel_->setObjectName(QStringLiteral("TopPanel"));
  TopPanel_->setFixedHeight(34);
  auto* row = new QHBoxLayout(TopPanel_);
  row->setContentsMargins(6, 0, 6, 0);
  row->setSpacing(4);

  QFont mini(miniFontFamily);
  mini.setPixelSize(8);

  auto* logo = new QLabel(TopPanel_);
  logo->setObjectName(QStringLiteral("imgLogo"));
  logo->setPixmap(ProgramLogo());
  row->addWidget(logo);
  row->addSpacing(6);
  auto* bOpen = new TPanelButton(QStringLiteral("OPEN"), QStringLiteral("bOpen"), TopPanel_);
  auto* bImport = new TPanelButton(QStringLiteral("IMPORT"), QStringLiteral("bImport"), TopPanel_);
  auto* bSave = new TPanelButton(QStringLiteral("SAVE"), QStringLiteral("bSave"), TopPanel_);
  bSaveButton_ = bSave;
  for (QWidget* w : {bOpen, bImport, bSave}) row->addWidget(w);
  connect(bOpen, &QPushButton::clicked, this, &Tmainform::OpenProjectFile);
  connect(bSave, &QPushButton::clicked, this, &Tmainform::SaveClick);
  connect(bImport, &QPushButton::clicked, this, &Tmainform::ImportPSDClick);

  row->addSpacing(8);
  auto* fps = new QLabel(QStringLiteral("FPS"), TopPanel_);
  fps->setObjectName(QStringLiteral("LFPS"));
  row->addWidget(fps);
  cbInterval_ = new QComboBox(TopPanel_);
  cbInterval_->setObjectName(QStringLiteral("cbInterval"));
  cbInterval_->setFont(mini);
  cbInterval_->addItems({"5", "10", "15", "20", "25", "27", "30", "40", "50", "85"});
  cbInterval_->setCurrentText(QString::number(quenvar::kDefaultFps));
  cbInterval_->setFixedHeight(20);
  connect(cbInterval_, &QComboBox::currentIndexChanged, this, &Tmainform::cbIntervalChange);
  row->addWidget(cbInterval_);
  row->addSpacing(8);

  auto* sequencer =
      new TPanelButton(QStringLiteral("SEQUENCER"), QStringLiteral("G32_Button2"), TopPanel_);
  sequencer->setEnabled(false);
  auto* fs = new TPanelButton(QStringLiteral("FS"), QStringLiteral("G32_Button1"), TopPanel_);
  auto* animate = new TPanelButton(QStringLiteral("PLAY"), QStringLiteral("bAnimate"), TopPanel_);
  auto* exportButton =
      new TPanelButton(QStringLiteral("EXPORT"), QStringLiteral("bExport"), TopPanel_);
  exportButton->setEnabled(false);
  for (QWidget* w : {sequencer, fs, animate, exportButton}) row->addWidget(w);
  bAnimate_ = animate;
  bFullScreen_ = fs;
  connect(fs, &QPushButton::clicked, this, &Tmainform::G32_Button1Click);
  connect(animate, &QPushButton::clicked, this, &Tmainform::bAnimateClick);
  connect(sequencer, &QPushButton::clicked, this, &Tmainform::bAnimateClick);

  LFrameCount_ = new QLabel(QStringLiteral("  "), TopPanel_);
  LFrameCount_->setObjectName(QStringLiteral("LFrameCount"));
  row->addWidget(LFrameCount_);
  row->addStretch(1);

  PanelCPU_ = new QWidget(TopPanel_);
  PanelCPU_->setObjectName(QStringLiteral("PanelCPU"));
  auto* grid = new QGridLayout(PanelCPU_);
  grid->setContentsMargins(0, 2, 0, 2);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(2);
  auto* cpu1 = new QLabel(QStringLiteral("CPU 1"), PanelCPU_);
  cpu1->setObjectName(QStringLiteral("LabelCPU1"));
  LabelCPU2_ = new QLabel(QStringLiteral("CPU 2"), PanelCPU_);
  LabelCPU2_->setObjectName(QStringLiteral("LabelCPU2"));
  GradProgress1_ = new TGradProgress(QStringLiteral("GradProgress1"), PanelCPU_);
  GradProgress2_ = new TGradProgress(QStringLiteral("GradProgress2"), PanelCPU_);
  for (QWidget* w :
       {static_cast<QWidget*>(cpu1), static_cast<QWidget*>(LabelCPU2_),
        static_cast<QWidget*>(GradProgress1_), static_cast<QWidget*>(GradProgress2_)}) {
    w->setFont(mini);
  }
  grid->addWidget(cpu1, 0, 0);
  grid->addWidget(GradProgress1_, 0, 1);
  grid->addWidget(LabelCPU2_, 1, 0);
  grid->addWidget(GradProgress2_, 1, 1);
  row->addWidget(PanelCPU_);

  auto* icon = new TClickPicture(TopPanel_);
  icon->setObjectName(QStringLiteral("imgAbout"));
  icon->setPixmap(ProgramIcon());
  icon->setCursor(Qt::PointingHandCursor);
  connect(icon, &TClickPicture::clicked, this, &Tmainform::AboutClick);
  row->addSpacing(6);
  row->addWidget(icon);

  mdiArea_ = new QMdiArea(central);
  mdiArea_->setObjectName(QStringLiteral("MDIClient"));
  windowedMdiFrame_ = mdiArea_->frameShape();
  windowedMdiBackground_ = mdiArea_->background();
  column->addWidget(TopPanel_);
  column->addWidget(mdiArea_, 1);
  setCentralWidget(central);
}

void Tmainform::BuildStatusStrip() {
  QStatusBar* strip = statusBar();
  strip->setObjectName(QStringLiteral("StatusStrip"));
  strip->setFixedHeight(20);
  LStatus_ = new QLabel(QStringLiteral("..."), strip);
  LStatus_->setObjectName(QStringLiteral("LStatus"));
  strip->addWidget(LStatus_, 1);
}
