// Quenvar's program entry.
#include <QApplication>
#include <QScreen>
#include <cstdio>
#include <string>
#include <vector>

#include "core/coreinit.h"
#include "gui/main/mainform.h"
#include "gui/main/startup.h"
#include "gui/widgets/prompter.h"
#include "host/commandline.h"
#include "host/cpuinfo.h"

namespace {

// Qt aborts when its default platform finds no display; say so plainly instead.
bool DisplayAvailable() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
         !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

std::vector<std::string> Arguments(const QStringList& list) {
  std::vector<std::string> out;
  for (const QString& a : list) out.push_back(a.toStdString());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version answer without a display.
  const quenvar::TCommandLine asked =
      quenvar::ParseCommandLine(std::vector<std::string>(argv + (argc > 0), argv + argc));
  if (asked.action == quenvar::TStartAction::Help) {
    std::fputs(quenvar::UsageText().c_str(), stdout);
    return 0;
  }
  if (asked.action == quenvar::TStartAction::Version) {
    std::fputs(quenvar::VersionLine().c_str(), stdout);
    return 0;
  }
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

  // Qt has taken its own options out by now.
  QStringList qtArgs = QApplication::arguments();
  qtArgs.removeFirst();
  const quenvar::TCommandLine commandLine = quenvar::ParseCommandLine(Arguments(qtArgs));
  QStringList args;
  if (!commandLine.project.empty()) args << QString::fromStdString(commandLine.project);
  QtPrompter prompter;
  Tmainform mainform(prompter, QApplication::applicationDirPath(), args);
  CreateProgramWindows(mainform, args);
  // Fill the screen even where no window manager honours maximising.
  if (QScreen* screen = mainform.screen()) mainform.setGeometry(screen->availableGeometry());
  mainform.showMaximized();
  return app.exec();
}
