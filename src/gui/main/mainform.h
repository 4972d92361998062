#pragma once
// Tmainform: the main window and the program's controller. It holds the
// menus, the tool panel and the status strip, runs start-up, and passes every
// command that makes, changes or closes the open project.
#include <QBrush>
#include <QFrame>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "gui/main/mainwindowside.h"
#include "host/cpuinfo.h"
#include "host/processorload.h"
#include "host/version.h"
#include "project/projectedit.h"
#include "project/undobudget.h"

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QTimer;
class Prompter;
class TPanelButton;
class TGradProgress;
class TClickPicture;
class TfrmStatus;
class TfrmProjectProperties;
class TfrmAbout;
class TfrmWhatsNew;
class TfrmProject32;
class TfrmCapture;
class QPushButton;
class TShellHost;
class TfrmLayers;
class TLayersPanelHost;
class TfrmPSDImport;
class TPsdImportHost;
class QUndoStack;
class TPointerHider;
class TRecoveryWriter;

namespace quenvar {
class TProject;
class TCustomLayer;
}  // namespace quenvar

// Screen size and refresh rate, recorded at first show. Full screen never
// changes the display mode, so there is nothing to restore from it; it tells
// what the screen was when the program started.
struct TDisplayMode {
  int width = 0;
  int height = 0;
  double refreshRate = 0;
};

class Tmainform : public QMainWindow, public TMainWindowSide {
  Q_OBJECT
 public:
  // `programDir` is where the interface font "mini.ttf" is looked for (beside
  // it, else in ../share/quenvar); `args`
  // are the command-line arguments after the program name.
  Tmainform(Prompter& prompter, const QString& programDir, const QStringList& args = {},
            QWidget* parent = nullptr);
  ~Tmainform() override;

  quenvar::TProject* project() const;
  Prompter& prompter() override { return prompter_; }
  // What the layers panel is given to reach the main window.
  TLayersPanelHost& layersPanelHost();
  // What the PSD import window is given to reach the main window.
  TPsdImportHost& psdImportHost();

  // Operations other parts of the program call.
  // The New command: asks about unsaved work, then for the canvas.
  void NewClick() override;
  // Import PSD: shows the import window without blocking the others.
  void ImportPSDClick();
  void StatusLog(const QString& line) override;
  void PsdLog(const QString& line) override;
  void StartPlayback() override;
  void StopPlayback() override;
  void RebuildLayerFrames() override;
  void OpenProjectView();
  void UpdateProjectMenus();
  bool ConfirmExit();
  // Full-screen presentation (mainform_fullscreen.cpp): on covers the
  // window's screen with the view, off brings back menu, panels and the view
  // at (10, 10). Either way ends with `fullScreen` set to `on`.
  void SetFullScreen(bool on) override;
  // The FS button: full screen around a pause, then playing.
  void G32_Button1Click();
  // PLAY/STOP, also Space.
  void bAnimateClick() override;
  // The Open command's steps after the dialog: reads `path` (a .zyl, or an
  // .ora made into a project) completely, with a progress dialog when that
  // takes long, then asks about unsaved work, closes the open project and
  // plays the new one. False when the file is not a readable project (the
  // reason is shown) or the open was cancelled; the project that was open
  // then stays open and untouched.
  // `tellUser` false leaves the reason to the log alone (a player start,
  // which shows no message boxes).
  bool OpenProjectPath(const QString& path, bool tellUser = true);
  // The player's start: opens the project named on the command line as the
  // Open command would, without a dialog, then goes full screen. Failures
  // are also written to `commandLineErrors`, as the status window does not
  // exist yet.
  void OpenCommandLineProject(const QString& path);
  // A tool window shown now, or when full screen ends.
  void ShowFloatingWindow(QWidget* window);

  // The dialogs; created on first use where the program entry did not
  // create them (a player start).
  TfrmProjectProperties& ProjectPropertiesDialog();
  TfrmAbout& AboutBox();
  TfrmCapture& CaptureDialog();
  TfrmPSDImport& PSDImportWindow();
  // The recording frame counter next to PLAY/STOP.
  void SetFrameCountLabel(const QString& text) override;
  // An error in the application's message box.
  void ShowError(const QString& message) override;

