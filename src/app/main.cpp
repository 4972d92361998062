// Quenvar's program entry.
#include <QApplication>
#include <QScreen>
#include <cstdio>

#include "app/mainform.h"
#include "app/prompter.h"
#include "app/startup.h"
#include "core/coreinit.h"
#include "host/cpuinfo.h"

namespace {

// Qt aborts when its default platform finds no display; say so plainly instead.
bool DisplayAvailable() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
         !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr,
                 "Quenvar needs a display: no DISPLAY or WAYLAND_DISPLAY is set "
                 "(try: xvfb-run scripts/run).\n");
    return 1;
  }
  quenvar::CpuInfo();  // the processor is identified once, before any window
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quenvar"));
  quenvar::InitCore();

  QStringList args = QApplication::arguments();
  args.removeFirst();
  QtPrompter prompter;
  Tmainform mainform(prompter, QApplication::applicationDirPath(), args);
  CreateProgramWindows(mainform, args);
  // Fill the screen even where no window manager honours maximising.
  if (QScreen* screen = mainform.screen()) mainform.setGeometry(screen->availableGeometry());
  mainform.showMaximized();
  return app.exec();
}
