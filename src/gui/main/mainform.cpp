#include "gui/main/mainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUndoStack>
#include <iostream>
#include <utility>

#include "gui/dialogs/unitstatus.h"
#include "gui/dialogs/unitwhatsnew.h"
#include "gui/layers/unitlayers.h"
#include "gui/main/recoverywriter.h"
#include "gui/main/shellhost.h"
#include "gui/main/unitdisplay32.h"
#include "gui/widgets/panelwidgets.h"
#include "gui/widgets/pictures.h"
#include "gui/widgets/pointerhider.h"
#include "gui/widgets/prompter.h"
#include "gui/widgets/qttextrenderer.h"
#include "host/datafiles.h"
#include "host/error.h"
#include "host/fileversion.h"
#include "host/playback.h"
#include "host/themecolor.h"
#include "project/project.h"
#include "project/videorecording.h"

using quenvar::kThemeColor;
using quenvar::ShadeColor;
using quenvar::TintColor;

Tmainform::Tmainform(Prompter& prompter, const QString& programDir, const QStringList& args,
                     QWidget* parent)
    : QMainWindow(parent),
      exePath(QCoreApplication::applicationFilePath().toStdString()),
      cpuInfo(quenvar::CpuInfo()),
      processorLoad(std::make_unique<quenvar::TProcessorLoad>()),
      terminateApplication([] { QCoreApplication::quit(); }),
      commandLineErrors(&std::cerr),
      prompter_(prompter),
      programDir_(programDir),
      args_(args) {
  setObjectName(QStringLiteral("mainform"));
  setWindowTitle(QStringLiteral("Quenvar"));
  setWindowIcon(ProgramIcon());
  host_ = std::make_unique<TShellHost>(*this);

  InstallInterfaceFont(programDir);
  InstallQtTextRenderer(miniFontFamily);
  undoStack = new QUndoStack(this);
  undoStack->setObjectName(QStringLiteral("undoStack"));
  // Once an undo, redo or push has moved the stack (not while it runs).
  connect(undoStack, &QUndoStack::indexChanged, this, &Tmainform::NoteUnsavedEdits);
  BuildMenus();
  BuildToolPanel();
  BuildStatusStrip();
  started = false;
  UpdateProjectMenus();

  setAcceptDrops(true);
  // The main window sees key presses before its controls.
  qApp->installEventFilter(this);

  InitTimer = new QTimer(this);
  InitTimer->setObjectName(QStringLiteral("InitTimer"));
  InitTimer->setSingleShot(true);
  InitTimer->setInterval(150);
  connect(InitTimer, &QTimer::timeout, this, &Tmainform::InitTimerTimer);
  InitTimer->start();
  StartRecovery();

  TimerCPU = new QTimer(this);
  TimerCPU->setObjectName(QStringLiteral("TimerCPU"));
  TimerCPU->setInterval(1000);
  connect(TimerCPU, &QTimer::timeout, this, &Tmainform::TimerCPUTimer);
  TimerCPU->start();

  // The pointer hides over the full-screen view after two idle seconds.
  pointerHider = new TPointerHider(
      2000, [this] { return fullScreen && quenvar::Playback().playing; }, this);
}

Tmainform::~Tmainform() {
  qApp->removeEventFilter(this);
  // A video being recorded is finished, not lost.
  const std::string error = quenvar::EndRecording(quenvar::Playback());
  if (!error.empty()) quenvar::StatusLog(error);
  // The open project goes with the window that holds it.
  if (quenvar::CurrentProject()) quenvar::CloseProject();
  host_.reset();
}

TLayersPanelHost& Tmainform::layersPanelHost() {
  return *host_;
}

TPsdImportHost& Tmainform::psdImportHost() {
  return *host_;
}

quenvar::TProject* Tmainform::project() const {
  return quenvar::CurrentProject();
}

void Tmainform::InstallInterfaceFont(const QString& programDir) {
  const std::string font = quenvar::FindDataFile(programDir.toStdString(), "mini.ttf");
  const int id = QFontDatabase::addApplicationFont(QString::fromStdString(font));
  const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
  if (families.isEmpty()) {
    prompter_.ShowMessage(this, QStringLiteral("Unable to initialize font .. "));
    miniFontFamily = QStringLiteral("mini");
    return;
  }
  miniFontFamily = families.first();
}

void Tmainform::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (started) return;
  if (QScreen* s = screen()) {
    savedDisplayMode = {s->size().width(), s->size().height(), s->refreshRate()};
  }
  // With a project file on the command line the program becomes a player:
  // it opens and plays the file full screen once the window is up, in the
  // plain colours.
  if (!args_.isEmpty()) {
    if (std::exchange(commandLineOpened_, true)) return;
    const QString file = args_.first();
    QTimer::singleShot(0, this, [this, file] { OpenCommandLineProject(file); });
    return;
  }
  fullScreen = false;
  ColourInterface();
}