  // Editing. PushEdit takes an edit that has been done onto the undo stack;
  // edits pushed as mergeable fold into the one before when of the same kind.
  void PushEdit(quenvar::TProjectEditPtr edit, bool mergeable = false) override;
  // After an undo or redo: rows, view and selection show the project again.
  void ShowUndoneState();
  // The modified flag also covers edits undone past the last save.
  void NoteUnsavedEdits();
  // The project changed without the undo stack, or was made, opened or
  // saved: the recovery file follows (mainform_recovery.cpp).
  void NoteProjectChanged() override;
  // Offers each recovery file of a program that ended without closing, one
  // question at a time; Yes opens it as an unsaved project and ends the offers.
  void OfferRecoveries();
  // This program's recovery file; empty when it has none.
  QString RecoveryFilePath() const;
  // The memory the undo stack may keep; the oldest steps beyond it go.
  void SetUndoBudget(std::size_t bytes);
  std::size_t undoBudget() const { return undoBudget_; }
  // Files dropped on a window: pictures become layers of the open project,
  // in the order given; a project file opens (asking about unsaved changes);
  // a PSD document is read in the import window.
  void DropFiles(const QStringList& paths) override;
  // Moves the layer selected in the view by whole pixels.
  void NudgeSelection(int dx, int dy) override;
  // The layers panel highlights the row of a layer clicked in the view.
  void EnterLayerRow(const quenvar::TCustomLayer* viewLayer) override;

  // Closes the open project's view without asking; closing it closes the
  // project.
  void CloseProjectView();
  using TUnsavedAsk = ::TUnsavedAsk;
  // Asks about the open project's unsaved changes, with Save, Discard and
  // Cancel. True when the caller may go on (saved, discarded, or nothing
  // to ask); false when cancelled or the save failed or was stopped.
  bool SettleUnsavedWork(TUnsavedAsk ask = TUnsavedAsk::Close) override;
  // Closes the open project after asking; false when the user kept it.
  bool CloseProjectAsking();
  // After the open project has closed: menus and PLAY/STOP follow.
  void ProjectClosed() override;
  // The rest of what the view window and the shell host ask of it.
  bool FullScreenShown() const override { return fullScreen; }
  QString InterfaceFontFamily() const override { return miniFontFamily; }
  QString& PictureFolder() override { return lastPictureFolder; }
  QUndoStack* UndoStack() override { return undoStack; }
  TfrmLayers* LayersPanel() override;
  TfrmProject32* ViewWindow() override;
  void DeleteCurrentLayer() override;
  void ViewClosing(TfrmProject32* view) override;
  // PLAY/STOP names what pressing it will do.
  void UpdatePlayCaption();
  // Creates a new what's-new window and makes it the newest.
  void ShowWhatsNewWindow();
  // Hides the newest what's-new window when it is visible.
  void HideWhatsNew();

  // The start-up steps, run by the start-up timer.
  void ShowStartupBanner();
  // Timer handlers: the one-shot start-up timer and the meters' tick.
  void InitTimerTimer();
  void TimerCPUTimer();

  bool fullScreen = false;
  bool started = false;
  bool meterFailed = false;
  TDisplayMode savedDisplayMode;
  quenvar::TFileVersion fileVersion;
  // Where the version record is read from, the processor found at load and
  // the load sampler; tests replace them before the start-up timer fires.
  std::string exePath;
  quenvar::TCpuInfo cpuInfo;
  std::unique_ptr<quenvar::TProcessorLoad> processorLoad;
  // Ends the application (QCoreApplication::quit unless replaced).
  std::function<void()> terminateApplication;
  // Where a player start reports failures (standard error unless replaced).
  std::ostream* commandLineErrors;
  // Hides the pointer over the full-screen view while it plays.
  TPointerHider* pointerHider = nullptr;

  // Windows the program entry creates; empty when not created.
  QPointer<TfrmStatus> frmStatus;
  QPointer<TfrmProjectProperties> frmProjectProperties;
  QPointer<TfrmAbout> frmAbout;
  QPointer<TfrmWhatsNew> frmWhatsNew;
  QPointer<TfrmCapture> frmCapture;
  // The layers panel; created with the main window at program entry.
  QPointer<TfrmLayers> frmLayers;
  // The PSD import window; created at program entry unless playing a file.
  QPointer<TfrmPSDImport> frmPSDImport;
  // The view window of the open project; empty when none is open.
  QPointer<TfrmProject32> frmProject32;
  // The folder the Open dialog starts in.
  QString lastProjectFolder;
  // The folder the layer rows' picture dialog starts in.
  QString lastPictureFolder;
  // The open project's edits.
  QUndoStack* undoStack = nullptr;

  QString miniFontFamily;
  QTimer* InitTimer = nullptr;
  QTimer* TimerCPU = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Drops the oldest undo steps beyond the budget; an edit larger than the
  // budget alone clears the history and says so.
  void KeepUndoWithinBudget();
  std::size_t undoBudget_ = quenvar::DefaultUndoBudget(quenvar::PhysicalMemoryBytes());
  int editMacros_ = 0;

