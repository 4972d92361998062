// Recording through the Render to disk dialog, PLAY/STOP ending it, a frame
// file that cannot be written, and Save frame.
#include <functional>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "gui/dialogs/unitcapture.h"
#include "host/error.h"
#include "host/playback.h"
#include "test_display_support.h"
#include "video/videoreader.h"

using quenvar::Playback;

namespace {

// Fills the dialog's output box, picks the output format and presses START
// (or CANCEL).
void ScriptCapture(Shell& s, const QString& output, bool start = true,
                   const QString& format = QStringLiteral("BMP Sequence")) {
  s.prompter.dialogs.push_back([=](QDialog& d) {
    auto& capture = static_cast<TfrmCapture&>(d);
    capture.cbFormat->setCurrentText(format);
    capture.eOutput->setText(output);
    (start ? capture.bStart : capture.bCancel)->click();
    return d.result();
  });
}

// Runs exactly one tick of the view's frame timer.
bool OneTick(Shell& s) {
  QSignalSpy ticks(View(s)->Timer1, &QTimer::timeout);
  const bool wasActive = View(s)->Timer1->isActive();
  s.form->StartPlayback();
  const bool ticked = ticks.wait(2000);
  if (!wasActive) s.form->StopPlayback();
  return ticked && ticks.count() == 1;
}

// True when the bitmap file holds exactly the view's displayed buffer.
bool FileShowsBuffer(const QString& path, const quenvar::TBitmap32& buffer) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  const int w = buffer.Width(), h = buffer.Height();
  if (bytes.size() != 54 + qsizetype(w) * h * 4) return false;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + 54 +
                      (qsizetype(h - 1 - y) * w + x) * 4;
      const quenvar::TColor32 c = p[0] | p[1] << 8 | p[2] << 16 | quenvar::TColor32(p[3]) << 24;
      if (c != buffer.Pixel(x, y)) return false;
    }
  return true;
}

}  // namespace

class TestCapture : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { Playback() = quenvar::TPlaybackState{}; }
  void dialogHoldsItsControls();
  void startRecordsOneNumberedFramePerStep();
  void cancelKeepsTheRecordingState();
  void playRecordsWhatWasArmedAndStopEndsIt();
  void aFolderNamedWithoutItsSlashIsWhereFramesGo();
  void theTimerRunsAtTheFpsBoxRate();
  void aLiveVideoLastsAsLongAsItPlayed();
  void aFrameThatCannotBeWrittenEndsTheRecording();
  void saveFrameWritesTheShownFrame();
  void videoNamesTakeTheVideoExtension();
  void aVideoRecordingHoldsEveryShownFrame();
  void loopKindsFromTheListSetTheExtension();
  void aVideoThatCannotBeOpenedIsReportedOnce();
  void closingTheProgramFinishesTheVideo();
  void theLoopLabelAndOneLoopFollowTheProject();
  void oneLoopRecordsExactlyOneLoop();
};

void TestCapture::dialogHoldsItsControls() {
  Shell s;
  TfrmCapture* capture = s.form->frmCapture;
  QVERIFY(capture);
  QCOMPARE(capture->windowTitle(), QStringLiteral("Render to disk"));
  QVERIFY(capture->windowFlags() & Qt::Tool);
  QCOMPARE(capture->cbFormat->currentText(), QStringLiteral("AVI Video"));
  QCOMPARE(capture->cbFormat->count(), 6);
  QCOMPARE(capture->cbDuration->currentText(), QStringLiteral("Frames"));
  for (QWidget* w :
       {static_cast<QWidget*>(capture->cbDuration), static_cast<QWidget*>(capture->eDuration),
        static_cast<QWidget*>(capture->cbResetX), static_cast<QWidget*>(capture->cbResetY)})
    QVERIFY(!w->isEnabled());
  QCOMPARE(capture->cbResetX->text(), QStringLiteral("Reset X Motion"));
  QCOMPARE(capture->bStart->text(), QStringLiteral("START"));
  QCOMPARE(capture->bCancel->text(), QStringLiteral("CANCEL"));
  s.prompter.fileNames.push_back(QStringLiteral("/tmp/out/clip.avi"));
  capture->bBrowse->click();
  QCOMPARE(capture->eOutput->text(), QStringLiteral("/tmp/out/clip.avi"));
  // Without a project there is nothing to record: the command is off.
  s.action("miRenderToDisk")->trigger();
  QVERIFY(s.prompter.dialogsShown.isEmpty());
  s.newProject("Clouds", "100", "100");
  s.action("miRenderToDisk")->trigger();
  QCOMPARE(s.prompter.dialogsShown.last(), QStringLiteral("frmCapture"));
  QVERIFY(!Playback().recording);
}

