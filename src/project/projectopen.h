#pragma once
// Opening whatever file the user hands over as a project: a .zyl archive, or
// an OpenRaster file made into a new project.
#include <string>

#include "host/progress.h"

namespace quenvar {

class TProject;

// OpenProjectFile for a .zyl, ImportOpenRaster for an .ora (by name). A file
// that cannot be opened logs an error line and gives nullptr; a stopped
// progress throws quenvar::Cancelled. Either way no project is left open.
TProject* OpenAnyProjectFile(const std::string& path, const TProgress& progress = {});

}  // namespace quenvar
