#pragma once
// The project as one self-contained web page: the layers' pictures as PNG
// inside it, the project's settings and a player that composes every frame
// on the GPU (WebGL 2) exactly as the program composes it.
#include <string>

#include "host/progress.h"

namespace quenvar {

class TProject;
struct TWebPlan;

// The page's text for a plan.
std::string BuildWebPage(const TWebPlan& plan);

// Writes the page for `project` playing at `fps` frames per second to
// `path`, under a temporary name renamed over the target when complete.
// Throws quenvar::Error when the project cannot be shown or the file not
// written; a file already at `path` is then kept.
void ExportWebPage(const TProject& project, const std::string& path, int fps);

}  // namespace quenvar
