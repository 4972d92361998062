#pragma once
// Opening whatever file the user hands over as a project: a .zyl archive, or
// an OpenRaster file made into a new project.
#include <memory>
#include <string>

#include "host/progress.h"

namespace quenvar {

class TProject;

// OpenProjectFile for a .zyl, ImportOpenRaster for an .ora (by name). A file
// that cannot be opened logs an error line and gives nullptr; a stopped
// progress throws quenvar::Cancelled. Either way no project is left open.
// `why`, when given, receives the reason a file could not be read.
TProject* OpenAnyProjectFile(const std::string& path, const TProgress& progress = {},
                             std::string* why = nullptr);

// Reads a project file completely while the open project stays open and
// untouched: the result is not the open project (AdoptProject makes it so).
// nullptr, with the error logged, when the file cannot be read; a stopped
// progress throws quenvar::Cancelled and keeps nothing.
std::unique_ptr<TProject> ReadProjectFileAside(const std::string& path,
                                               const TProgress& progress = {},
                                               std::string* why = nullptr);

}  // namespace quenvar
