// Frames shown per second in full screen against the FPS box's rate. The
// real windows play a project full screen; every paint of the view is timed.
// Cases: the demo (768 x 576) and four moving 1920 x 1080 layers, both
// scaled to the screen. Run on a display, e.g.
//   xvfb-run -s "-screen 0 1280x800x24" build/test/bench/bench_pacing [seconds]
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "compose/bandpool.h"
#include "core/coreinit.h"
#include "gui/main/mainform.h"
#include "gui/main/startup.h"
#include "gui/main/unitdisplay32.h"
#include "gui/widgets/imageview32.h"
#include "gui/widgets/prompter.h"
#include "host/playback.h"
#include "project/blendclass.h"
#include "project/project.h"

namespace {

using Clock = std::chrono::steady_clock;

class TSilentPrompter : public Prompter {
 public:
  bool AskYesNo(QWidget*, const QString&) override { return false; }
  TSaveAnswer AskSaveChanges(QWidget*, const QString&) override { return TSaveAnswer::Discard; }
  void ShowMessage(QWidget*, const QString& text) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
  }
  QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override {
    return {};
  }
  int ExecDialog(QDialog&) override { return QDialog::Rejected; }
  std::unique_ptr<ProgressReport> StartProgress(QWidget*, const QString&) override {
    struct TGoOn : ProgressReport {
      bool Update(std::int64_t, std::int64_t) override { return true; }
    };
    return std::make_unique<TGoOn>();
  }
};

// Notes when each paint of the watched widget begins.
class TPaintClock : public QObject {
 public:
  std::vector<Clock::time_point> paints;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) paints.push_back(Clock::now());
    return false;
  }
};

void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Four moving random layers on a 1920 x 1080 canvas, as the open project.
void MakeLargeProject() {
  auto* project = new quenvar::TProject();
  project->width = 1920;
  project->height = 1080;
  project->name = "large";
  std::mt19937 rng(11);
  const quenvar::TBlendMode modes[] = {quenvar::bmNone, quenvar::bmMultiply, quenvar::bmScreen,
                                       quenvar::bmOverlay};
  for (quenvar::TBlendMode mode : modes) {
    auto* layer = new quenvar::TBlendLayer();
    layer->bmp.Resize(1920, 1080);
    for (int i = 0; i < 1920 * 1080; ++i) layer->bmp.Bits()[i] = rng() | 0x80000000u;
    layer->SetMode(mode);
    layer->opacity = 200;
    layer->posx = int(rng() % 5) - 2;
    layer->posy = 1;
  }
}

struct TRun {
  double shownFps = 0, meanMs = 0, p95Ms = 0, maxMs = 0;
  int steps = 0, paints = 0;
};

TRun Measure(Tmainform& form, int seconds) {
  TPaintClock clock;
  QWidget* img = form.frmProject32->img32;
  int steps = 0;
  auto counting = QObject::connect(form.frmProject32->Timer1, &QTimer::timeout, [&] { ++steps; });
  img->installEventFilter(&clock);
  Wait(seconds * 1000);
  img->removeEventFilter(&clock);
  QObject::disconnect(counting);
  std::vector<double> gaps;
  for (std::size_t i = 1; i < clock.paints.size(); ++i)
    gaps.push_back(
        std::chrono::duration<double, std::milli>(clock.paints[i] - clock.paints[i - 1]).count());
  TRun r;
  r.steps = steps;
  r.paints = int(clock.paints.size());
  if (gaps.empty()) return r;
  const double total =
      std::chrono::duration<double, std::milli>(clock.paints.back() - clock.paints.front()).count();
  r.shownFps = 1000.0 * double(gaps.size()) / total;
  r.meanMs = total / double(gaps.size());
  std::sort(gaps.begin(), gaps.end());
  r.p95Ms = gaps[gaps.size() * 95 / 100];
  r.maxMs = gaps.back();
  return r;
}

// Milliseconds for one frame step, and for one paint of the scaled frame.
void CostPerFrame(Tmainform& form, double& stepMs, double& paintMs) {
  TfrmProject32& view = *form.frmProject32;
  constexpr int kFrames = 20;
  auto t0 = Clock::now();
  for (int i = 0; i < kFrames; ++i) view.StepFrame();
  stepMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / kFrames;
  t0 = Clock::now();
  for (int i = 0; i < kFrames; ++i) view.img32->repaint();
  paintMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / kFrames;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  quenvar::InitCore();
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  TSilentPrompter prompter;
  Tmainform form(prompter, QStringLiteral(QUENVAR_SOURCE_DIR "/assets"));
  CreateProgramWindows(form, {});
  form.showMaximized();
  Wait(300);
  auto* fps = form.findChild<QComboBox*>("cbInterval");
  const QSize screen = form.screen()->size();
  std::printf("screen %dx%d, %d compose thread(s), %d s per rate\n", screen.width(),
              screen.height(), quenvar::ComposeThreads(), seconds);
  std::printf("%-22s %4s %8s %8s %8s %8s %8s %8s %8s\n", "project", "FPS", "asked/s", "shown/s",
              "mean ms", "p95 ms", "max ms", "step ms", "paint ms");
  std::printf("(shown/s from the gaps between paints; steps and paints counted over the run)\n");
  for (const char* which : {"demo 768x576", "4 layers 1920x1080"}) {
    if (which[0] == 'd') {
      if (!form.OpenProjectPath(QStringLiteral(QUENVAR_SOURCE_DIR "/examples/demo.zyl"))) return 1;
    } else {
      form.CloseProjectView();
      MakeLargeProject();
      form.OpenProjectView();
      form.RebuildLayerFrames();
    }
    form.G32_Button1Click();
    Wait(500);
    double stepMs = 0, paintMs = 0;
    form.StopPlayback();
    CostPerFrame(form, stepMs, paintMs);
    for (const char* rate : {"50", "85", "27"}) {
      fps->setCurrentText(QString::fromLatin1(rate));
      form.StartPlayback();
      Wait(300);
      const TRun r = Measure(form, seconds);
      const double asked = 1000.0 / quenvar::Playback().frameInterval;
      std::printf("%-22s %4s %8.1f %8.1f %8.1f %8.1f %8.1f %8.2f %8.2f  %d steps, %d paints\n",
                  which, rate, asked, r.shownFps, r.meanMs, r.p95Ms, r.maxMs, stepMs, paintMs,
                  r.steps, r.paints);
      std::fflush(stdout);
      form.StopPlayback();
    }
    form.SetFullScreen(false);
  }
  form.CloseProjectView();
  return 0;
}