void TestCapture::startRecordsOneNumberedFramePerStep() {
  QTemporaryDir dir;
  Shell s;
  s.newProject("My Project", "160", "120");
  AddLayer(40, 30, 5, 5, 2, 1);
  View(s)->BuildFromProject();
  Click(View(s)->img32, QPoint(10, 10));  // the selection frame is recorded too
  ScriptCapture(s, dir.filePath("clip.avi"));
  s.action("miRenderToDisk")->trigger();
  QVERIFY(Playback().recording);
  QCOMPARE(Playback().frameNumber, 1);
  QCOMPARE(QString::fromStdString(Playback().recordFolder), dir.path() + "/");
  QVERIFY(!Playback().playing);  // recording does not start playback

  QVERIFY(OneTick(s));
  const QString first = dir.filePath("MyProject00001.bmp");
  QVERIFY(QFile::exists(first));
  QVERIFY(FileShowsBuffer(first, View(s)->view().Buffer()));
  QCOMPARE(s.child<QLabel>("LFrameCount")->text(), QStringLiteral(" RECORDING FRAME : 1"));
  QVERIFY(OneTick(s));
  QVERIFY(FileShowsBuffer(dir.filePath("MyProject00002.bmp"), View(s)->view().Buffer()));
  QVERIFY(!FileShowsBuffer(first, View(s)->view().Buffer()));  // the layer moved
  QCOMPARE(s.child<QLabel>("LFrameCount")->text(), QStringLiteral(" RECORDING FRAME : 2"));
  QCOMPARE(Playback().frameNumber, 3);
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);

  // Confirming again starts the numbering at 1.
  ScriptCapture(s, dir.filePath("clip.avi"));
  s.action("miRenderToDisk")->trigger();
  QCOMPARE(Playback().frameNumber, 1);
}

void TestCapture::cancelKeepsTheRecordingState() {
  Shell s;
  s.newProject("Clouds", "100", "100");
  Playback().recording = true;
  Playback().recordFolder = "/somewhere/";
  Playback().frameNumber = 7;
  ScriptCapture(s, QStringLiteral("/elsewhere/clip.avi"), false);
  s.action("miRenderToDisk")->trigger();
  QVERIFY(Playback().recording);
  QCOMPARE(Playback().recordFolder, std::string("/somewhere/"));
  QCOMPARE(Playback().frameNumber, 7);
}

void TestCapture::playRecordsWhatWasArmedAndStopEndsIt() {
  QTemporaryDir dir;
  Shell s;
  s.newProject("Clouds", "100", "100");
  ScriptCapture(s, dir.filePath("clip"));
  s.action("miRenderToDisk")->trigger();
  auto* button = s.child<QPushButton>("bAnimate");
  QCOMPARE(button->text(), QStringLiteral("PLAY"));
  button->click();  // PLAY starts the armed recording
  QVERIFY(Playback().playing);
  QVERIFY(Playback().recording);
  QCOMPARE(button->text(), QStringLiteral("STOP"));
  QSignalSpy ticks(View(s)->Timer1, &QTimer::timeout);
  QVERIFY(ticks.wait(2000));
  QVERIFY(QFile::exists(dir.filePath("Clouds00001.bmp")));
  button->click();  // STOP ends it
  QVERIFY(!Playback().playing);
  QVERIFY(!Playback().recording);
  QCOMPARE(button->text(), QStringLiteral("PLAY"));
  QCOMPARE(s.child<QLabel>("LFrameCount")->text(), QStringLiteral(" "));
  const int written = int(QDir(dir.path()).entryList(QDir::Files).size());
  button->click();
  QVERIFY(ticks.wait(2000));
  QCOMPARE(int(QDir(dir.path()).entryList(QDir::Files).size()), written);
}