void Tmainform::ColourInterface() {
  QPalette pal = TopPanel_->palette();
  pal.setColor(QPalette::Window, ToQColor(TintColor(kThemeColor, 40)));
  TopPanel_->setPalette(pal);
  TopPanel_->setAutoFillBackground(true);
  GradProgress1_->setColors(ToQColor(ShadeColor(kThemeColor, 50)),
                            ToQColor(TintColor(kThemeColor, 60)));
  GradProgress2_->setColors(ToQColor(ShadeColor(kThemeColor, 60)),
                            ToQColor(TintColor(kThemeColor, 40)));
}

void Tmainform::InitTimerTimer() {
  started = true;
  InitTimer->stop();
  ShowStartupBanner();
}

void Tmainform::ShowStartupBanner() {
  QCoreApplication::processEvents();
  if (!frmStatus) {
    frmStatus = new TfrmStatus(this);
    ShowFloatingWindow(frmStatus);
  }
  try {
    fileVersion = quenvar::GetFileVersion(exePath);
  } catch (const quenvar::Error& e) {
    prompter_.ShowMessage(this, QString::fromStdString(e.what()));
    return;
  }
  quenvar::StatusLog(quenvar::BannerVersionLine(fileVersion));
  quenvar::StatusLog(quenvar::BannerRightsLine());
  quenvar::StatusLog(" ");
  try {
    processorLoad->SampleProcessorLoad();
    if (auto line = quenvar::CpuStartupLine(cpuInfo)) quenvar::StatusLog(*line);
  } catch (const std::exception&) {
    quenvar::StatusLog("Error : Failed to get cpu information");
  }
  setWindowTitle(QString::fromStdString(quenvar::MainCaption(fileVersion)));
  LStatus_->setText(QStringLiteral("Ready to rok.."));
}

void Tmainform::TimerCPUTimer() {
  if (meterFailed) return;
  try {
    meters_ = quenvar::UpdateMeters(*processorLoad, meters_);
  } catch (const std::exception&) {
    meterFailed = true;
    return;
  }
  PanelCPU_->setVisible(meters_.panelVisible);
  GradProgress1_->setValue(meters_.meter1);
  GradProgress2_->setValue(meters_.meter2);
  GradProgress2_->setVisible(meters_.meter2Visible);
  LabelCPU2_->setVisible(meters_.meter2Visible);
}

void Tmainform::StatusLog(const QString& line) {
  if (!frmStatus) return;
  frmStatus->AppendLine(line);
  LStatus_->setText(line);
}

void Tmainform::PsdLog(const QString& line) {
  if (!frmStatus) return;
  frmStatus->AppendPsdLine(line);
}

void Tmainform::StartPlayback() {
  if (!project()) return;
  if (frmProject32) frmProject32->StartTimer();
  // A recording goes on from where it paused.
  if (!quenvar::Playback().playing) quenvar::ResumeVideoClock(quenvar::Playback());
  quenvar::Playback().playing = true;
  UpdatePlayCaption();
}

void Tmainform::StopPlayback() {
  if (!project()) return;
  quenvar::Playback().playing = false;
  if (frmProject32) frmProject32->Timer1->stop();
  UpdatePlayCaption();
}

TfrmLayers* Tmainform::LayersPanel() {
  return frmLayers;
}

TfrmProject32* Tmainform::ViewWindow() {
  return frmProject32;
}

void Tmainform::DeleteCurrentLayer() {
  if (frmLayers) frmLayers->bDeleteClick();
}

void Tmainform::ViewClosing(TfrmProject32* view) {
  if (frmProject32 == view) frmProject32 = nullptr;
}

void Tmainform::SetFrameCountLabel(const QString& text) {
  LFrameCount_->setText(text);
}

void Tmainform::ShowError(const QString& message) {
  prompter_.ShowMessage(this, message);
}

void Tmainform::closeEvent(QCloseEvent* event) {
  StopPlayback();
  // The question is asked in the windowed layout.
  if (fullScreen) SetFullScreen(false);
  if (ConfirmExit()) {
    EndRecording();
    event->accept();
  } else {
    event->ignore();
  }
}

bool Tmainform::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    if (FormKeyDown(watched, static_cast<QKeyEvent*>(event))) return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void Tmainform::ShowWhatsNewWindow() {
  frmWhatsNew = new TfrmWhatsNew(this);
}

void Tmainform::HideWhatsNew() {
  if (frmWhatsNew && frmWhatsNew->isVisible()) frmWhatsNew->hide();
}
