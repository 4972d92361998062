#pragma once
// The program entry's window creation, shared by main() and the window tests.
#include <QStringList>

class Tmainform;

// Creates the windows that follow the main window: the layers panel; with no
// command-line argument the project properties dialog, the about box and the
// capture dialog; then a what's-new window when "whatsnew.txt" is in the
// current directory.
void CreateProgramWindows(Tmainform& mainform, const QStringList& args);