void TestCapture::aFolderNamedWithoutItsSlashIsWhereFramesGo() {
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("frames")));
  Shell s;
  s.newProject("Clouds", "100", "100");
  ScriptCapture(s, dir.filePath("frames"));
  s.action("miRenderToDisk")->trigger();
  QVERIFY(OneTick(s));
  QVERIFY(QFile::exists(dir.filePath("frames/Clouds00001.bmp")));
  QVERIFY(!QFile::exists(dir.filePath("Clouds00001.bmp")));
  // A video into that folder takes the project's name there.
  ScriptCapture(s, dir.filePath("frames"), true, QStringLiteral("AVI Video"));
  s.action("miRenderToDisk")->trigger();
  QCOMPARE(s.form->frmCapture->eOutput->text(), dir.filePath("frames/Clouds.avi"));
}

void TestCapture::theTimerRunsAtTheFpsBoxRate() {
  Shell s;
  // Chosen before any project: the view made later plays at that rate.
  QCOMPARE(s.child<QComboBox>("cbInterval")->currentText(), QStringLiteral("27"));
  s.newProject("Clouds", "100", "100");
  s.form->StartPlayback();
  QCOMPARE(View(s)->Timer1->interval(), 37);
  s.form->StopPlayback();
  s.child<QComboBox>("cbInterval")->setCurrentText(QStringLiteral("10"));
  s.form->StartPlayback();
  QCOMPARE(View(s)->Timer1->interval(), 100);
}

