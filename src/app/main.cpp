// Quenvar's program entry.
#include <QApplication>
#include <QScreen>

#include "app/mainform.h"
#include "app/prompter.h"
#include "app/startup.h"
#include "core/coreinit.h"

int main(int argc, char** argv) {
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