  // Building the window (mainform_build.cpp).
  void BuildMenus();
  void BuildToolPanel();
  void BuildStatusStrip();
  QAction* MenuItem(class QMenu* menu, const char* name, const QString& caption,
                    const QKeySequence& shortcut = {}, bool enabled = true);
  void InstallInterfaceFont(const QString& programDir);
  void ColourInterface();

  // Commands (mainform_commands.cpp).
  void OpenProjectFile();
  // Open's first steps: what's-new hidden, playback stopped, recording off.
  void PrepareOpen();
  void SaveClick();
  void SaveAsClick();
  void SaveFrameClick();
  void RenderToDiskClick();
  // Starts recording into the capture dialog's video; shows the reason when
  // it cannot be opened.
  void StartVideoRecording(TfrmCapture& capture);
  // Ends any recording; a video is finished so that it plays, and a failure
  // to finish it is shown.
  void EndRecording();
  void CloseProjectClick();
  void ExitClick();
  // The View menu's Layers and Status items.
  void ViewLayersClick();
  void ViewStatusClick();
  void CanvasSizeClick();
  void AboutClick();
  void WhatIsNewClick();
  void cbIntervalChange();
  void InsertLayerClick();
  void OpenDroppedProject(const QString& path);
  void AddDroppedPictures(const QStringList& paths);
  // Pictures become layers; the first PSD document goes to the import window.
  void AddDroppedFiles(const QStringList& paths);

  bool SaveOpenProject();
  // Saves the project (to `path` when given) with a progress dialog; false
  // when cancelled, the old file then untouched. Throws what Save throws.
  bool SaveWithProgress(quenvar::TProject& project, const QString& path = QString());

  // OpenRaster (mainform_openraster.cpp).
  void ImportOpenRasterClick();
  void ExportOpenRasterClick();
  // The web page (mainform_webpage.cpp).
  void ExportWebPageClick();
  // Keys seen before any control of the window; true when taken.
  bool FormKeyDown(QObject* target, QKeyEvent* key);

  // Full screen's steps (mainform_fullscreen.cpp).
  void EnterFullScreen();
  void LeaveFullScreen();
  // Makes sure the view is a subwindow of the MDI area.
  void AttachView();
  // The view maximised without frame, showing the canvas fitted.
  void PresentView();
  // The view at (10, 10), outer size canvas width x canvas height + 20.
  void RestoreView();
  void HideFloatingWindows();
  void ShowHiddenFloatingWindows();
  bool InView(QObject* object) const;
  // Reads the dialog's size boxes; shows why and returns false when they do
  // not make a canvas the program can hold.
  bool DialogCanvasSize(std::uint16_t& width, std::uint16_t& height);

  // Recovery files (mainform_recovery.cpp).
  void StartRecovery();
  std::unique_ptr<TRecoveryWriter> recovery_;

  Prompter& prompter_;
  QString programDir_;
  QStringList args_;
  bool commandLineOpened_ = false;
  // Tool windows hidden for full screen, shown again when it ends.
  QList<QPointer<QWidget>> heldBack_;
  // What full screen changes in the MDI area, as built.
  QFrame::Shape windowedMdiFrame_ = QFrame::NoFrame;
  QBrush windowedMdiBackground_;
  std::unique_ptr<TShellHost> host_;
  quenvar::TMeterState meters_;

  QMdiArea* mdiArea_ = nullptr;
  QWidget* TopPanel_ = nullptr;
  QComboBox* cbInterval_ = nullptr;
  QWidget* PanelCPU_ = nullptr;
  QLabel* LabelCPU2_ = nullptr;
  TGradProgress* GradProgress1_ = nullptr;
  TGradProgress* GradProgress2_ = nullptr;
  QLabel* LStatus_ = nullptr;
  QLabel* LFrameCount_ = nullptr;
  QPushButton* bAnimate_ = nullptr;
  QAction* miImportPSD_ = nullptr;
  QAction* miSave_ = nullptr;
  QAction* miSaveAs_ = nullptr;
  QAction* miSaveFrame_ = nullptr;
  QAction* miExportOra_ = nullptr;
  QAction* miExportWeb_ = nullptr;
  QAction* miCanvasSize_ = nullptr;
  QAction* miInsertLayer_ = nullptr;
  QAction* miRenderToDisk_ = nullptr;
  QPushButton* bFullScreen_ = nullptr;
  QPushButton* bSaveButton_ = nullptr;
  QAction* miUndo_ = nullptr;
  QAction* miRedo_ = nullptr;
};
