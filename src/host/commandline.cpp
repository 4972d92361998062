#include "host/commandline.h"

#include <iostream>
#include <string_view>

#include "host/version.h"

namespace quenvar {

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine cl;
  if (args.empty()) return cl;
  const std::string& first = args.front();
  if (first == "--help" || first == "-h") {
    cl.action = TStartAction::Help;
  } else if (first == "--version") {
    cl.action = TStartAction::Version;
  } else if (first == "--") {
    if (args.size() > 1) cl.project = args[1];
  } else {
    cl.project = first;
  }
  return cl;
}

std::string UsageText() {
  return "Usage: quenvar [PROJECT.zyl]\n"
         "Mixes still pictures into a moving, layered picture.\n"
         "\n"
         "With a project file (or an OpenRaster .ora file, made into a\n"
         "project) Quenvar plays it full screen. Space pauses and\n"
         "resumes, Esc or F11 returns to the windowed layout, FS or F11 goes\n"
         "full screen again.\n"
         "\n"
         "  -h, --help     show this help and exit\n"
         "      --version  show the version and exit\n";
}

std::string VersionLine() {
  return "Quenvar v" + VersionText() + "\n";
}

std::string ToolVersionLine(const std::string& tool) {
  return tool + " (Quenvar v" + VersionText() + ")\n";
}

bool HandleToolInfoOption(int argc, char** argv, const std::string& tool, const std::string& usage,
                          int& status) {
  if (argc != 2) return false;
  const std::string_view arg = argv[1];
  if (arg == "--help" || arg == "-h") {
    std::cout << usage;
  } else if (arg == "--version") {
    std::cout << ToolVersionLine(tool);
  } else {
    return false;
  }
  std::cout.flush();
  status = std::cout ? 0 : 1;
  return true;
}

}  // namespace quenvar