void TestCapture::aLiveVideoLastsAsLongAsItPlayed() {
  QTemporaryDir dir;
  const QString file = dir.filePath("live.mp4");
  Shell s;
  s.newProject("Clouds", "320", "240");
  AddLayer(100, 80, 5, 5, 3, 1);
  View(s)->BuildFromProject();
  s.form->StartPlayback();
  ScriptCapture(s, file, true, QStringLiteral("AVI Video"));
  QElapsedTimer wall;
  s.action("miRenderToDisk")->trigger();
  wall.start();
  QTest::qWait(2500);
  s.child<QPushButton>("bAnimate")->click();
  const double played = wall.elapsed() / 1000.0;
  QProcess probe;
  probe.start(QStringLiteral("ffprobe"),
              {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", file});
  QVERIFY(probe.waitForFinished(20000));
  const double duration = probe.readAllStandardOutput().trimmed().toDouble();
  // Within a tenth, and never the 23 % a 30 ms timer under a 27 fps video
  // would make.
  QVERIFY2(std::abs(duration - played) < 0.1 * played,
           qPrintable(QStringLiteral("video %1 s, played %2 s").arg(duration).arg(played)));
}

void TestCapture::aFrameThatCannotBeWrittenEndsTheRecording() {
  QTemporaryDir dir;
  Shell s;
  s.newProject("Clouds", "100", "100");
  ScriptCapture(s, dir.filePath("missing/clip.avi"));
  s.action("miRenderToDisk")->trigger();
  s.child<QPushButton>("bAnimate")->click();  // ends any recording: start it again
  ScriptCapture(s, dir.filePath("missing/clip.avi"));
  s.action("miRenderToDisk")->trigger();
  QVERIFY(Playback().playing && Playback().recording);
  QSignalSpy ticks(View(s)->Timer1, &QTimer::timeout);
  QVERIFY(ticks.wait(2000));
  QCOMPARE(s.prompter.messages.size(), 1);
  QVERIFY(s.prompter.messages[0].contains("Clouds00001.bmp"));
  QVERIFY(!Playback().recording);
  QVERIFY(!Playback().stepBusy);
  QVERIFY(Playback().playing);
  QVERIFY(View(s)->Timer1->isActive());
  QCOMPARE(s.child<QLabel>("LFrameCount")->text(), QStringLiteral(" "));
  QVERIFY(ticks.wait(2000));  // playback goes on without new errors
  QCOMPARE(s.prompter.messages.size(), 1);
}

void TestCapture::saveFrameWritesTheShownFrame() {
  QTemporaryDir dir;
  Shell s;
  s.newProject("Clouds", "120", "90");
  AddLayer(30, 20, 10, 10, 1, 0);
  View(s)->BuildFromProject();
  QVERIFY(OneTick(s));
  Playback().frameNumber = 5;
  const QString path = dir.filePath("still.bmp");
  s.prompter.fileNames.push_back(path);
  s.action("miSaveFrame")->trigger();
  QVERIFY(FileShowsBuffer(path, View(s)->view().Buffer()));
  QCOMPARE(Playback().frameNumber, 5);
  QVERIFY(!Playback().playing);
  // Cancelled: nothing written.
  s.action("miSaveFrame")->trigger();
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

namespace {

// Every frame of a video as 32-bit pixels.
std::vector<std::vector<std::uint32_t>> VideoFrames(const QString& path,
                                                    quenvar::TVideoInfo& info) {
  quenvar::TVideoReader reader(path.toStdString());
  info = reader.Info();
  std::vector<std::vector<std::uint32_t>> frames;
  std::vector<std::uint32_t> pixels;
  while (reader.ReadFrame(pixels)) frames.push_back(pixels);
  return frames;
}

// The view's displayed buffer as a video shows it: opaque.
std::vector<std::uint32_t> OpaqueBuffer(const quenvar::TBitmap32& buffer) {
  std::vector<std::uint32_t> pixels(buffer.Bits(),
                                    buffer.Bits() + buffer.Width() * buffer.Height());
  for (auto& p : pixels) p |= 0xFF000000u;
  return pixels;
}

}  // namespace

void TestCapture::videoNamesTakeTheVideoExtension() {
  Shell s;
  TfrmCapture* capture = s.form->frmCapture;
  capture->cbFormat->setCurrentText(QStringLiteral("BMP Sequence"));
  capture->eOutput->setText(QStringLiteral("/tmp/out/clip.bmp"));
  capture->cbFormat->setCurrentText(QStringLiteral("AVI Video"));
  QCOMPARE(capture->eOutput->text(), QStringLiteral("/tmp/out/clip.avi"));
  capture->eOutput->setText(QStringLiteral("/tmp/out/clip.MKV"));
  capture->cbFormat->setCurrentText(QStringLiteral("BMP Sequence"));
  capture->cbFormat->setCurrentText(QStringLiteral("AVI Video"));
  QCOMPARE(capture->eOutput->text(), QStringLiteral("/tmp/out/clip.MKV"));
  s.prompter.fileNames.push_back(QStringLiteral("/tmp/out/take"));
  capture->bBrowse->click();
  QCOMPARE(capture->eOutput->text(), QStringLiteral("/tmp/out/take.avi"));
}

void TestCapture::aVideoRecordingHoldsEveryShownFrame() {
  QTemporaryDir dir;
  Shell s;
  s.newProject("My Project", "160", "120");
  AddLayer(40, 30, 5, 5, 2, 1);
  View(s)->BuildFromProject();
  s.child<QComboBox>("cbInterval")->setCurrentText(QStringLiteral("15"));
  ScriptCapture(s, dir.path() + "/", true, QStringLiteral("AVI Video"));
  s.action("miRenderToDisk")->trigger();
  // A bare folder takes the project's name.
  QCOMPARE(s.form->frmCapture->eOutput->text(), dir.path() + "/MyProject.avi");
  QVERIFY(Playback().recording && Playback().video);

  // The lossless kind, to compare the frames exactly.
  const QString file = dir.filePath("take.mkv");
  ScriptCapture(s, file, true, QStringLiteral("AVI Video"));
  s.action("miRenderToDisk")->trigger();
  QVERIFY(QFile::exists(dir.filePath("MyProject.avi")));  // the first one was finished
  std::vector<std::vector<std::uint32_t>> shown;
  for (int i = 0; i < 3; ++i) {
    QVERIFY(OneTick(s));
    shown.push_back(OpaqueBuffer(View(s)->view().Buffer()));
  }
  QCOMPARE(s.child<QLabel>("LFrameCount")->text(), QStringLiteral(" RECORDING FRAME : 3"));
  QVERIFY(!QFile::exists(file));  // written under another name until it is finished
  s.form->StartPlayback();
  s.child<QPushButton>("bAnimate")->click();  // STOP
  QVERIFY(!Playback().recording && !Playback().video);
  QVERIFY(s.prompter.messages.isEmpty());

  quenvar::TVideoInfo info;
  const auto frames = VideoFrames(file, info);
  QCOMPARE(info.codec, std::string("ffv1"));
  QCOMPARE(info.width, View(s)->view().Buffer().Width());
  QCOMPARE(info.height, View(s)->view().Buffer().Height());
  // The FPS box's 15 makes a 66 ms timer: the video keeps the timer's rate.
  QCOMPARE(info.rateNum * 1.0 / info.rateDen, 1000.0 / 66);
  QCOMPARE(frames.size(), std::size_t(3));
  for (int i = 0; i < 3; ++i) QVERIFY(frames[std::size_t(i)] == shown[std::size_t(i)]);
  QVERIFY(frames[0] != frames[1]);
}

void TestCapture::loopKindsFromTheListSetTheExtension() {
  Shell s;
  TfrmCapture* capture = s.form->frmCapture;
  capture->eOutput->setText(QStringLiteral("/tmp/out/clip.mp4"));
  const QStringList entries{"GIF Animation", "APNG Animation", "WebP Animation", "WebM Video"};
  const QStringList names{"clip.gif", "clip.apng", "clip.webp", "clip.webm"};
  for (int i = 0; i < entries.size(); ++i) {
    capture->cbFormat->setCurrentText(entries[i]);
    QVERIFY(capture->VideoChosen());
    QCOMPARE(capture->eOutput->text(), "/tmp/out/" + names[i]);
  }
  // "AVI Video" keeps a video's extension, the loop kinds' too.
  capture->cbFormat->setCurrentText(QStringLiteral("AVI Video"));
  QCOMPARE(capture->eOutput->text(), QStringLiteral("/tmp/out/clip.webm"));

  // A bare folder takes the project's name and the picked kind; the GIF
  // holds every recorded frame once the recording ends.
  QTemporaryDir dir;
  s.newProject("My Project", "160", "120");
  AddLayer(40, 30, 5, 5, 2, 1);
  View(s)->BuildFromProject();
  ScriptCapture(s, dir.path() + "/", true, QStringLiteral("GIF Animation"));
  s.action("miRenderToDisk")->trigger();
  const QString file = dir.filePath("MyProject.gif");
  QCOMPARE(capture->eOutput->text(), file);
  for (int i = 0; i < 4; ++i) QVERIFY(OneTick(s));
  QVERIFY(!QFile::exists(file));  // encoded when the recording ends
  s.form->StartPlayback();
  s.child<QPushButton>("bAnimate")->click();  // STOP
  QVERIFY(s.prompter.messages.isEmpty());
  quenvar::TVideoInfo info;
  QCOMPARE(VideoFrames(file, info).size(), std::size_t(4));
  QCOMPARE(info.codec, std::string("gif"));
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList("MyProject.gif"));
}

void TestCapture::aVideoThatCannotBeOpenedIsReportedOnce() {
  QTemporaryDir dir;
  Shell s;
  s.newProject("Clouds", "100", "100");
  const QString file = dir.filePath("missing/clip.mp4");
  ScriptCapture(s, file, true, QStringLiteral("AVI Video"));
  s.action("miRenderToDisk")->trigger();
  QCOMPARE(s.prompter.messages,
           QStringList("Cannot write the video file " + file + ": No such file or directory"));
  QVERIFY(!Playback().recording);
  QVERIFY(OneTick(s));
  QCOMPARE(s.prompter.messages.size(), 1);
  QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

void TestCapture::closingTheProgramFinishesTheVideo() {
  QTemporaryDir dir;
  const QString file = dir.filePath("halfway.mp4");
  {
    Shell s;
    s.newProject("Clouds", "100", "100");
    AddLayer(40, 30, 5, 5, 2, 1);
    View(s)->BuildFromProject();
    ScriptCapture(s, file, true, QStringLiteral("AVI Video"));
    s.action("miRenderToDisk")->trigger();
    QVERIFY(OneTick(s));
    QVERIFY(OneTick(s));
  }
  quenvar::TVideoInfo info;
  QCOMPARE(VideoFrames(file, info).size(), std::size_t(2));
  QCOMPARE(info.codec, std::string("h264"));
}

namespace {

// Opens the dialog, hands it to `look` and cancels or starts it.
void ScriptLoop(Shell& s, const std::function<void(TfrmCapture&)>& look, bool start = false,
                const QString& output = QString()) {
  s.prompter.dialogs.push_back([=](QDialog& d) {
    auto& capture = static_cast<TfrmCapture&>(d);
    look(capture);
    capture.cbFormat->setCurrentText(QStringLiteral("BMP Sequence"));
    capture.eOutput->setText(output);
    (start ? capture.bStart : capture.bCancel)->click();
    return d.result();
  });
  s.action("miRenderToDisk")->trigger();
}

}  // namespace

void TestCapture::theLoopLabelAndOneLoopFollowTheProject() {
  Shell s;
  s.newProject("Loop", "60", "40");
  s.child<QComboBox>("cbInterval")->setCurrentText(QStringLiteral("25"));
  AddLayer(6, 4, 0, 0, 1, 0);  // 24 frames
  View(s)->BuildFromProject();
  QString label;
  bool allowed = false;
  auto look = [&](TfrmCapture& c) {
    label = c.LLoop->text();
    allowed = c.cbOneLoop->isEnabled();
    QCOMPARE(c.cbOneLoop->text(), QStringLiteral("one loop"));
  };
  ScriptLoop(s, look);
  QCOMPARE(label, QStringLiteral("Loop: 24 frames, 1.0 s at 25 fps"));
  QVERIFY(allowed);
  // Tiled motion larger than the picture: 8 / gcd(8, 3) and 6 / gcd(6, 4).
  quenvar::TBlendLayer& tiled = AddLayer(8, 6, 10, 10, 11, -2);
  tiled.tileWrap = true;
  View(s)->BuildFromProject();
  ScriptLoop(s, look);
  QCOMPARE(label, QStringLiteral("Loop: 24 frames, 1.0 s at 25 fps"));
  // Longer than the limit: shown, but not offered.
  AddLayer(400, 300, 0, 0, 1, 0);
  View(s)->BuildFromProject();
  ScriptLoop(s, look);
  QCOMPARE(label, QStringLiteral("Loop: 120000 frames, 4800.0 s at 25 fps"));
  QVERIFY(!allowed);
  for (int w : {1021, 1019, 1013}) AddLayer(w, 1, 0, 0, 1, 0);
  View(s)->BuildFromProject();
  ScriptLoop(s, look);
  QCOMPARE(label, QStringLiteral("does not repeat within 10^9 frames"));
  QVERIFY(!allowed);
}

void TestCapture::oneLoopRecordsExactlyOneLoop() {
  QTemporaryDir dir;
  Shell s;
  s.newProject("Loop", "40", "30");
  AddLayer(6, 4, 0, 0, 1, 0);                                  // 24 frames
  quenvar::TBlendLayer& tiled = AddLayer(8, 6, 10, 10, 3, 2);  // 8 and 3: 24
  tiled.tileWrap = true;
  View(s)->BuildFromProject();
  ScriptLoop(
      s, [](TfrmCapture& c) { c.cbOneLoop->setChecked(true); }, true, dir.filePath("clip"));
  QVERIFY(Playback().recording);
  for (int i = 0; i < 24; ++i) QVERIFY(OneTick(s));
  // The recording ended by itself after the 24th frame.
  QVERIFY(!Playback().recording);
  QCOMPARE(s.child<QLabel>("LFrameCount")->text(), QStringLiteral(" "));
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 24);
  QVERIFY(QFile::exists(dir.filePath("Loop00024.bmp")));
  // The frame after the loop is its first frame again; the one before it is not.
  QVERIFY(!FileShowsBuffer(dir.filePath("Loop00023.bmp"), View(s)->view().Buffer()));
  QVERIFY(OneTick(s));
  QVERIFY(FileShowsBuffer(dir.filePath("Loop00001.bmp"), View(s)->view().Buffer()));
  QVERIFY(!FileShowsBuffer(dir.filePath("Loop00002.bmp"), View(s)->view().Buffer()));
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 24);
  // Without the tick the recording has no end.
  ScriptLoop(
      s, [](TfrmCapture& c) { c.cbOneLoop->setChecked(false); }, true, dir.filePath("again/clip"));
  QCOMPARE(Playback().lastFrame, 0);
}

QTEST_MAIN(TestCapture)
#include "test_capture.moc"
