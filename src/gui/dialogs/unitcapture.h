#pragma once
// TfrmCapture: the "Render to disk" dialog. START switches recording on:
// with "AVI Video" into one video file named by the output box (its
// extension chooses .avi, .mp4, .mkv or a loop kind), with "BMP Sequence"
// into numbered bitmap files in the output file's folder; the loop entries
// ("GIF Animation", ...) give the output name their extension. The duration,
// reset and settings controls are shown but have no effect. When the
// project's loop length is known and within the limit, "one loop" ends the
// recording by itself after exactly one loop.
#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

#include "project/looplength.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Prompter;

class TfrmCapture : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmCapture(Prompter& prompter, QWidget* parent = nullptr);

  // A video entry is chosen ("AVI Video" or a loop kind), not "BMP Sequence":
  // the recording goes into a video file.
  bool VideoChosen() const;
  // The extension a name without a video's takes: the chosen entry's.
  std::string VideoExtension() const;
  // Shows the loop length at the playback rate; none when it is not known.
  void ShowLoop(const std::optional<quenvar::TLoopLength>& loop, int fps);
  // The frames one loop takes when "one loop" is chosen and allowed, else 0.
  std::int64_t OneLoopFrames() const;

  QLineEdit* eOutput = nullptr;
  QPushButton* bBrowse = nullptr;
  QComboBox* cbFormat = nullptr;
  QComboBox* cbDuration = nullptr;
  QLineEdit* eDuration = nullptr;
  QCheckBox* cbResetX = nullptr;
  QCheckBox* cbResetY = nullptr;
  QLabel* LLoop = nullptr;
  QCheckBox* cbOneLoop = nullptr;
  QPushButton* bSettings = nullptr;
  QPushButton* bStart = nullptr;
  QPushButton* bCancel = nullptr;

 private:
  void bBrowseClick();
  void cbFormatChange();

  Prompter& prompter_;
  std::uint64_t loopFrames_ = 0;  // 0 while no loop can be recorded
};
