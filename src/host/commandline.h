#pragma once
// What the program's arguments ask for. Only the first argument counts: a
// project file to play, or a request for the usage or the version.
#include <string>
#include <vector>

namespace quenvar {

enum class TStartAction { Run, Help, Version };

struct TCommandLine {
  TStartAction action = TStartAction::Run;
  // The project to play; empty for a plain start.
  std::string project;
};

// `args` are the arguments after the program name. "--" makes the argument
// after it a file name even when it looks like an option.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text --help prints, ending in a line feed.
std::string UsageText();
// The line --version prints: "Quenvar v" + VersionText, ending in a line feed.
std::string VersionLine();
// The same for a command-line tool: "quenvar-render (Quenvar v...)".
std::string ToolVersionLine(const std::string& tool);

// True when a tool's arguments are exactly --help (or -h), or --version: the
// tool prints `usage` or its version line on standard output and sets
// `status` (0) for main to return.
bool HandleToolInfoOption(int argc, char** argv, const std::string& tool, const std::string& usage,
                          int& status);

}  // namespace quenvar
